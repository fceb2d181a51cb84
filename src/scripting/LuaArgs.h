// The argument conventions shared by every script function: the count test and the conversions.
#pragma once

#include <cstdint>
#include <string>

#include "scripting/Lua.h"

namespace orva {

// Raises "[line]: message" with the calling script's current line; never returns.
[[noreturn]] void RaiseScriptError(lua_State* L, const char* message);

// The count test comes before any conversion.
void CheckArgCount(lua_State* L, int expected, const char* message);
void CheckArgCount(lua_State* L, int min, int max, const char* message);

// A Lua integer, an integral float or a string naming one; anything else is 0.
int64_t ArgInteger(lua_State* L, int index);
// A number or a string naming one; anything else is 0.
double ArgNumber(lua_State* L, int index);
// A string, or a number in its string form; anything else is empty. ANSI code page bytes.
std::string ArgText(lua_State* L, int index);
std::u16string ArgTextWide(lua_State* L, int index);
// A boolean as itself, anything else true when its integer conversion is not 0.
bool ArgSwitch(lua_State* L, int index);
// Lua's own truth: only nil and false are false.
bool ArgTruth(lua_State* L, int index);

// Truncates toward zero into the 32-bit range (NaN gives 0), without undefined behaviour.
int32_t TruncateToInt32(double value);

}  // namespace orva
