// The script editor's names list refresh for a realistic instance (150 named events, AFTER
// CONNECT scripts that build tables of globals), beside the cost of one bare script state.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CockpitEvents.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/NamesList.h"
#include "scripting/ScriptHost.h"
#include "support/TestEnv.h"

using namespace orva;

namespace {

constexpr int kPerRun = 20;  // operations per timed run, to stay well above the clock's grain
constexpr int kRuns = 30;

}  // namespace

int main() {
    test::TempHome home;
    CEventTable table;
    bench::FillCockpitEvents(table);
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
