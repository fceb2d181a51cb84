#include "ui/text/RepositoryDownload.h"

#include <system_error>

#include "app/Download.h"
#include "ui/text/Repository.h"

namespace orva {

CRepositoryDownload::CRepositoryDownload(std::string url, std::filesystem::path cache,
                                         Reports reports)
    : url_(std::move(url)), cache_(std::move(cache)), reports_(std::move(reports)) {}

void CRepositoryDownload::Start() {
    if (worker_.joinable()) return;
    worker_ = std::thread([this, stop = stop_.get_token()] {
        const Outcome outcome = Run(stop);
        if (reports_.finished) reports_.finished(outcome);
    });
}

CRepositoryDownload::~CRepositoryDownload() {
    Stop();
    Wait();
}

void CRepositoryDownload::Stop() {
    stop_.request_stop();
}

void CRepositoryDownload::Wait() {
    if (worker_.joinable()) worker_.join();
}

CRepositoryDownload::Outcome CRepositoryDownload::Run(const std::stop_token& stop) const {
    const std::filesystem::path file = MakeRepositoryDownloadFile();
    if (file.empty()) return Outcome::Failed;
    int64_t shownReceived = -1;
    int64_t shownTotal = -1;
    const DownloadResult result =
        Download(url_, file, kTimeoutMs, [&](int64_t received, int64_t total) {
            if (stop.stop_requested()) return false;
            if ((received != shownReceived || total != shownTotal) && reports_.progress) {
                shownReceived = received;
                shownTotal = total;
                reports_.progress(received, total);
            }
            return true;
        });
    // Stopped after the last byte: the user chose to keep the list as it is, so the cache stays.
    if (result != DownloadResult::Ok || stop.stop_requested()) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        return result == DownloadResult::Failed ? Outcome::Failed : Outcome::Cancelled;
    }
    return InstallRepositoryDownload(file, cache_) == CacheUpdate::Replaced ? Outcome::Replaced
                                                                            : Outcome::Failed;
}

}  // namespace orva
