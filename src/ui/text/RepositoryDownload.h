// The code repository's download on a thread of its own: into a file of its own, then into the
// cache only when it is whole, reads as a repository and was not stopped meanwhile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>

namespace orva {

class CRepositoryDownload {
public:
    enum class Outcome { Replaced, Failed, Cancelled };
    // The whole document may take this long; a slow first byte is no failure by itself.
    static constexpr long kTimeoutMs = 60000;

    struct Reports {
        // Bytes so far and the total (0 while unknown); on the download's thread.
        std::function<void(int64_t received, int64_t total)> progress;
        // The thread's last act, on the download's thread.
        std::function<void(Outcome)> finished;
    };

    CRepositoryDownload(std::string url, std::filesystem::path cache, Reports reports);
    // Stops and waits for the thread.
    ~CRepositoryDownload();
    CRepositoryDownload(const CRepositoryDownload&) = delete;
    CRepositoryDownload& operator=(const CRepositoryDownload&) = delete;

    // Starts the thread; once.
    void Start();
    // The transfer ends at its next progress report (within about a second) as Cancelled; a
    // transfer already complete is then not taken into the cache. From any thread.
    void Stop();
    void Wait();
    bool Running() const { return worker_.joinable(); }

private:
    Outcome Run(const std::stop_token& stop) const;

    std::string url_;
    std::filesystem::path cache_;
    Reports reports_;
    std::stop_source stop_;  // apart from the thread, so a stop never races its start
    std::thread worker_;
};

}  // namespace orva
