// Registration lists: dotted names with a function, or without one for a namespace level.
#pragma once

#include <span>

#include "scripting/Lua.h"

namespace orva {

struct LuaEntry {
    const char* name;
    lua_CFunction function;  // nullptr: a level (a table) that the following entries fill
};

// One list per namespace, in registration order, and the global functions.
std::span<const LuaEntry> IocpEntries();
std::span<const LuaEntry> OrvaEntries();
std::span<const LuaEntry> EventEntries();
std::span<const LuaEntry> ConvertEntries();
std::span<const LuaEntry> GlobalFunctionEntries();

}  // namespace orva
