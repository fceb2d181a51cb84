#include "app/DeviceWatcher.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>

#include "card/VirtualBoard.h"

namespace orva {
namespace {

constexpr int kSettleMs = 50;  // one notification for the several events of one plug

}  // namespace

CDeviceWatcher::CDeviceWatcher(CNotify& target)
    : target_(target), stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    udev_ = ::udev_new();
    monitor_ = udev_ ? ::udev_monitor_new_from_netlink(udev_, "udev") : nullptr;
    if (monitor_ &&
        ::udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) == 0 &&
        ::udev_monitor_enable_receiving(monitor_) == 0) {
        udevFd_ = ::udev_monitor_get_fd(monitor_);
    }
    inotifyFd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotifyFd_ >= 0) {
        ::inotify_add_watch(inotifyFd_, VirtualBoardFolder().c_str(),
                            IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE);
    }
    thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
}

CDeviceWatcher::~CDeviceWatcher() {
    thread_.request_stop();
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopFd_, &one, sizeof(one));
    if (thread_.joinable()) thread_.join();
    ::close(stopFd_);
    if (inotifyFd_ >= 0) ::close(inotifyFd_);
    if (monitor_) ::udev_monitor_unref(monitor_);
    if (udev_) ::udev_unref(udev_);
}

void CDeviceWatcher::Run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        pollfd fds[3] = {{stopFd_, POLLIN, 0}, {udevFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
        if (::poll(fds, 3, -1) <= 0) continue;
        if (fds[0].revents) break;
        // Let the burst finish, then drain it and say so once.
        ::poll(fds, 1, kSettleMs);
        if (fds[1].revents && monitor_) {
            while (udev_device* d = ::udev_monitor_receive_device(monitor_)) ::udev_device_unref(d);
        }
        if (fds[2].revents) {
            char buf[4096];
            while (::read(inotifyFd_, buf, sizeof(buf)) > 0) {
            }
        }
        target_.Post(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    }
}

}  // namespace orva
