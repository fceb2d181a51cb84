// The headless program's command line: what it is asked to do (run the instance, run a
// scenario, record a session, check the scripts, list or restore backups) and the words that
// name the instance.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace orva {

struct HeadlessOptions {
    enum class Mode { Run, Scenario, Check, ListBackups, RestoreBackup };
    Mode mode = Mode::Run;
    // The arguments that are no option of ours, for the start-up's instance name ("/NAME").
    std::vector<std::u16string> instanceParams;
    std::filesystem::path scenario;  // --scenario FILE
    std::filesystem::path junit;     // --junit FILE, with --scenario only
    std::filesystem::path record;    // --record FILE, with a normal run only
    bool reconnect = false;          // --reconnect, with a normal run only
    size_t restore = 0;              // --restore N: the backup's number in --list-backups
    std::string error;               // not empty: the command line is wrong (exit code 2)
};

// The options, the usage and the exit codes of orvapanel-headless.
extern const CommandLineSyntax kHeadlessCommandLine;

// What a parsed command line (action Run) asks of the headless program; the options that do not
// go together are a mistake.
HeadlessOptions HeadlessOptionsFrom(const ParsedCommandLine& parsed);
// Both steps at once: argv without the program's name.
HeadlessOptions ParseHeadlessOptions(const std::vector<std::string>& args);

}  // namespace orva
