#include "app/CommandLine.h"

#include <algorithm>

#include "platform/Text.h"

#ifndef ORVA_VERSION
#define ORVA_VERSION "0.0.0"
#endif

namespace orva {
namespace {

constexpr std::string_view kHelp = "help";
constexpr std::string_view kVersion = "version";
constexpr std::string_view kInstance = "instance";

const CommandOption kCommonOptions[] = {
    {kHelp, "", "show this help and exit"},
    {kVersion, "", "show the program's name and version and exit"},
    {kInstance, "NAME", "run the instance NAME, as /NAME does"},
};

constexpr std::string_view kInstanceText =
    "The instance is named by /NAME, -NAME, NAME or --instance NAME; a number names the\n"
    "instance IDnnn (/7 is ID007). Without a name, or with more than one, it is ID000.\n";

const CommandOption* FindOption(std::string_view name, const CommandLineSyntax& syntax) {
    for (const CommandOption& o : kCommonOptions) {
        if (o.name == name) return &o;
    }
    for (const CommandOption& o : syntax.options) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

// What ends the reading: help, version or a mistake, with nothing read before it.
ParsedCommandLine Ending(CommandAction action, std::string error = {}) {
    ParsedCommandLine parsed;
    parsed.action = action;
    parsed.error = std::move(error);
    return parsed;
}

ParsedCommandLine Mistake(std::string text) {
    return Ending(CommandAction::Error, std::move(text));
}

std::string OptionLabel(const CommandOption& o) {
    std::string label = (o.name == kHelp ? "-h, --" : "    --") + std::string(o.name);
    if (!o.valueName.empty()) label += " " + std::string(o.valueName);
    return label;
}

}  // namespace

std::optional<std::string> ParsedCommandLine::Value(std::string_view name) const {
    const auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> ArgsFromMain(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args,
                                   const CommandLineSyntax& syntax) {
    ParsedCommandLine parsed;
    std::optional<std::string> instance;
    std::vector<std::u16string> names;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.rfind("--", 0) != 0) {
            if (!optionsEnded && arg == "-h") return Ending(CommandAction::Help);
            names.push_back(FromUtf8(arg));
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
        const CommandOption* option = FindOption(name, syntax);
        if (!option) return Mistake("unknown option '--" + name + "'");
        std::string value;
        if (option->valueName.empty()) {
            if (equals != std::string::npos) {
                return Mistake("option '--" + name + "' takes no value");
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return Mistake("option '--" + name + "' needs " + std::string(option->valueName));
        }
        if (name == kHelp) return Ending(CommandAction::Help);
        if (name == kVersion) return Ending(CommandAction::Version);
        if (name == kInstance) {
            if (instance) return Mistake("the instance is named twice");
            instance = std::move(value);
            continue;
        }
        parsed.values[name] = std::move(value);
    }
    if (instance) {
        // A name given twice would leave the old rules to pick one silently.
        if (!names.empty()) return Mistake("the instance is named twice");
        names.push_back(u"/" + FromUtf8(*instance));
    }
    parsed.instanceParams = std::move(names);
    return parsed;
}

std::string_view ProgramVersionText() {
    return ORVA_VERSION;
}

std::string UsageText(const CommandLineSyntax& syntax) {
    std::vector<CommandOption> all(std::begin(kCommonOptions), std::end(kCommonOptions));
    all.insert(all.end(), syntax.options.begin(), syntax.options.end());
    size_t width = 0;
    for (const CommandOption& o : all) width = std::max(width, OptionLabel(o).size());
    std::string text = "Usage: " + std::string(syntax.program) + " " +
                       std::string(syntax.synopsis) + "\n" + std::string(syntax.summary) + "\n" +
                       std::string(kInstanceText) + "\nOptions:\n";
    // A help of several lines keeps its column.
    const std::string indent = "\n" + std::string(width + 4, ' ');
    for (const CommandOption& o : all) {
        const std::string label = OptionLabel(o);
        std::string help(o.help);
        for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
            help.replace(at, 1, indent);
        }
        text += "  " + label + std::string(width - label.size() + 2, ' ') + help + "\n";
    }
    if (!syntax.epilogue.empty()) text += "\n" + std::string(syntax.epilogue);
    return text;
}

std::string VersionText(const CommandLineSyntax& syntax) {
    return std::string(syntax.program) + " (OrvaPanel) " + std::string(ProgramVersionText()) + "\n";
}

std::optional<int> AnswerCommandLine(const ParsedCommandLine& parsed,
                                     const CommandLineSyntax& syntax, std::FILE* out,
                                     std::FILE* err) {
    switch (parsed.action) {
        case CommandAction::Run:
            return std::nullopt;
        case CommandAction::Help:
            std::fputs(UsageText(syntax).c_str(), out);
            return 0;
        case CommandAction::Version:
            std::fputs(VersionText(syntax).c_str(), out);
            return 0;
        case CommandAction::Error:
            break;
    }
    std::fputs((std::string(syntax.program) + ": " + parsed.error + "\n\n").c_str(), err);
    std::fputs(UsageText(syntax).c_str(), err);
    return 2;
}

}  // namespace orva
