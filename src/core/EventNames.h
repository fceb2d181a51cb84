// Names of event types, and the test that keeps event names that are no Lua identifiers
// unpublished.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/ServerRecord.h"

namespace orva {

// True when the name holds a character of the marked set anywhere in it: such a name is tinted
// in the events list and is not published to the scripts (it could not be written as a Lua
// name there). An empty name counts as marked too.
bool IsMarkedEventName(std::u16string_view name);

// The 16 type names: 0-5 fixed, 6-15 "UNKNWN IOCP" until a connect names them after the servers.
class CEventTypeNames {
public:
    static constexpr size_t kCount = 16;

    CEventTypeNames();
    const std::u16string& Name(size_t type) const;
    // Entry 6 + i becomes "<ALIAS> OFFSET" for the first ten servers; entries of servers that
    // are no longer in the list keep their last name.
    void NameServers(const ServerList& servers);
    // The names as the events list builds them from a server list, without changing this table.
    static std::u16string ServerTypeName(std::u16string_view alias);

private:
    std::array<std::u16string, kCount> names_;
};

}  // namespace orva
