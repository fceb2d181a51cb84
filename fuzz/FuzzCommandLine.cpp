// Arbitrary bytes as a command line (arguments split at NUL bytes), read as the programs read
// theirs: a mistake always says what was wrong, help and version carry nothing else, and what
// runs names its instance by parameters it was given. The headless program's options too (a
// backup to restore always has a number), and each argument as a name in the instance folder:
// a backup's number, when it has one, names that file and no other.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/HeadlessOptions.h"
#include "app/InstanceName.h"
#include "platform/FileBackups.h"

namespace {

const orva::CommandLineSyntax kSyntax{"fuzz",
                                      "[OPTION]... [/NAME]",
                                      "Fuzz target.\n",
                                      {{"check", "", "a switch"}, {"junit", "OUT.xml", "a value"}},
                                      ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back().push_back(static_cast<char>(data[i]));
        }
    }
    const orva::ParsedCommandLine parsed = orva::ParseCommandLine(args, kSyntax);
    switch (parsed.action) {
        case orva::CommandAction::Error:
            if (parsed.error.empty()) std::abort();
            break;
        case orva::CommandAction::Help:
        case orva::CommandAction::Version:
            if (!parsed.values.empty() || !parsed.instanceParams.empty()) std::abort();
            break;
        case orva::CommandAction::Run:
            if (parsed.instanceParams.size() > args.size()) std::abort();
            for (const auto& [name, value] : parsed.values) {
                if (name != "check" && name != "junit") std::abort();
            }
            orva::InstanceNameFromCommandLine(parsed.instanceParams);
            break;
    }
    const orva::HeadlessOptions headless = orva::ParseHeadlessOptions(args);
    if (headless.error.empty() && headless.mode == orva::HeadlessOptions::Mode::RestoreBackup &&
        headless.restore == 0) {
        std::abort();
    }
    for (const std::string& arg : args) {
        const auto number = orva::BackupNumber(arg, "id000_vars.xml");
        if (number && orva::BackupName("id000_vars.xml", *number) != arg) std::abort();
    }
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink) {
        orva::AnswerCommandLine(parsed, kSyntax, sink, sink);
        std::fclose(sink);
    }
    return 0;
}
