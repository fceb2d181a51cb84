// The orva namespace: the board's inputs, outputs, analog channels and servos.
#include "card/OrvaCard.h"
#include "card/PinIds.h"
#include "scripting/CardScriptFunctions.h"
#include "scripting/LuaArgs.h"
#include "scripting/Registration.h"
#include "scripting/ScriptContext.h"

namespace orva {

COrvaCard* ScriptCard(lua_State* L) {
    return GetContext(L).services.card;
}

namespace {

int InStateGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.in.state.get: incorrect number of arguments.");
    const int64_t pin = ArgInteger(L, 1);
    const COrvaCard* card = ScriptCard(L);
    lua_pushinteger(L, card ? card->InputLevel(pin) : 0);
    return 1;
}

int OutStateGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.out.state.get: incorrect number of arguments.");
    const int64_t pin = ArgInteger(L, 1);
    const COrvaCard* card = ScriptCard(L);
    lua_pushboolean(L, card && card->OutputState(pin));
    return 1;
}

int OutStateSet(lua_State* L) {
    CheckArgCount(L, 2, 3, "orva.out.state.set: incorrect number of arguments.");
    const int64_t pin = ArgInteger(L, 1);
    const bool on = ArgSwitch(L, 2);
    const int64_t duration = lua_gettop(L) == 3 ? ArgInteger(L, 3) : 0;
    if (COrvaCard* card = ScriptCard(L)) {
        card->SetOutput(pin, on);
        // A duration the timers refuse (negative, too long) starts no pulse.
        if (duration != 0 && card->IsLinked() && IsIoPin(pin)) {
            card->SchedulePulseEnd(pin, !on, duration);
        }
    }
    lua_pushboolean(L, on);
    return 1;
}

int OutBlinkingGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.out.blinking.get: incorrect number of arguments.");
    const int64_t pin = ArgInteger(L, 1);
    const COrvaCard* card = ScriptCard(L);
    lua_pushboolean(L, card && card->IsOutputBlinking(pin));
    return 1;
}

int OutBlinkingSet(lua_State* L) {
    CheckArgCount(L, 2, "orva.out.blinking.set: incorrect number of arguments.");
    const int64_t pin = ArgInteger(L, 1);
    const bool on = ArgSwitch(L, 2);
    if (COrvaCard* card = ScriptCard(L)) card->SetOutputBlinking(pin, on);
    lua_pushboolean(L, on);
    return 1;
}

int OutStatesSet(lua_State* L) {
    CheckArgCount(L, 1, "orva.out.states.set: incorrect number of arguments.");
    const bool on = ArgSwitch(L, 1);
    if (COrvaCard* card = ScriptCard(L)) card->SetAllOutputs(on);
    lua_pushboolean(L, on);
    return 1;
}

int OutStatesSave(lua_State* L) {
    CheckArgCount(L, 0, "orva.out.states.save: incorrect number of arguments.");
    if (COrvaCard* card = ScriptCard(L)) card->SaveOutputs();
    return 0;
}

int OutStatesRestore(lua_State* L) {
    CheckArgCount(L, 0, "orva.out.states.restore: incorrect number of arguments.");
    if (COrvaCard* card = ScriptCard(L)) card->RestoreOutputs();
    return 0;
}

int AdcValueGet(lua_State* L) {
    CheckArgCount(L, 1, "orva.adc.value.get: incorrect number of arguments.");
    const int64_t channel = ArgInteger(L, 1);
    if (channel < 1 || channel > 8) {
        RaiseScriptError(L, "orva.adc.value.get: the channel parm is out of range. (1-8)");
    }
    const COrvaCard* card = ScriptCard(L);
    lua_pushinteger(L, card ? card->GetAdcValue(channel) : 0);
    return 1;
}

int AdcActiveChannel(lua_State* L) {
    CheckArgCount(L, 2, "orva.adc.channel.set: incorrect number of arguments.");
    const int64_t channel = ArgInteger(L, 1);
    const bool on = ArgTruth(L, 2);
    if (channel < 1 || channel > 8) {
        RaiseScriptError(L, "orva.adc.channel.set: the channel parm is out of range. (1-8)");
    }
    if (COrvaCard* card = ScriptCard(L)) card->SetAdcChannel(channel, on);
    lua_pushboolean(L, on);
    return 1;
}

int AdcActiveChannels(lua_State* L) {
    CheckArgCount(L, 1, "orva.adc.channels.set: incorrect number of arguments.");
    const int64_t mask = ArgInteger(L, 1);
    if (mask < 0 || mask > 255) {
        RaiseScriptError(L, "orva.adc.channels.set: the set parm is out of range.");
    }
    if (COrvaCard* card = ScriptCard(L)) card->SetAdcMask(static_cast<uint16_t>(mask));
    lua_pushnumber(L, static_cast<lua_Number>(mask));
    return 1;
}

int ServoPositionSet(lua_State* L) {
    CheckArgCount(L, 2, "orva.servo.postion.set: incorrect number of arguments.");
    const int64_t channel = ArgInteger(L, 1);
    const int32_t position = TruncateToInt32(ArgNumber(L, 2));
    if (channel < 1 || channel > 8) {
        RaiseScriptError(L, "orva.servo.position.set: the channel parm is out of range. (1-8)");
    }
    if (COrvaCard* card = ScriptCard(L)) {
        card->SetServo(channel, static_cast<uint8_t>(static_cast<uint32_t>(position) & 0xFF));
    }
    lua_pushinteger(L, position);
    return 1;
}

int CalcPinIdFunction(lua_State* L) {
    CheckArgCount(L, 2, "orva.calcpinid: incorrect number of arguments.");
    const PinIdResult r = CalcPinId(ArgInteger(L, 1), ArgInteger(L, 2));
    if (r.error == PinIdError::Addr)
        RaiseScriptError(L, "orva.calcpinid: the ADDR parm is out of range.");
    if (r.error == PinIdError::Io)
        RaiseScriptError(L, "orva.calcpinid: the I/O parm is out of range.");
    lua_pushinteger(L, r.pin);
    return 1;
}

constexpr LuaEntry kOrvaEntries[] = {
    {"orva.calcpinid", CalcPinIdFunction},
    {"orva.din", nullptr},
    {"orva.din.state", nullptr},
    {"orva.din.state.get", InStateGet},
    {"orva.dout", nullptr},
    {"orva.dout.state", nullptr},
    {"orva.dout.state.get", OutStateGet},
    {"orva.dout.state.set", OutStateSet},
    {"orva.dout.blinking", nullptr},
    {"orva.dout.blinking.get", OutBlinkingGet},
    {"orva.dout.blinking.set", OutBlinkingSet},
    {"orva.dout.states", nullptr},
    {"orva.dout.states.set", OutStatesSet},
    {"orva.dout.states.save", OutStatesSave},
    {"orva.dout.states.restore", OutStatesRestore},
    {"orva.adc", nullptr},
    {"orva.adc.value", nullptr},
    {"orva.adc.value.get", AdcValueGet},
    {"orva.adc.active", nullptr},
    {"orva.adc.active.channel", AdcActiveChannel},
    {"orva.adc.active.channels", AdcActiveChannels},
    {"orva.servo", nullptr},
    {"orva.servo.position", nullptr},
    {"orva.servo.position.set", ServoPositionSet},
    {"orva.encoder", nullptr},
    {"orva.encoder.create", EncoderCreate},
    {"orva.encoder.value", nullptr},
    {"orva.encoder.value.set", EncoderValueSet},
    {"orva.encoder.value.get", EncoderValueGet},
    {"orva.encoder.limits", nullptr},
    {"orva.encoder.limits.set", EncoderLimitsSet},
    {"orva.display", nullptr},
    {"orva.display.create", DisplayCreate},
    {"orva.display.switch", DisplaySwitch},
    {"orva.display.blinking", nullptr},
    {"orva.display.blinking.get", DisplayBlinkingGet},
    {"orva.display.blinking.set", DisplayBlinkingSet},
    {"orva.display.show", nullptr},
    {"orva.display.show.hdg", DisplayShowHdg},
    {"orva.display.show.ias", DisplayShowIas},
    {"orva.display.show.vs", DisplayShowVs},
    {"orva.display.show.frq", DisplayShowFrq},
    {"orva.display.show.usr", DisplayShowUsr},
};

}  // namespace

std::span<const LuaEntry> OrvaEntries() {
    return kOrvaEntries;
}

}  // namespace orva
