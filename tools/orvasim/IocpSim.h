// A test IOCP server on loopback: greets, keeps offset values, answers registrations, sends
// changes to the clients that registered them, and logs every line it receives.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace orva::sim {

struct IocpOptions {
    int port = 0;  // 0: any free port
    std::string alias = "P3D";
    int keepAliveMs = 5000;  // 0: no keep-alives
};

class CIocpSim {
public:
    explicit CIocpSim(IocpOptions options);
    ~CIocpSim();
    CIocpSim(const CIocpSim&) = delete;
    CIocpSim& operator=(const CIocpSim&) = delete;

    // Listens on 127.0.0.1 and announces itself for the plug-and-play module; false on failure.
    bool Start();
    void Stop();
    int Port() const { return port_; }
    const std::string& ControlPath() const { return controlPath_; }

    std::string Execute(const std::string& line);

    // Direct use, for benchmarks in the same process.
    void SetValues(const std::vector<std::pair<int, int>>& values);
    // Sends count lines "Arn.Resp:<offset+i>=<value+i>:" to every client, all in one write, or
    // one byte per send (so the client sees every line cut at every place).
    void BurstValues(int count, int offset, int value, bool bytewise);
    int Value(int offset) const;
    // Called with every line received (without its line end).
    void SetLineHook(std::function<void(const std::string&)> hook);
    std::vector<std::string> ReceivedLines() const;
    bool WaitForLine(const std::string& line, long long timeoutMs);
    size_t ClientCount() const;

private:
    // Owns its socket: closed with the last reference, so that a broadcast holding one never
    // writes to a closed (or reused) descriptor.
    struct Client {
        explicit Client(int f) : fd(f) {}
        ~Client();
        Client(const Client&) = delete;
        Client& operator=(const Client&) = delete;
        const int fd;
        std::set<int> offsets;
        std::mutex sending;  // one writer at a time, so lines from two threads never mix
    };

    void Accept();
    void Serve(std::shared_ptr<Client> client);
    void HandleLine(const std::shared_ptr<Client>& client, const std::string& line);
    // Writes bytes whole, after any other thread's write to the same client.
    static void SendRaw(Client& client, std::string_view bytes, bool bytewise = false);
    static void SendTo(Client& client, const std::string& line);
    void Broadcast(const std::string& line);
    void KeepAlive();
    void Announce();
    bool WaitFor(const std::function<bool()>& ready, long long timeoutMs);

    IocpOptions options_;
    int port_ = 0;
    int listen_ = -1;
    int controlListen_ = -1;
    int announceFd_ = -1;
    std::string announcePath_;
    std::string controlPath_;
    std::atomic<bool> running_{false};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, int> values_;
    std::vector<std::shared_ptr<Client>> clients_;
    std::vector<int> controlFds_;
    std::vector<std::string> received_;
    std::vector<int64_t> receivedAt_;  // steady-clock nanoseconds, for latency measurements
    std::unordered_map<std::string, size_t> lastIndex_;  // of each line in received_
    bool dropAtRegistration_ = false;  // the next registration's link is cut in its answer
    std::function<void(const std::string&)> lineHook_;

    std::vector<std::thread> acceptThreads_;
    std::vector<std::thread> threads_;
};

}  // namespace orva::sim
