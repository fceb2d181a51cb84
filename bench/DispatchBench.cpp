// Dispatch of DIGITAL PIN notifications against 20 events, beside running the same scripts by
// compiling them every time and by calling their precompiled chunks directly.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/EventDispatcher.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"

using namespace orva;

namespace {

constexpr int kEvents = 20;
constexpr int kNotifications = 100000;  // per run

struct NoControl : IConnectionControl {
    void Disconnect() override {}
    void RefreshStatus() override {}
};

std::u16string ScriptFor(int i) {
    return Format(u"count%d = (count%d or 0) + Value\nlast = Id", i, i);
}

void SetIdValue(lua_State* L, int32_t id, int32_t value) {
    lua_pushinteger(L, id);
    lua_setglobal(L, "Id");
    lua_pushinteger(L, value);
    lua_setglobal(L, "Value");
}

}  // namespace

int main(int argc, char** argv) {
    // --dispatch-only: just our path, for a profiler.
    const bool dispatchOnly = argc > 1 && std::string(argv[1]) == "--dispatch-only";
    CEventTable table;
    for (int i = 0; i < kEvents; ++i) {
        table[static_cast<size_t>(i)].type = kEventDigitalPin;
        table[static_cast<size_t>(i)].id = 16 + i;
        table[static_cast<size_t>(i)].script = ScriptFor(i);
    }
    CEventTypeNames names;
    CRecordingPrompt prompt;
    NoControl control;
    ScriptServices services;
    services.events = &table;

    auto state = CScriptState::Create(services);
    CEventDispatcher dispatcher(table, names, prompt, control);
    dispatcher.SetScriptRunner(state.get());
    const auto dispatchRun = [&] {
        for (int n = 0; n < kNotifications; ++n) dispatcher.OnCardInput(16 + n % kEvents, n & 1);
    };
    if (dispatchOnly) {
        const double s = bench::BestSeconds(50, dispatchRun);
        std::printf("dispatch: %.1f ns per notification\n", s / kNotifications * 1e9);
        return 0;
    }

    // The same walk and scripts, compiled on every run.
    auto compileState = CScriptState::Create(services);
    lua_State* L = compileState->State();
    std::vector<std::string> sources;
    for (int i = 0; i < kEvents; ++i) sources.push_back(ToAnsi(ScriptFor(i)));
    const auto compileRun = [&] {
        for (int n = 0; n < kNotifications; ++n) {
            const int pin = 16 + n % kEvents;
            for (int i = 0; i < kEvents; ++i) {
                if (table[static_cast<size_t>(i)].id != pin) continue;
                SetIdValue(L, pin, n & 1);
                const std::string& s = sources[static_cast<size_t>(i)];
                luaL_loadbuffer(L, s.data(), s.size(), s.c_str());
                lua_pcall(L, 0, LUA_MULTRET, 0);
                lua_settop(L, 0);
            }
        }
    };

    // The same walk, calling precompiled chunks with a bare lua_pcall: what our dispatch adds
    // on top is the script lock, the chunk look-up and the failure handling.
    auto bareState = CScriptState::Create(services);
    lua_State* B = bareState->State();
    std::vector<int> refs;
    for (const auto& s : sources) {
        luaL_loadbuffer(B, s.data(), s.size(), s.c_str());
        refs.push_back(luaL_ref(B, LUA_REGISTRYINDEX));
    }
    const auto bareRun = [&] {
        for (int n = 0; n < kNotifications; ++n) {
            const int pin = 16 + n % kEvents;
            for (size_t i = 0; i < CEventTable::kSize && table[i].id >= 0; ++i) {
                const EventRecord& r = table[i];
                if (r.disabled || r.type != kEventDigitalPin || (r.id != 0 && r.id != pin))
                    continue;
                SetIdValue(B, pin, n & 1);
                lua_rawgeti(B, LUA_REGISTRYINDEX, refs[i]);
                lua_pcall(B, 0, LUA_MULTRET, 0);
                lua_settop(B, 0);
            }
        }
    };

    // Interleaved rounds, best of each: this machine's speed drifts, and a drift between two
    // separate measurements would show up as a false ratio.
    double dispatchSeconds = 1e300, compileSeconds = 1e300, bareSeconds = 1e300;
    for (int round = 0; round < 12; ++round) {
        dispatchSeconds = std::min(dispatchSeconds, bench::BestSeconds(1, dispatchRun));
        bareSeconds = std::min(bareSeconds, bench::BestSeconds(1, bareRun));
        if (round % 4 == 0)
            compileSeconds = std::min(compileSeconds, bench::BestSeconds(1, compileRun));
    }

    const double perNotification = dispatchSeconds / kNotifications * 1e9;
    std::printf("dispatch:          %8.1f ns per notification\n", perNotification);
    std::printf("compile each time: %8.1f ns per notification\n",
                compileSeconds / kNotifications * 1e9);
    std::printf("bare lua_pcall:    %8.1f ns per notification (same walk)\n",
                bareSeconds / kNotifications * 1e9);
    bench::Figure("dispatch_vs_compile", compileSeconds / dispatchSeconds, "x");
    bench::Figure("dispatch_vs_bare_pcall", dispatchSeconds / bareSeconds, "x");
    bench::Figure("dispatch_ns_per_notification", perNotification, "ns");
    return 0;
}
