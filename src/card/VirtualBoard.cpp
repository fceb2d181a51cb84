#include "card/VirtualBoard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace orva {
namespace {

constexpr size_t kHidReportLength = 65;

class CVirtualHidDevice final : public IHidDevice {
public:
    explicit CVirtualHidDevice(int fd) : fd_(fd) {}
    ~CVirtualHidDevice() override { ::close(fd_); }

    int Read(uint8_t* buffer, size_t capacity, int timeoutMs) override {
        // One blocking receive with the socket's own time-out: a report wakes the reader
        // straight into it, without a poll before.
        const int wait = timeoutMs < 0 ? -1 : timeoutMs;  // -1: no time-out
        if (wait != 0 && wait != timeoutMs_) {
            const timeval tv{wait < 0 ? 0 : wait / 1000, wait < 0 ? 0 : (wait % 1000) * 1000};
            if (::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv)) != 0)
                return Fail(errno);
            timeoutMs_ = wait;
        }
        const ssize_t n = ::recv(fd_, buffer, capacity, wait == 0 ? MSG_DONTWAIT : 0);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) return Fail(ENODEV);  // the board went away
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
        return Fail(errno);
    }

    int Write(const uint8_t* report, size_t length) override {
        const ssize_t n = ::send(fd_, report, length, MSG_NOSIGNAL);
        if (n < 0) return Fail(errno == EPIPE || errno == ECONNRESET ? ENODEV : errno);
        return static_cast<int>(n);
    }

    size_t InputReportLength() const override { return kHidReportLength; }
    int ErrorCode() const override { return error_.load(std::memory_order_relaxed); }

private:
    int Fail(int code) {
        error_.store(code, std::memory_order_relaxed);
        return -1;
    }
    int fd_;
    int timeoutMs_ = -1;  // of the socket's receive; only the reader reads
    // Written by the reader's failed reads and by failed writes of other threads.
    std::atomic<int> error_{0};
};

std::string Hex4(uint16_t v) {
    char buf[8];
    std::snprintf(buf, sizeof(buf), "%04x", v);
    return buf;
}

// True when someone holds the info file's lock, i.e. its board is alive.
bool IsHeld(const std::filesystem::path& info) {
    const int fd = ::open(info.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace

std::filesystem::path VirtualBoardFolder() {
    auto folder = RuntimeFolder() / "boards";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string FormatBoardInfo(const HidDeviceInfo& info) {
    return "vendor=" + Hex4(info.vendor) + "\nproduct=" + Hex4(info.product) +
           "\nserial=" + ToUtf8(info.serial) + "\nproduct_text=" + ToUtf8(info.productText) + "\n";
}

std::optional<HidDeviceInfo> ParseBoardInfo(const std::string& text) {
    HidDeviceInfo info;
    bool vendor = false;
    bool product = false;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "vendor" || key == "product") {
            char* end = nullptr;
            const unsigned long v = std::strtoul(value.c_str(), &end, 16);
            if (end == value.c_str() || *end != '\0' || v > 0xFFFF) return std::nullopt;
            (key == "vendor" ? info.vendor : info.product) = static_cast<uint16_t>(v);
            (key == "vendor" ? vendor : product) = true;
        } else if (key == "serial") {
            info.serial = ClampSerial(FromUtf8(value));
        } else if (key == "product_text") {
            info.productText = FromUtf8(value);
        }
    }
    if (!vendor || !product) return std::nullopt;
    return info;
}

std::vector<HidDeviceInfo> CVirtualHidBackend::Enumerate() {
    std::vector<std::filesystem::path> infos;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(VirtualBoardFolder(), ec)) {
        if (entry.path().extension() == ".info") infos.push_back(entry.path());
    }
    std::sort(infos.begin(), infos.end());  // a stable order: the order the boards appear in lists
    std::vector<HidDeviceInfo> devices;
    for (const auto& path : infos) {
        if (!IsHeld(path)) continue;
        const auto text = ReadWholeFile(path);
        if (!text) continue;
        auto info = ParseBoardInfo(*text);
        if (!info) continue;
        info->path =
            kVirtualPathPrefix + std::filesystem::path(path).replace_extension(".sock").string();
        devices.push_back(std::move(*info));
    }
    return devices;
}

std::unique_ptr<IHidDevice> CVirtualHidBackend::Open(const std::string& path) {
    if (!Owns(path)) return nullptr;
    const std::string socketPath = path.substr(std::strlen(kVirtualPathPrefix));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(addr.sun_path)) return nullptr;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<CVirtualHidDevice>(fd);
}

bool CVirtualHidBackend::Owns(const std::string& path) const {
    return path.rfind(kVirtualPathPrefix, 0) == 0;
}

}  // namespace orva
