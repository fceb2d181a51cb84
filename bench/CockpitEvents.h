// A cockpit's events as an instance has them, for the benchmarks of the editor's names list:
// AFTER CONNECT scripts that build tables of globals, and digital pins, analog channels,
// encoders and offsets with names, a few that cannot be globals and a few disabled.
#pragma once

#include <cstdint>

#include "core/EventTable.h"
#include "platform/Text.h"

namespace orva::bench {

inline constexpr int kCockpitEvents = 150;

inline const char16_t* const kAfterConnect[] = {
    u"Lights = {}\n"
    u"for i = 1, 32 do Lights['L' .. i] = 15 + i end\n"
    u"Annunciators = {master = 40, fire = 41, gear = 42, doors = 43, fuel = 44, hyd = 45}\n",

    u"Radios = {com1 = 11800, com2 = 12150, nav1 = 10800, nav2 = 11030, adf = 350, xpdr = 7000}\n"
    u"Displays = {}\n"
    u"for i = 1, 8 do Displays['D' .. i] = orva.display.create(i * 5 - 4, i * 5) end\n"
    u"Encoders = {hdg = orva.encoder.create(16, 17), alt = orva.encoder.create(18, 19, 4),\n"
    u"            spd = orva.encoder.create(20, 21), vs = orva.encoder.create(22, 23)}\n",

    u"GearDown = false\nFlapsStep = 0\nLastHeading = 0\nPanelName = 'overhead'\n"
    u"function SetLamp(pin, on) orva.dout.state.set(pin, on) end\n"
    u"function ShowFreq(display, value) orva.display.show.frq(display, value) end\n"
    u"function Toggle(pin) SetLamp(pin, not orva.dout.state.get(pin)) end\n",

    u"Offsets = {}\n"
    u"for i = 0, 23 do Offsets['O' .. (0x0300 + i)] = 0 end\n"
    u"Limits = {alt = {low = 0, high = 50000}, hdg = {low = 0, high = 359}}\n",
};

inline void FillCockpitEvents(CEventTable& table) {
    size_t at = 0;
    for (const char16_t* script : kAfterConnect) {
        EventRecord& r = table[at];
        r.type = kEventAfterConnect;
        r.id = 0;
        r.name = Format(u"Start%d", static_cast<int>(at));
        r.script = script;
        ++at;
    }
    static const uint8_t kTypes[] = {kEventDigitalPin, kEventAnalogChannel, kEventEncoder,
                                     kEventFirstIocp};
    for (; at < kCockpitEvents; ++at) {
        EventRecord& r = table[at];
        const int i = static_cast<int>(at);
        r.type = kTypes[at % 4];
        r.id = r.type == kEventFirstIocp ? 0x0300 + i : 16 + i;
        r.name = i % 17 == 0 ? Format(u"Switch %d", i) : Format(u"Switch_%d", i);
        r.script = Format(u"SetLamp(%d, Value == 1)", 16 + i);
        r.disabled = i % 23 == 0;
    }
}

}  // namespace orva::bench
