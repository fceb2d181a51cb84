// The programs' command line: GNU-style options that each program declares in a table, beside
// the instance's "/NAME" form, with the usage and version texts made from the same table.
#pragma once

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// One "--name" option. Without a value name it is a switch; with one it takes a value, given
// as "--name VALUE" or "--name=VALUE".
struct CommandOption {
    std::string_view name;       // without the leading "--"
    std::string_view valueName;  // shown in the usage ("FILE"); empty for a switch
    std::string_view help;       // the usage's line for it
};

// What a program tells about itself. Its options come after the ones every program has
// (--help, --version, --instance), in the order given.
struct CommandLineSyntax {
    std::string_view program;   // "orvapanel-headless"
    std::string_view synopsis;  // what follows the program's name in the usage line
    std::string_view summary;   // what the program does, a few lines
    std::vector<CommandOption> options;
    std::string_view epilogue;  // exit codes and the like; may be empty
};

enum class CommandAction { Run, Help, Version, Error };

struct ParsedCommandLine {
    CommandAction action = CommandAction::Run;
    std::string error;  // for Error: what was wrong, one line
    // The parameters that name the instance by the old rules ("/NAME", "-NAME", a bare NAME;
    // --instance NAME becomes "/NAME").
    std::vector<std::u16string> instanceParams;
    // The program's own options that were given: name to value (empty for a switch).
    std::map<std::string, std::string, std::less<>> values;

    bool Has(std::string_view name) const { return values.find(name) != values.end(); }
    std::optional<std::string> Value(std::string_view name) const;
};

// The arguments after the program's name.
std::vector<std::string> ArgsFromMain(int argc, char** argv);

// Reads the arguments left to right: the first --help (or -h), --version or mistake decides;
// "--" ends the options. A single dash starts the instance's flag form, not an option.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const CommandLineSyntax& syntax);

// The project's version ("1.4.0").
std::string_view ProgramVersionText();
std::string UsageText(const CommandLineSyntax& syntax);
std::string VersionText(const CommandLineSyntax& syntax);

// Prints what the parsed line asks for: the usage on out for Help (0), the version on out
// (0), the mistake and the usage on err (2). Nothing and no code for Run.
std::optional<int> AnswerCommandLine(const ParsedCommandLine& parsed,
                                     const CommandLineSyntax& syntax, std::FILE* out = stdout,
                                     std::FILE* err = stderr);

}  // namespace orva
