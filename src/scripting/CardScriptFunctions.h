// The functions of the orva namespace, by family; the registration list is in CardFunctions.cpp.
#pragma once

#include "scripting/Lua.h"

namespace orva {

class COrvaCard;
COrvaCard* ScriptCard(lua_State* L);

int EncoderCreate(lua_State* L);
int EncoderValueSet(lua_State* L);
int EncoderValueGet(lua_State* L);
int EncoderLimitsSet(lua_State* L);

int DisplayCreate(lua_State* L);
int DisplaySwitch(lua_State* L);
int DisplayBlinkingGet(lua_State* L);
int DisplayBlinkingSet(lua_State* L);
int DisplayShowHdg(lua_State* L);
int DisplayShowIas(lua_State* L);
int DisplayShowVs(lua_State* L);
int DisplayShowFrq(lua_State* L);
int DisplayShowUsr(lua_State* L);

}  // namespace orva
