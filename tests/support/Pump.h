// Runs a test's notification queue on the test's own thread until what it waits for has come.
#pragma once

#include <chrono>
#include <functional>

#include "platform/Notify.h"

namespace orva::test {

// False when pred still fails after timeout.
inline bool PumpUntil(CNotify& notify, const std::function<bool()>& pred,
                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        notify.WaitAndProcess(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace orva::test
