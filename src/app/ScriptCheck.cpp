#include "app/ScriptCheck.h"

#include <cstdio>

#include "app/InstanceName.h"
#include "core/Configuration.h"
#include "core/UnreadableEvents.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptSyntax.h"

namespace orva {

std::u16string ChosenInstanceName(const std::vector<std::u16string>& params,
                                  std::u16string_view fromScenario, std::u16string_view fallback) {
    std::u16string name(fromScenario.empty() ? fallback : fromScenario);
    if (!params.empty()) {
        const std::u16string& p = params.front();
        // "/NAME" and "-NAME" as the start-up reads them; a plain word names the instance too.
        name = !p.empty() && (p[0] == u'/' || p[0] == u'-') ? p.substr(1) : p;
    }
    return NormalizedInstanceName(name);
}

std::string MissingInstance(std::u16string_view name) {
    if (name.empty() || HasForbiddenNameCharacter(name)) {
        return "'" + ToUtf8(name) + "' cannot name an instance";
    }
    const CConfiguration config{std::u16string(name)};
    std::error_code ec;
    if (std::filesystem::exists(config.ConfigPath(), ec) ||
        std::filesystem::exists(config.EventsPath(), ec)) {
        return {};
    }
    return "there is no instance " + ToUtf8(name) + " (neither " + config.ConfigPath().string() +
           " nor " + config.EventsPath().string() + " exists)";
}

std::vector<ScriptProblem> CheckEventScripts(const CEventTable& table,
                                             const CEventTypeNames& typeNames) {
    std::vector<ScriptProblem> problems;
    for (size_t i = 0; i < table.UsedCount(); ++i) {
        const EventRecord& r = table[i];
        if (r.script.empty()) continue;
        const auto error = CheckScriptSyntax(r.script);
        if (!error) continue;
        std::string kind = ToUtf8(typeNames.Name(r.type));
        if (kind.empty()) kind = "TYPE " + std::to_string(r.type);
        if (r.type >= kEventDigitalPin) kind += " " + std::to_string(r.id);
        std::string text = ToUtf8(r.name) + " (" + kind + (r.disabled ? ", disabled" : "") + "): ";
        if (error->line > 0) text += "line " + std::to_string(error->line) + ": ";
        problems.push_back({i, text + ToUtf8(error->message)});
    }
    return problems;
}

int RunScriptCheckProgram(const HeadlessOptions& options) {
    const std::u16string name = ChosenInstanceName(options.instanceParams, u"", u"0");
    if (const std::string missing = MissingInstance(name); !missing.empty()) {
        std::fprintf(stderr, "orvapanel-headless: %s\n", missing.c_str());
        return 2;
    }
    CConfiguration config{name};
    // A file that does not read has no scripts to pass: a check that found none would say all
    // compile.
    if (const auto reason = UnreadableEventsReason(config.EventsPath())) {
        std::printf("%s: no script was checked: the events file %s %s\n", ToUtf8(name).c_str(),
                    config.EventsPath().c_str(), ToUtf8(*reason).c_str());
        return 1;
    }
    CEventTable table;
    CRecordingPrompt unseen;  // what would be shown has been said above
    config.LoadConfiguration(table, unseen);
    CEventTypeNames typeNames;
    typeNames.NameServers(config.servers);
    const auto problems = CheckEventScripts(table, typeNames);
    size_t scripts = 0;
    for (size_t i = 0; i < table.UsedCount(); ++i) scripts += table[i].script.empty() ? 0 : 1;
    for (const ScriptProblem& p : problems) std::printf("%s\n", p.text.c_str());
    if (problems.empty()) {
        std::printf("%s: all %zu scripts compile\n", ToUtf8(name).c_str(), scripts);
    } else {
        std::printf("%s: %zu of %zu scripts do not compile\n", ToUtf8(name).c_str(),
                    problems.size(), scripts);
    }
    return problems.empty() ? 0 : 1;
}

}  // namespace orva
