#include "app/ServerWaiter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "iocp/IocpClient.h"

namespace orva {

CServerWaiter::CServerWaiter(CNotify& notify, uint32_t message, std::vector<Server> servers)
    : notify_(notify),
      message_(message),
      servers_(std::move(servers)),
      stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    thread_ = std::thread([this] { Run(); });
}

CServerWaiter::~CServerWaiter() {
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(stopFd_, &one, sizeof(one));
    thread_.join();
    ::close(stopFd_);
}

bool CServerWaiter::Stopping() const {
    pollfd p{stopFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

int64_t CServerWaiter::FirstSilent() const {
    for (size_t i = 0; i < servers_.size(); ++i) {
        const Server& s = servers_[i];
        // A server the module finds is asked for at the connect itself.
        if (s.address.empty()) continue;
        if (!ServerAccepts(s.address, s.port, kPeriodMs, stopFd_)) return static_cast<int64_t>(i);
    }
    return -1;
}

void CServerWaiter::Run() {
    for (;;) {
        const int64_t silent = FirstSilent();
        if (Stopping()) return;
        notify_.Post(message_, silent, 0);
        // The pause between rounds, which the stop cuts short.
        pollfd p{stopFd_, POLLIN, 0};
        if (::poll(&p, 1, kPeriodMs) != 0) return;
    }
}

}  // namespace orva
