// orva.encoder: encoders made of two input pins, their counts and limits.
#include "card/OrvaCard.h"
#include "platform/Text.h"
#include "scripting/CardScriptFunctions.h"
#include "scripting/LuaArgs.h"

namespace orva {
namespace {

// The card keeps 32-bit counts: the low 32 bits of the script's integer.
int32_t Low32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

bool IsEncoderId(int64_t id) {
    return id >= 1 && id <= 256;
}

}  // namespace

int EncoderCreate(lua_State* L) {
    CheckArgCount(L, 2, 3, "orva.enconder.create: incorrect number of arguments.");
    const int64_t pinA = ArgInteger(L, 1);
    const int64_t pinB = ArgInteger(L, 2);
    const int64_t step = lua_gettop(L) == 3 ? ArgInteger(L, 3) : 1;
    COrvaCard* card = ScriptCard(L);
    lua_pushinteger(L, card ? card->CreateEncoder(pinA, pinB, step) : 0);
    return 1;
}

int EncoderValueGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.encoder.position.get: incorrect number of arguments.");
    const int64_t id = ArgInteger(L, 1);
    if (!IsEncoderId(id)) {
        RaiseScriptError(L, "orva.encoder.position.get: the encoder parm is out of range. (1-256)");
    }
    int32_t value = 0;
    if (COrvaCard* card = ScriptCard(L)) card->GetEncoderValue(id, value);
    lua_pushinteger(L, value);
    return 1;
}

int EncoderValueSet(lua_State* L) {
    CheckArgCount(L, 2, "orva.encoder.position.set: incorrect number of arguments.");
    const int64_t id = ArgInteger(L, 1);
    const int64_t value = ArgInteger(L, 2);
    if (!IsEncoderId(id)) {
        RaiseScriptError(L,
                         "orva.enconder.position.set: the encoder parm is out of range. (1-256)");
    }
    COrvaCard* card = ScriptCard(L);
    if (!card || !card->SetEncoderValue(id, Low32(value))) {
        RaiseScriptError(
            L, ToAnsi(Format(u"orva.setEncoderPosition: Encoder %d not defined.", id)).c_str());
    }
    lua_pushinteger(L, value);
    return 1;
}

int EncoderLimitsSet(lua_State* L) {
    CheckArgCount(L, 4, "orva.encoder.limits.set: incorrect number of arguments.");
    const int64_t id = ArgInteger(L, 1);
    const int64_t low = ArgInteger(L, 2);
    const int64_t high = ArgInteger(L, 3);
    const bool cyclic = ArgTruth(L, 4);
    if (!IsEncoderId(id)) {
        RaiseScriptError(L, "orva.encoder.limits.set: the encoder parm is out of range. (1-256)");
    }
    COrvaCard* card = ScriptCard(L);
    if (!card || !card->SetEncoderLimits(id, Low32(low), Low32(high), cyclic)) {
        RaiseScriptError(
            L, ToAnsi(Format(u"orva.encoder.limits.set: Encoder %d not defined.", id)).c_str());
    }
    lua_pushinteger(L, 1);
    return 1;
}

}  // namespace orva
