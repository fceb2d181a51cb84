// The Lua headers of the C++ build of Lua 5.3 (lua_error throws, so destructors run on a raise).
#pragma once

// Deliberately not lua.hpp: its extern "C" would not match the C++-linked library.
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
