// The event and convert namespaces and the global functions print, printnl, cls, mapRange,
// wait and toggle.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/Text.h"
#include "scripting/LuaArgs.h"
#include "scripting/Registration.h"
#include "scripting/ScriptContext.h"

namespace orva {
namespace {

CEventTable* Events(lua_State* L) {
    return GetContext(L).services.events;
}

// The monitor when printing is on, else nothing.
CPrintMonitor* PrintTarget(lua_State* L) {
    CScriptContext& context = GetContext(L);
    return context.printEnabled ? context.services.monitor : nullptr;
}

int EventValueGet(lua_State* L) {
    CheckArgCount(L, 1, "event.value.get: incorrect number of arguments.");
    int32_t value = 0;
    const CEventTable* events = Events(L);
    const int64_t position = ArgInteger(L, 1);
    if (position < 0 || position >= static_cast<int64_t>(CEventTable::kSize)) {
        RaiseScriptError(L, "event.value.get: wrong event ID.");
    }
    if (events) events->ValueAt(position, value);
    lua_pushinteger(L, value);
    return 1;
}

int EventReset(lua_State* L) {
    CheckArgCount(L, 1, "event.reset: incorrect number of arguments.");
    const int64_t position = ArgInteger(L, 1);
    if (position < 0 || position >= static_cast<int64_t>(CEventTable::kSize)) {
        RaiseScriptError(L, "event.reset: wrong event ID.");
    }
    if (CEventTable* events = Events(L)) events->Reset(position);
    lua_pushinteger(L, 1);
    return 1;
}

int EventGetPos(lua_State* L) {
    CheckArgCount(L, 1, "event.getpos: incorrect number of arguments.");
    const CEventTable* events = Events(L);
    lua_pushinteger(L, events ? events->PositionByName(ArgTextWide(L, 1)) : -1);
    return 1;
}

int ConvertInt2Bool(lua_State* L) {
    CheckArgCount(L, 1, "convert.int2bool: incorrect number of arguments.");
    lua_pushboolean(L, ArgInteger(L, 1) != 0);
    return 1;
}

int ConvertBool2Int(lua_State* L) {
    CheckArgCount(L, 1, "convert.bool2int: incorrect number of arguments.");
    lua_pushinteger(L, ArgTruth(L, 1) ? 1 : 0);
    return 1;
}

int ConvertBcd2Int(lua_State* L) {
    CheckArgCount(L, 1, "convert.bcd2int: incorrect number of arguments.");
    // The hexadecimal digits of the low 32 bits, read as far as they are decimal digits.
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%04X", static_cast<uint32_t>(ArgInteger(L, 1)));
    lua_Integer result = 0;
    for (const char* p = hex; *p >= '0' && *p <= '9'; ++p) result = result * 10 + (*p - '0');
    lua_pushinteger(L, result);
    return 1;
}

int ConvertInt2Bcd(lua_State* L) {
    CheckArgCount(L, 1, "convert.bcd2int: incorrect number of arguments.");
    // A 32-bit BCD word holds eight decimal digits: negative values give 0, larger values
    // keep their low eight digits.
    const int64_t n = ArgInteger(L, 1);
    int64_t digits = n < 0 ? 0 : n % 100000000;
    lua_Integer result = 0;
    for (int shift = 0; digits > 0; shift += 4, digits /= 10) {
        result |= static_cast<lua_Integer>(digits % 10) << shift;
    }
    lua_pushinteger(L, result);
    return 1;
}

int Print(lua_State* L) {
    CPrintMonitor* monitor = PrintTarget(L);
    if (!monitor) return 0;
    const int n = lua_gettop(L);
    for (int i = 1; i <= n; ++i) {
        const int type = lua_type(L, i);
        if (type == LUA_TSTRING || type == LUA_TNUMBER) {
            monitor->Append(ArgTextWide(L, i));
        } else if (type == LUA_TBOOLEAN) {
            monitor->Append(lua_toboolean(L, i) ? u"true" : u"false");
        } else {
            monitor->Append(u"unrecoegnized type to print");
        }
    }
    lua_settop(L, 0);
    return 0;
}

int PrintNl(lua_State* L) {
    if (CPrintMonitor* monitor = PrintTarget(L)) monitor->Append(u"\r\n");
    return 0;
}

int Cls(lua_State* L) {
    if (CPrintMonitor* monitor = PrintTarget(L)) monitor->Clear();
    return 0;
}

int MapRange(lua_State* L) {
    CheckArgCount(L, 5, "mapRange: incorrect number of arguments.");
    const double min1 = ArgNumber(L, 1);
    const double max1 = ArgNumber(L, 2);
    const double min2 = ArgNumber(L, 3);
    const double max2 = ArgNumber(L, 4);
    double value = ArgNumber(L, 5);
    if (min1 > value) {
        value = min1;
    } else if (value > max1) {
        value = max1;
    }
    // An empty source range has no scale; it maps everything to the start of the target.
    const double result =
        min1 == max1 ? min2 : (value - min1) / ((max1 - min1) / (max2 - min2)) + min2;
    lua_pushinteger(L, TruncateToInt32(result));
    return 1;
}

int Wait(lua_State* L) {
    CheckArgCount(L, 1, "wait: incorrect number of arguments.");
    const int64_t ms = ArgInteger(L, 1);
    // A negative time would sleep without end; it waits not at all.
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<uint32_t>(ms)));
    lua_pushinteger(L, 1);
    return 1;
}

int Toggle(lua_State* L) {
    CheckArgCount(L, 1, "toggle: incorrect number of arguments.");
    lua_pushinteger(L, ArgInteger(L, 1) != 0 ? 0 : 1);
    return 1;
}

constexpr LuaEntry kEventEntries[] = {
    {"event.getpos", EventGetPos},
    {"event.reset", EventReset},
    {"event.value", nullptr},
    {"event.value.get", EventValueGet},
};

constexpr LuaEntry kConvertEntries[] = {
    {"convert.int2bool", ConvertInt2Bool},
    {"convert.bool2int", ConvertBool2Int},
    {"convert.bcd2int", ConvertBcd2Int},
    {"convert.int2bcd", ConvertInt2Bcd},
};

constexpr LuaEntry kGlobalEntries[] = {
    {"print", Print},       {"printnl", PrintNl}, {"cls", Cls},
    {"mapRange", MapRange}, {"wait", Wait},       {"toggle", Toggle},
};

}  // namespace

std::span<const LuaEntry> EventEntries() {
    return kEventEntries;
}
std::span<const LuaEntry> ConvertEntries() {
    return kConvertEntries;
}
std::span<const LuaEntry> GlobalFunctionEntries() {
    return kGlobalEntries;
}

}  // namespace orva
