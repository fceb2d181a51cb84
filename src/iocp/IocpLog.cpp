#include "iocp/IocpLog.h"

#include <cstdio>
#include <mutex>
#include <system_error>

#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {

std::filesystem::path IocpLogFile() {
    return StateFolder() / "iocpclient.log";
}

std::string IocpLogLine(std::u16string_view entry, std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S ", &local);
    return stamp + ToAnsi(entry);
}

void IocpLog(std::u16string_view entry) {
    static std::mutex lock;  // several clients log from their own threads
    const std::string line = IocpLogLine(entry, std::time(nullptr));
    const std::filesystem::path file = IocpLogFile();
    std::lock_guard guard(lock);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (FILE* f = std::fopen(file.c_str(), "a")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

}  // namespace orva
