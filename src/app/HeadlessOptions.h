// The headless program's command line: what it is asked to do (run the instance, run a
// scenario, record a session, check the scripts) and the words that name the instance.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orva {

struct HeadlessOptions {
    enum class Mode { Run, Scenario, Check };
    Mode mode = Mode::Run;
    // The arguments that are no option of ours, for the start-up's instance name ("/NAME").
    std::vector<std::u16string> instanceParams;
    std::filesystem::path scenario;  // --scenario FILE
    std::filesystem::path junit;     // --junit FILE, with --scenario only
    std::filesystem::path record;    // --record FILE, with a normal run only
    std::string error;               // not empty: the command line is wrong (exit code 2)
};

// argv without the program's name. Options take their value as the next word or after "=".
HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args);

inline constexpr const char* kHeadlessUsage =
    "usage: orvapanel-headless [/NAME] [--record FILE]\n"
    "       orvapanel-headless [/NAME] --scenario FILE [--junit FILE]\n"
    "       orvapanel-headless [/NAME] --check\n";

}  // namespace orva
