#include "card/HidapiBackend.h"

#include <hidapi.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <type_traits>

#include "card/VirtualBoard.h"

namespace orva {
namespace {

constexpr uint16_t kOrvaVendor = 0x04D8;
constexpr size_t kHidReportLength = 65;

std::u16string FromWide(const wchar_t* text) {
    std::u16string out;
    if (!text) return out;
    for (; *text; ++text) {
        const auto c = static_cast<uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(*text));
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

class CHidapiDevice final : public IHidDevice {
public:
    explicit CHidapiDevice(hid_device* device) : device_(device) {}
    ~CHidapiDevice() override { hid_close(device_); }

    // hidraw leaves out the report id of boards without numbered reports; the wire layout we
    // keep has it at byte 0, so it is put back.
    int Read(uint8_t* buffer, size_t capacity, int timeoutMs) override {
        if (capacity < 2) return Fail(EINVAL);
        errno = 0;
        const int n = hid_read_timeout(device_, buffer + 1, capacity - 1, timeoutMs);
        // A signal that cut the wait short is no failure: the reports stay in the buffer.
        if (n < 0 && errno == EINTR) return 0;
        if (n < 0) return Fail(errno ? errno : EIO);
        if (n == 0) return 0;
        buffer[0] = 0;
        return n + 1;
    }

    int Write(const uint8_t* report, size_t length) override {
        const int n = hid_write(device_, report, length);
        return n < 0 ? Fail(errno ? errno : EIO) : n;
    }

    size_t InputReportLength() const override { return kHidReportLength; }
    int ErrorCode() const override { return error_.load(std::memory_order_relaxed); }

private:
    int Fail(int code) {
        error_.store(code, std::memory_order_relaxed);
        return -1;
    }
    hid_device* device_;
    // Written by the reader's failed reads and by failed writes of other threads.
    std::atomic<int> error_{0};
};

}  // namespace

std::u16string ClampSerial(std::u16string serial) {
    if (serial.size() > 31) serial.resize(31);
    return serial;
}

CHidapiBackend::CHidapiBackend() {
    hid_init();
}

CHidapiBackend::~CHidapiBackend() = default;  // hid_exit would pull the rug from other users

std::vector<HidDeviceInfo> CHidapiBackend::Enumerate() {
    std::vector<HidDeviceInfo> devices;
    hid_device_info* list = hid_enumerate(kOrvaVendor, 0);
    for (const hid_device_info* d = list; d; d = d->next) {
        devices.push_back({d->path ? d->path : "", d->vendor_id, d->product_id,
                           ClampSerial(FromWide(d->serial_number)), FromWide(d->product_string)});
    }
    hid_free_enumeration(list);
    return devices;
}

std::unique_ptr<IHidDevice> CHidapiBackend::Open(const std::string& path) {
    hid_device* device = hid_open_path(path.c_str());
    if (!device) return nullptr;
    return std::make_unique<CHidapiDevice>(device);
}

bool CHidapiBackend::Owns(const std::string& path) const {
    return path.rfind(kVirtualPathPrefix, 0) != 0;
}

CCompositeHidBackend::CCompositeHidBackend() {
    backends_.push_back(std::make_unique<CHidapiBackend>());
    backends_.push_back(std::make_unique<CVirtualHidBackend>());
}

std::vector<HidDeviceInfo> CCompositeHidBackend::Enumerate() {
    std::vector<HidDeviceInfo> all;
    for (auto& backend : backends_) {
        auto devices = backend->Enumerate();
        all.insert(all.end(), devices.begin(), devices.end());
    }
    return all;
}

std::unique_ptr<IHidDevice> CCompositeHidBackend::Open(const std::string& path) {
    for (auto& backend : backends_) {
        if (backend->Owns(path)) return backend->Open(path);
    }
    return nullptr;
}

bool CCompositeHidBackend::Owns(const std::string& path) const {
    for (const auto& backend : backends_) {
        if (backend->Owns(path)) return true;
    }
    return false;
}

}  // namespace orva
