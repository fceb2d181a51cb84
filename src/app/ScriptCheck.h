// The check of an instance's scripts without running them: `orvapanel-headless /NAME --check`.
#pragma once

#include <string>
#include <vector>

#include "app/HeadlessOptions.h"
#include "core/EventNames.h"
#include "core/EventTable.h"

namespace orva {

// One script that does not compile, as the check prints it: the event, its kind and the line.
struct ScriptProblem {
    size_t position = 0;  // in the event table
    std::string text;     // "GEAR_SWITCH (DIGITAL PIN 20): line 2: '=' expected near 'x'"
};

// The used events with a script that does not compile, in table order (disabled ones too: they
// fail the day they are enabled).
std::vector<ScriptProblem> CheckEventScripts(const CEventTable& table,
                                             const CEventTypeNames& typeNames);

// The whole check, printed to stdout: 0 when every script compiles, 1 otherwise (an events file
// that does not read included), 2 when the instance does not exist.
int RunScriptCheckProgram(const HeadlessOptions& options);

// The instance a scenario or a check is about: the command line's name first, then the
// scenario's, then the fallback; as the start-up writes names (upper case, ID%03d for a number).
std::u16string ChosenInstanceName(const std::vector<std::u16string>& params,
                                  std::u16string_view fromScenario, std::u16string_view fallback);
// The reason an instance's files do not exist, or empty when they do.
std::string MissingInstance(std::u16string_view name);

}  // namespace orva
