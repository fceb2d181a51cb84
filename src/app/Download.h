// Downloads over http and https with a time-out, a progress report and a cancel. libcurl and
// the TLS libraries behind it (several megabytes) are loaded only when a download runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace orva {

enum class DownloadResult { Ok, Failed, Cancelled };

// Bytes received so far and the total (0 while unknown); false cancels the download.
using DownloadProgress = std::function<bool(int64_t received, int64_t total)>;

// What a download may bring at most: documents of a few kilobytes, with room to grow, and a
// server that streams without end fills neither the disk nor the memory of whoever reads them.
inline constexpr int64_t kDownloadLimitBytes = 8 * 1024 * 1024;

// Downloads url into file within timeoutMs; HTTP errors and a document larger than maxBytes
// count as failures. The file may hold a part of the document after a failure: callers that
// must not keep one download elsewhere.
DownloadResult Download(const std::string& url, const std::filesystem::path& file, long timeoutMs,
                        const DownloadProgress& progress = {},
                        int64_t maxBytes = kDownloadLimitBytes);
inline bool DownloadToFile(const std::string& url, const std::filesystem::path& file,
                           long timeoutMs) {
    return Download(url, file, timeoutMs) == DownloadResult::Ok;
}

}  // namespace orva
