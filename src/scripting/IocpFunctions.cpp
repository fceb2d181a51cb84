// The iocp namespace: offsets read and written and event keys sent to a named server.
#include "scripting/Registration.h"

namespace orva {
namespace {

constexpr LuaEntry kIocpEntries[] = {
    {"iocp.offset", nullptr},
    {"iocp.offset.value", nullptr},
    {"iocp.eventkey", nullptr},
};

}  // namespace

std::span<const LuaEntry> IocpEntries() { return kIocpEntries; }

}  // namespace orva
