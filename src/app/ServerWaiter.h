// Waits for the IOCP servers to come back after a lost link: every 2 seconds, on a thread of
// its own, it asks each server whether it takes a connection, and posts what it found.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/Notify.h"

namespace orva {

class CServerWaiter {
public:
    struct Server {
        std::string address;  // empty: found by the plug-and-play module at the connect
        int port = 0;
    };
    static constexpr int kPeriodMs = 2000;

    // Posts message with wParam the index of the first server that did not answer, or -1 when
    // every one did, after each round; the first round starts at once.
    CServerWaiter(CNotify& notify, uint32_t message, std::vector<Server> servers);
    // Stops at once, a round in progress included.
    ~CServerWaiter();
    CServerWaiter(const CServerWaiter&) = delete;
    CServerWaiter& operator=(const CServerWaiter&) = delete;

private:
    void Run();
    int64_t FirstSilent() const;
    bool Stopping() const;

    CNotify& notify_;
    const uint32_t message_;
    const std::vector<Server> servers_;
    int stopFd_ = -1;  // readable once stopping: wakes a connect in progress and the pause
    std::thread thread_;
};

}  // namespace orva
