// orva.display: runs of 7-segment digits and the cockpit formats drawn on them.
#include "card/OrvaCard.h"
#include "scripting/CardScriptFunctions.h"
#include "scripting/LuaArgs.h"

namespace orva {
namespace {

// The display functions reach their display through slot (id - 1) modulo 256. Unsigned, so
// that the lowest integer a script can pass does not overflow (256 divides 2^64).
int64_t SlotId(int64_t id) {
    return static_cast<int64_t>((static_cast<uint64_t>(id) - 1) % 256) + 1;
}

int32_t Low32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// The four fixed formats: count test, the id and an integer value, the renderer if the
// display exists; 1 either way.
template <void (CCardDisplay::*Render)(int32_t)>
int ShowNumber(lua_State* L, const char* countMessage) {
    CheckArgCount(L, 2, countMessage);
    const int64_t id = SlotId(ArgInteger(L, 1));
    const int32_t value = Low32(ArgInteger(L, 2));
    if (COrvaCard* card = ScriptCard(L)) {
        card->WithDisplay(id, [value](CCardDisplay& d) { (d.*Render)(value); });
    }
    lua_pushinteger(L, 1);
    return 1;
}

}  // namespace

int DisplayCreate(lua_State* L) {
    CheckArgCount(L, 2, "orva.display.create: incorrect number of arguments.");
    const int64_t first = ArgInteger(L, 1);
    const int64_t last = ArgInteger(L, 2);
    COrvaCard* card = ScriptCard(L);
    lua_pushinteger(L, card ? card->CreateDisplay(first, last) : 0);
    return 1;
}

int DisplaySwitch(lua_State* L) {
    CheckArgCount(L, 2, "orva.display.switch: incorrect number of arguments.");
    const int64_t id = SlotId(ArgInteger(L, 1));
    const bool on = ArgSwitch(L, 2);
    if (COrvaCard* card = ScriptCard(L)) {
        card->WithDisplay(id, [on](CCardDisplay& d) {
            d.SetOn(on);
            d.Refresh();
        });
    }
    lua_pushinteger(L, 1);
    return 1;
}

int DisplayBlinkingGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.display.blinking.get: incorrect number of arguments.");
    const int64_t id = ArgInteger(L, 1);
    const COrvaCard* card = ScriptCard(L);
    lua_pushboolean(L, card && card->IsDisplayBlinking(id));
    return 1;
}

int DisplayBlinkingSet(lua_State* L) {
    CheckArgCount(L, 2, "orva.display.blinking.set: incorrect number of arguments.");
    const int64_t id = ArgInteger(L, 1);
    const bool on = ArgSwitch(L, 2);
    if (COrvaCard* card = ScriptCard(L)) card->SetDisplayBlinking(id, on);
    lua_pushboolean(L, on);
    return 1;
}

int DisplayShowHdg(lua_State* L) {
    return ShowNumber<&CCardDisplay::ShowHeading>(
        L, "orva.display.hdg: incorrect number of arguments.");
}

int DisplayShowIas(lua_State* L) {
    return ShowNumber<&CCardDisplay::ShowSpeed>(L,
                                                "orva.display.ias: incorrect number of arguments.");
}

int DisplayShowVs(lua_State* L) {
    return ShowNumber<&CCardDisplay::ShowSpeed>(L,
                                                "orva.display.vs: incorrect number of arguments.");
}

int DisplayShowFrq(lua_State* L) {
    return ShowNumber<&CCardDisplay::ShowFrequency>(
        L, "orva.display.frq: incorrect number of arguments.");
}

int DisplayShowUsr(lua_State* L) {
    CheckArgCount(L, 3, "orva.display.usr: incorrect number of arguments.");
    const int64_t id = SlotId(ArgInteger(L, 1));
    const std::u16string format = ArgTextWide(L, 2);
    const double value = ArgNumber(L, 3);
    COrvaCard* card = ScriptCard(L);
    int result = 2;
    if (card) {
        result = card->ShowUsr(id, format, value);
    } else if (!IsDisplayNumberFormat(ReplaceForSegments(format))) {
        result = 1;
    }
    if (result == 1) RaiseScriptError(L, "orva.display.usr: format error.");
    if (result == 2) RaiseScriptError(L, "orva.display.usr: incorrect Display ID.");
    lua_pushinteger(L, 1);
    return 1;
}

}  // namespace orva
