// Arbitrary bytes as a scenario file: read into steps or refused with a line and a reason;
// whatever is read is written back and reads back as the same steps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/Scenario.h"

namespace {

bool SameStep(const orva::ScenarioStep& a, const orva::ScenarioStep& b) {
    return a.kind == b.kind && a.alias == b.alias && a.command == b.command && a.match == b.match &&
           a.pin == b.pin && a.level == b.level && a.first == b.first && a.last == b.last &&
           a.ms == b.ms;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const orva::ScenarioParse parse = orva::ParseScenario(text);
    if (parse.error) {
        if (parse.error->line < 1 || parse.error->reason.empty()) std::abort();
        if (!parse.scenario.steps.empty()) std::abort();
        return 0;
    }
    const orva::ScenarioParse back = orva::ParseScenario(orva::FormatScenario(parse.scenario));
    if (back.error || back.scenario.instance != parse.scenario.instance ||
        back.scenario.servoBoard != parse.scenario.servoBoard ||
        back.scenario.extensions != parse.scenario.extensions ||
        back.scenario.steps.size() != parse.scenario.steps.size()) {
        std::abort();
    }
    for (size_t i = 0; i < parse.scenario.steps.size(); ++i) {
        if (!SameStep(back.scenario.steps[i], parse.scenario.steps[i])) std::abort();
    }
    return 0;
}
