#include "app/Download.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <fstream>

namespace orva {
namespace {

// The few entry points we use, resolved from the library on the first download.
struct CurlApi {
    CURLcode (*globalInit)(long) = nullptr;
    CURL* (*init)() = nullptr;
    CURLcode (*setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*perform)(CURL*) = nullptr;
    void (*cleanup)(CURL*) = nullptr;
};

template <typename T>
bool Resolve(void* library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(::dlsym(library, name));
    return entry != nullptr;
}

const CurlApi* Curl() {
    static const CurlApi* api = []() -> const CurlApi* {
        void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        static CurlApi loaded;
        if (!Resolve(library, "curl_global_init", loaded.globalInit) ||
            !Resolve(library, "curl_easy_init", loaded.init) ||
            !Resolve(library, "curl_easy_setopt", loaded.setopt) ||
            !Resolve(library, "curl_easy_perform", loaded.perform) ||
            !Resolve(library, "curl_easy_cleanup", loaded.cleanup) ||
            loaded.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            return nullptr;
        }
        return &loaded;  // kept for the life of the process, as libcurl expects
    }();
    return api;
}

struct Transfer {
    std::ofstream out;
    const DownloadProgress* progress = nullptr;
    bool cancelled = false;
    int64_t written = 0;
    int64_t maxBytes = 0;
};

size_t WriteToStream(char* data, size_t size, size_t count, void* transfer) {
    auto* t = static_cast<Transfer*>(transfer);
    const auto bytes = static_cast<int64_t>(size * count);
    // A short count ends the transfer with an error: the document is too large.
    if (t->written + bytes > t->maxBytes) return 0;
    t->written += bytes;
    t->out.write(data, static_cast<std::streamsize>(bytes));
    return size * count;
}

int OnProgress(void* transfer, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(transfer);
    if ((*t->progress)(received, total)) return 0;
    t->cancelled = true;
    return 1;  // non-zero aborts the transfer
}

}  // namespace

DownloadResult Download(const std::string& url, const std::filesystem::path& file, long timeoutMs,
                        const DownloadProgress& progress, int64_t maxBytes) {
    const CurlApi* curl = Curl();
    if (!curl) return DownloadResult::Failed;
    CURL* handle = curl->init();
    if (!handle) return DownloadResult::Failed;
    Transfer transfer;
    transfer.maxBytes = maxBytes;
    transfer.out.open(file, std::ios::binary | std::ios::trunc);
    if (!transfer.out) {
        curl->cleanup(handle);
        return DownloadResult::Failed;
    }
    curl->setopt(handle, CURLOPT_URL, url.c_str());
    curl->setopt(handle, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl->setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl->setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl->setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl->setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl->setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // A server that says the size at once is refused before anything is written.
    curl->setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl->setopt(handle, CURLOPT_WRITEFUNCTION, WriteToStream);
    curl->setopt(handle, CURLOPT_WRITEDATA, &transfer);
    if (progress) {
        transfer.progress = &progress;
        curl->setopt(handle, CURLOPT_NOPROGRESS, 0L);
        curl->setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl->setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    }
    const bool ok = curl->perform(handle) == CURLE_OK;
    curl->cleanup(handle);
    transfer.out.close();
    if (transfer.cancelled) return DownloadResult::Cancelled;
    return ok && transfer.out.good() ? DownloadResult::Ok : DownloadResult::Failed;
}

}  // namespace orva
