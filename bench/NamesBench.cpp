// The script editor's names list refresh for a realistic instance (150 named events, AFTER
// CONNECT scripts that build tables of globals), beside the cost of one bare script state.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/NamesList.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

using namespace orva;

namespace {

constexpr int kEvents = 150;
constexpr int kPerRun = 20;  // operations per timed run, to stay well above the clock's grain
constexpr int kRuns = 30;

const char16_t* const kAfterConnect[] = {
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

// Digital pins, analog channels, encoders and offsets of one server, with a few names that
// cannot be globals and a few disabled events, as a cockpit's list has them.
void FillEvents(CEventTable& table) {
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
    for (; at < kEvents; ++at) {
        EventRecord& r = table[at];
        const int i = static_cast<int>(at);
        r.type = kTypes[at % 4];
        r.id = r.type == kEventFirstIocp ? 0x0300 + i : 16 + i;
        r.name = i % 17 == 0 ? Format(u"Switch %d", i) : Format(u"Switch_%d", i);
        r.script = Format(u"SetLamp(%d, Value == 1)", 16 + i);
        r.disabled = i % 23 == 0;
    }
}

}  // namespace

int main() {
    test::TempHome home;
    CEventTable table;
    FillEvents(table);
    ScriptServices services;
    services.events = &table;
    CRecordingPrompt prompt;
    CNamesList names;

    const auto refreshRun = [&] {
        for (int i = 0; i < kPerRun; ++i) RefreshNamesList(names, table, services, prompt);
    };
    // Created in the timed part, closed outside it.
    std::vector<std::unique_ptr<CScriptState>> states;
    states.reserve(kPerRun);
    const auto createRun = [&] {
        for (int i = 0; i < kPerRun; ++i) states.push_back(CScriptState::Create(services));
    };
    // Interleaved, so that both see the same load of a shared machine.
    double refresh = 1e300;
    double create = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        refresh = std::min(refresh, bench::BestSeconds(1, refreshRun) / kPerRun);
        create = std::min(create, bench::BestSeconds(1, createRun) / kPerRun);
        states.clear();
    }

    std::printf("names list: %zu words\n", names.Size());
    std::printf("refresh:      %8.1f us\n", refresh * 1e6);
    std::printf("bare state:   %8.1f us (create and set up)\n", create * 1e6);
    bench::Figure("names_refresh_ms", refresh * 1e3, "ms");
    bench::Figure("names_refresh_vs_state_create", refresh / create, "x");
    return 0;
}
