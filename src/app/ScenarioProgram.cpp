#include "app/ScenarioProgram.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "app/OrvaPanelApp.h"
#include "app/ScenarioRunner.h"
#include "app/ScriptCheck.h"
#include "core/Configuration.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

constexpr size_t kMaxScenarioFile = 16 * 1024 * 1024;

// A runtime folder of the run's own: its simulated board is seen by no other OrvaPanel (a
// running cockpit could take it), and ours sees no other board. The simulators inherit it.
class CPrivateRuntime {
public:
    CPrivateRuntime() {
        std::string pattern = (RuntimeFolder() / "scenario-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        folder_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
    ~CPrivateRuntime() {
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }
    bool Ok() const { return !folder_.empty(); }

private:
    std::filesystem::path folder_;
};

// The cannot-run end: the reason on stderr, and in the JUnit report when one was asked for.
int CannotRun(const HeadlessOptions& o, const std::string& reason) {
    std::fprintf(stderr, "orvapanel-headless: %s\n", reason.c_str());
    if (!o.junit.empty()) {
        CScenarioReport report([](const std::string&) {});
        WriteFileAtomically(o.junit, report.JUnitXml(o.scenario.stem().string(), 0, reason));
    }
    return 2;
}

// Every server a step names exists: a misspelt alias is the file's fault, found before a run.
std::string CheckAliases(const Scenario& scenario, const std::vector<std::string>& aliases,
                         const std::string& file) {
    std::string known;
    for (const auto& a : aliases) known += (known.empty() ? "" : ", ") + a;
    for (const ScenarioStep& s : scenario.steps) {
        if (s.kind != StepKind::Server && s.kind != StepKind::ExpectServer) continue;
        const std::string where = file + ":" + std::to_string(s.line) + ": ";
        if (aliases.empty()) return where + "the instance has no IOCP server";
        if (FindAlias(aliases, s.alias) == aliases.size()) {
            return where + "no server has the alias " + s.alias + " (the instance has " + known +
                   ")";
        }
    }
    return {};
}

std::vector<std::string> BoardArguments(const Scenario& scenario, const CConfiguration& config) {
    std::vector<std::string> args = {"board", "--serial", ToUtf8(config.cardSerial), "--kind",
                                     scenario.servoBoard ? "servo" : "main"};
    if (!scenario.extensions.empty()) {
        std::string list;
        for (int a : scenario.extensions) list += (list.empty() ? "" : ",") + std::to_string(a);
        args.insert(args.end(), {"--ext", list});
    }
    return args;
}

}  // namespace

int RunScenarioProgram(const HeadlessOptions& o, int signalFd) {
    const std::string file = o.scenario.string();
    std::error_code ec;
    if (std::filesystem::is_directory(o.scenario, ec)) return CannotRun(o, file + " is a folder");
    const auto bytes = ReadWholeFile(o.scenario);
    if (!bytes) return CannotRun(o, "cannot read " + file);
    if (bytes->size() > kMaxScenarioFile)
        return CannotRun(o, file + " is too large for a scenario");
    const ScenarioParse parse = ParseScenario(*bytes);
    if (parse.error) {
        return CannotRun(
            o, file + ":" + std::to_string(parse.error->line) + ": " + parse.error->reason);
    }
    const Scenario& scenario = parse.scenario;
    const std::u16string name = ChosenInstanceName(o.instanceParams, FromUtf8(scenario.instance),
                                                   FromUtf8(o.scenario.stem().string()));
    if (const std::string missing = MissingInstance(name); !missing.empty()) {
        return CannotRun(o, missing);
    }
    CConfiguration config{name};
    {
        // Only the serial and the servers are wanted here; the session's own load shows what
        // is wrong with the events file.
        CEventTable table;
        CRecordingPrompt unseen;
        config.LoadConfiguration(table, unseen);
    }
    std::vector<std::string> aliases;
    for (const auto& s : config.servers) aliases.push_back(ToUtf8(s.alias));
    if (const std::string wrong = CheckAliases(scenario, aliases, file); !wrong.empty()) {
        return CannotRun(o, wrong);
    }

    const auto simulator = COrvaPanelApp::ProgramFolder() / "orvasim";
    if (::access(simulator.c_str(), X_OK) != 0) {
        return CannotRun(o, "the simulators are not installed beside the program (no " +
                                simulator.string() + ")");
    }
    CPrivateRuntime runtime;
    if (!runtime.Ok()) return CannotRun(o, "cannot make a runtime folder for the simulators");
    CScenarioLog log;
    std::string error;
    const auto board =
        CSimulatorProcess::Start(simulator, BoardArguments(scenario, config), nullptr, error);
    if (!board) return CannotRun(o, error);
    std::vector<std::unique_ptr<CSimulatorProcess>> servers;
    ScenarioTargets targets{board.get(), {}, aliases};
    std::vector<int> ports;
    for (size_t i = 0; i < aliases.size(); ++i) {
        auto onLine = [&log, i](const std::string& line) {
            if (line.rfind("recv ", 0) != 0) return;
            // The wire carries the program's code page; the scenario is UTF-8.
            const std::string text = ToUtf8(FromAnsi(line.substr(5)));
            log.Update([&](ScenarioObservations& obs) { obs.serverLines[i].push_back(text); });
        };
        servers.push_back(CSimulatorProcess::Start(
            simulator, {"iocp", "--port", "0", "--alias", aliases[i], "--keepalive", "0"}, onLine,
            error));
        if (!servers.back()) return CannotRun(o, error);
        targets.servers.push_back(servers.back().get());
        ports.push_back(servers.back()->Port());
    }

    std::optional<int> code;
    {
        // Lines may arrive as soon as the program connects: the log has their places first.
        log.Update([&](ScenarioObservations& obs) { obs.serverLines.resize(aliases.size()); });
        CScenarioSession session(log);
        session.Initialise(name, ports, COrvaPanelApp::ProgramFolder() / CQuivr::kFileName);
        CScenarioReport report([](const std::string& text) {
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
        });
        CScenarioRunner runner(scenario, log, session, targets, report);
        const auto start = std::chrono::steady_clock::now();
        std::thread steps([&] { runner.Run(); });
        session.Run(signalFd);
        steps.join();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        code = !runner.Abort().empty() ? 2 : (report.AllPassed() ? 0 : 1);
        if (!o.junit.empty() &&
            !WriteFileAtomically(
                o.junit, report.JUnitXml(o.scenario.stem().string(), seconds, runner.Abort()))) {
            std::fprintf(stderr, "orvapanel-headless: cannot write %s\n", o.junit.c_str());
            code = 2;
        }
    }
    return *code;
}

}  // namespace orva
