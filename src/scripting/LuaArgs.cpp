#include "scripting/LuaArgs.h"

#include <cmath>
#include <limits>

#include "platform/Text.h"

namespace orva {

void RaiseScriptError(lua_State* L, const char* message) {
    lua_Debug ar{};
    int line = -1;
    if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "nSl", &ar)) line = ar.currentline;
    lua_pushfstring(L, "[%d]: %s", line, message);
    lua_error(L);
    std::abort();  // lua_error does not return
}

void CheckArgCount(lua_State* L, int expected, const char* message) {
    if (lua_gettop(L) != expected) RaiseScriptError(L, message);
}

void CheckArgCount(lua_State* L, int min, int max, const char* message) {
    const int n = lua_gettop(L);
    if (n < min || n > max) RaiseScriptError(L, message);
}

int64_t ArgInteger(lua_State* L, int index) {
    int ok = 0;
    const lua_Integer value = lua_tointegerx(L, index, &ok);
    return ok ? static_cast<int64_t>(value) : 0;
}

double ArgNumber(lua_State* L, int index) {
    int ok = 0;
    const lua_Number value = lua_tonumberx(L, index, &ok);
    return ok ? static_cast<double>(value) : 0.0;
}

std::string ArgText(lua_State* L, int index) {
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER) return {};
    size_t len = 0;
    // A copy first, so that a number argument is not turned into a string in its slot.
    lua_pushvalue(L, index);
    const char* text = lua_tolstring(L, -1, &len);
    std::string result(text, len);
    lua_pop(L, 1);
    return result;
}

std::u16string ArgTextWide(lua_State* L, int index) {
    return FromAnsi(ArgText(L, index));
}

bool ArgSwitch(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TBOOLEAN) return lua_toboolean(L, index) != 0;
    return ArgInteger(L, index) != 0;
}

bool ArgTruth(lua_State* L, int index) {
    return lua_toboolean(L, index) != 0;
}

int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(value);
    if (t <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (t >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(t);
}

}  // namespace orva
