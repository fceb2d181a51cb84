// Tells the owner thread when boards come or go: hidraw devices through udev, simulated boards
// through their folder.
#pragma once

#include <thread>

#include "platform/Notify.h"

struct udev;
struct udev_monitor;

namespace orva {

// Posts one WM_DEVICECHANGE per burst of changes. Waits on the kernel's notifications; it
// never polls.
class CDeviceWatcher {
public:
    explicit CDeviceWatcher(CNotify& target);
    ~CDeviceWatcher();
    CDeviceWatcher(const CDeviceWatcher&) = delete;
    CDeviceWatcher& operator=(const CDeviceWatcher&) = delete;

private:
    void Run(std::stop_token stop);

    CNotify& target_;
    int stopFd_ = -1;
    // Made before the thread starts, so a change right after construction is never missed.
    ::udev* udev_ = nullptr;
    ::udev_monitor* monitor_ = nullptr;
    int udevFd_ = -1;
    int inotifyFd_ = -1;
    std::jthread thread_;
};

// The wParam of WM_DEVICECHANGE that says the set of devices changed.
inline constexpr int64_t DBT_DEVNODES_CHANGED = 0x0007;

}  // namespace orva
