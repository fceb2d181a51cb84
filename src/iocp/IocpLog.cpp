#include "iocp/IocpLog.h"

#include <cstdio>
#include <mutex>

#include "platform/Text.h"

namespace orva {

void IocpLog(std::u16string_view entry) {
    static std::mutex lock;  // several clients log from their own threads
    const std::string bytes = ToAnsi(entry);
    std::lock_guard guard(lock);
    if (FILE* f = std::fopen("iocpclient.log", "a+")) {
        std::fputs(bytes.c_str(), f);
        std::fclose(f);
    }
}

}  // namespace orva
