// The contract between the virtual back-end and the simulated boards (orvasim board): where a
// board announces itself and how its socket carries reports.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "card/HidBackend.h"

namespace orva {

// A board announces itself with "<name>.info" (vendor, product, serial, product text) beside
// its socket "<name>.sock" in this folder, and holds an exclusive lock on the info file for its
// life: an info file nobody holds belongs to a board that is gone.
std::filesystem::path VirtualBoardFolder();
inline constexpr const char* kVirtualPathPrefix = "virtual:";

// The info file's text and its parse.
std::string FormatBoardInfo(const HidDeviceInfo& info);
std::optional<HidDeviceInfo> ParseBoardInfo(const std::string& text);

// The virtual back-end: boards of orvasim, reached over SOCK_SEQPACKET Unix sockets, one
// report per message.
class CVirtualHidBackend final : public IHidBackend {
public:
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<IHidDevice> Open(const std::string& path) override;
    bool Owns(const std::string& path) const override;
};

}  // namespace orva
