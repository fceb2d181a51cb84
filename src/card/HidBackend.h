// The HID transport behind the board object: enumerate, open, blocking read and write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva {

struct HidDeviceInfo {
    std::string path;  // names the back-end that owns it ("virtual:..." or a hidraw path)
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::u16string serial;  // at most 31 characters, as the board's string descriptor is read
    std::u16string productText;
};

// An opened device. Reports keep the wire layout: byte 0 is the report id 0.
class IHidDevice {
public:
    virtual ~IHidDevice() = default;
    // One input report into buffer: its length, 0 when the timeout passed, -1 on failure
    // (ErrorCode tells why).
    virtual int Read(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;
    // Bytes written, or -1 on failure.
    virtual int Write(const uint8_t* report, size_t length) = 0;
    virtual size_t InputReportLength() const = 0;
    virtual int ErrorCode() const = 0;
};

class IHidBackend {
public:
    virtual ~IHidBackend() = default;
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Opened for reading and writing; nothing when that fails.
    virtual std::unique_ptr<IHidDevice> Open(const std::string& path) = 0;
    virtual bool Owns(const std::string& path) const = 0;
};

// The serial string as the board's string descriptor is read: at most 31 characters.
std::u16string ClampSerial(std::u16string serial);

}  // namespace orva
