// One IOCP server of the server list: its alias, its address text and its port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct ServerRecord {
    // The address that asks the plug-and-play module to find the server.
    static constexpr std::u16string_view kLookupAddress = u"255.255.255.255";
    static constexpr int32_t kDefaultPort = 8090;

    std::u16string alias = u"P3D";
    std::u16string address = std::u16string(kLookupAddress);
    int32_t port = kDefaultPort;

    // Empty or 255.255.255.255: the server is looked for with the plug-and-play module.
    bool NeedsLookup() const { return address.empty() || address == kLookupAddress; }
    bool operator==(const ServerRecord&) const = default;
};

using ServerList = std::vector<ServerRecord>;

}  // namespace orva
