// The orva namespace: the board's inputs, outputs, analog channels and servos.
#include "scripting/Registration.h"

namespace orva {
namespace {

constexpr LuaEntry kOrvaEntries[] = {
    {"orva.din", nullptr},
    {"orva.din.state", nullptr},
    {"orva.dout", nullptr},
    {"orva.dout.state", nullptr},
    {"orva.dout.blinking", nullptr},
    {"orva.dout.states", nullptr},
    {"orva.adc", nullptr},
    {"orva.adc.value", nullptr},
    {"orva.adc.active", nullptr},
    {"orva.servo", nullptr},
    {"orva.servo.position", nullptr},
    {"orva.encoder", nullptr},
    {"orva.encoder.value", nullptr},
    {"orva.encoder.limits", nullptr},
    {"orva.display", nullptr},
    {"orva.display.blinking", nullptr},
    {"orva.display.show", nullptr},
};

}  // namespace

std::span<const LuaEntry> OrvaEntries() { return kOrvaEntries; }

}  // namespace orva
