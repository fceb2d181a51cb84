#include "app/ScenarioRunner.h"

#include <algorithm>

#include "platform/Text.h"

namespace orva {
namespace {

using Clock = std::chrono::steady_clock;

// A connect waits for every server in turn (each may take its time-out): a bound, not a pace.
constexpr auto kRequestWait = std::chrono::minutes(2);
// A simulator waits this long at most per question, so that a stop is seen between them.
constexpr int64_t kSimulatorSlice = 500;

Clock::time_point Deadline(int64_t ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

int64_t LeftMs(Clock::time_point deadline) {
    return std::max<int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

bool IsFailureAnswer(const std::string& answer) {
    return answer.rfind("error", 0) == 0 || answer.rfind("timeout", 0) == 0;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// The last few of some lines, quoted and joined.
std::string LastOf(const std::vector<std::string>& lines, size_t count) {
    std::string text;
    for (size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) {
        text += (text.empty() ? "" : ", ") + Quoted(lines[i]);
    }
    return text;
}

std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        if (!line.empty()) lines.emplace_back(line);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    }
    return lines;
}

}  // namespace

size_t FindAlias(const std::vector<std::string>& aliases, std::string_view alias) {
    if (alias.empty()) return 0;  // the first server
    for (size_t i = 0; i < aliases.size(); ++i) {
        if (EqualsNoCase(FromUtf8(aliases[i]), FromUtf8(alias))) return i;
    }
    return aliases.size();
}

CScenarioRunner::CScenarioRunner(const Scenario& scenario, CScenarioLog& log,
                                 CScenarioSession& session, ScenarioTargets targets,
                                 CScenarioReport& report)
    : scenario_(scenario),
      log_(log),
      session_(session),
      targets_(std::move(targets)),
      report_(report),
      lineCursors_(targets_.servers.size(), 0) {}

bool CScenarioRunner::Stopped() const {
    return log_.Read([](const ScenarioObservations& o) { return o.stopped; });
}

void CScenarioRunner::Run() {
    const auto& steps = scenario_.steps;
    const bool connectsItself = std::any_of(steps.begin(), steps.end(), [](const ScenarioStep& s) {
        return s.kind == StepKind::Connect;
    });
    bool goOn = true;
    if (!connectsItself) {
        // Connected before the first step: a failure here is the scenario's cannot-run.
        ScenarioStep step;
        step.kind = StepKind::Connect;
        StepResult connect;
        Connection(step, connect);
        goOn = Aftermath();
    }
    size_t next = 0;
    for (; goOn && abort_.empty() && next < steps.size(); ++next) {
        if (Stopped()) {
            abort_ = "stopped by a signal";
            break;
        }
        const auto start = Clock::now();
        StepResult r = RunStep(steps[next]);
        r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // A step cut short by a stop has no result: the run bails out instead.
        if (abort_.empty() && !Stopped()) report_.Add(std::move(r));
        goOn = Aftermath();
    }
    const bool broken = !goOn && abort_.empty();
    for (; broken && next < steps.size(); ++next) {
        report_.Add({steps[next].text,
                     steps[next].line,
                     StepResult::Status::Skipped,
                     "the program is no longer connected",
                     {},
                     0});
    }
    if (abort_.empty() && log_.Read([](const ScenarioObservations& o) { return o.connected; })) {
        // The end of a scenario disconnects as the program does: BEFORE DISCONNECT runs.
        Request(CScenarioSession::Request::Disconnect);
        Aftermath();
    }
    if (!abort_.empty()) {
        report_.BailOut(abort_);
    } else {
        report_.Finish();
    }
    session_.Post(CScenarioSession::Request::Quit);
}

bool CScenarioRunner::Aftermath() {
    // What the step set off and the program has already queued (a script's failure and its
    // message come in one handling) is over before we look.
    Request(CScenarioSession::Request::Sync);
    // Only what is new: the printed text and the server lines may have grown long.
    struct {
        std::vector<std::string> messages;
        std::vector<std::string> errors;
        bool ended = false;
        bool stopped = false;
    } seen;
    log_.Read([&](const ScenarioObservations& o) {
        seen.messages.assign(o.messages.begin() + static_cast<ptrdiff_t>(seenMessages_),
                             o.messages.end());
        seen.errors.assign(o.scriptErrors.begin() + static_cast<ptrdiff_t>(seenErrors_),
                           o.scriptErrors.end());
        seen.ended = o.ended;
        seen.stopped = o.stopped;
        return 0;
    });
    seenMessages_ += seen.messages.size();
    seenErrors_ += seen.errors.size();
    for (const std::string& message : seen.messages) report_.Note(message);
    bool goOn = true;
    for (const std::string& error : seen.errors) {
        report_.Add({"script error", 0, StepResult::Status::Failed, error, {}, 0});
        goOn = false;  // a failing script has disconnected the program
    }
    if (seen.ended && !endSeen_) {
        endSeen_ = true;
        report_.Add({"connection",
                     0,
                     StepResult::Status::Failed,
                     "the link to a server was lost and the program ended",
                     {},
                     0});
        goOn = false;
    }
    if (seen.stopped && abort_.empty()) abort_ = "stopped by a signal";
    return goOn && abort_.empty();
}

StepResult CScenarioRunner::RunStep(const ScenarioStep& step) {
    StepResult r;
    r.name = step.text;
    r.line = step.line;
    switch (step.kind) {
        case StepKind::Board:
        case StepKind::Server:
            Simulator(step, r);
            break;
        case StepKind::Wait:
            log_.WaitUntil(Deadline(step.ms), [](const ScenarioObservations&) { return false; });
            break;
        case StepKind::Connect:
        case StepKind::Disconnect:
            Connection(step, r);
            break;
        case StepKind::ExpectServer:
            ExpectServer(step, r);
            break;
        case StepKind::ExpectOutput:
        case StepKind::ExpectDigits:
            ExpectBoard(step, r);
            break;
        case StepKind::ExpectPrint:
        case StepKind::ExpectNoPrint:
            ExpectPrint(step, r);
            break;
    }
    return r;
}

void CScenarioRunner::Simulator(const ScenarioStep& step, StepResult& r) {
    CSimulatorProcess* sim = step.kind == StepKind::Board
                                 ? targets_.board
                                 : targets_.servers[FindAlias(targets_.aliases, step.alias)];
    const std::string answer = sim->Command(step.command);
    if (IsFailureAnswer(answer)) {
        r.status = StepResult::Status::Failed;
        r.reason = answer;
    }
}

bool CScenarioRunner::Request(CScenarioSession::Request request) {
    const int number = ++requests_;
    session_.Post(request);
    return log_.WaitUntil(Clock::now() + kRequestWait,
                          [&](const ScenarioObservations& o) { return o.requestsDone >= number; });
}

void CScenarioRunner::Connection(const ScenarioStep& step, StepResult& r) {
    const bool connect = step.kind == StepKind::Connect;
    const bool connected = log_.Read([](const ScenarioObservations& o) { return o.connected; });
    if (connect == connected) {
        r.status = StepResult::Status::Failed;
        r.reason = connected ? "the program is connected already" : "the program is not connected";
        return;
    }
    const size_t errors =
        log_.Read([](const ScenarioObservations& o) { return o.scriptErrors.size(); });
    if (!Request(connect ? CScenarioSession::Request::Connect
                         : CScenarioSession::Request::Disconnect)) {
        return;  // stopped; Aftermath says so
    }
    log_.Read([&](const ScenarioObservations& o) {
        if (connect && !o.connected && o.scriptErrors.size() == errors) {
            // Against simulators started for the purpose, a connect fails only when they do.
            abort_ = "the program could not connect";
            if (!o.messages.empty()) abort_ += ": " + o.messages.back();
        }
        return 0;
    });
}

void CScenarioRunner::ExpectServer(const ScenarioStep& step, StepResult& r) {
    const size_t server = FindAlias(targets_.aliases, step.alias);
    size_t& cursor = lineCursors_[server];
    size_t found = 0;
    const auto match = [&](const ScenarioObservations& o) {
        const auto& lines = o.serverLines[server];
        for (size_t i = cursor; i < lines.size(); ++i) {
            if (lines[i].compare(0, step.match.size(), step.match) == 0) {
                found = i;
                return true;
            }
        }
        return false;
    };
    if (log_.WaitUntil(Deadline(step.ms), match)) {
        cursor = found + 1;  // the next expectation of this server looks at later lines
        return;
    }
    const auto lines = log_.Read([&](const ScenarioObservations& o) {
        const auto& all = o.serverLines[server];
        return std::vector<std::string>(all.begin() + static_cast<ptrdiff_t>(cursor), all.end());
    });
    r.status = StepResult::Status::Failed;
    const std::string name = "server " + targets_.aliases[server];
    r.reason =
        lines.empty() ? name + " received nothing new" : name + " received " + LastOf(lines, 3);
}

void CScenarioRunner::ExpectBoard(const ScenarioStep& step, StepResult& r) {
    const bool output = step.kind == StepKind::ExpectOutput;
    const std::string range = std::to_string(step.first) + " " + std::to_string(step.last);
    const std::string ask =
        output ? "wait-out " + std::to_string(step.pin) + " " + std::to_string(step.level)
               : "wait-digits " + range + " " + Quoted(step.match);
    const auto deadline = Deadline(step.ms);
    std::string answer;
    // In slices, so that a stop is seen; the simulator answers the moment the board shows it.
    do {
        answer = targets_.board->Command(
            ask + " " + std::to_string(std::min(LeftMs(deadline), kSimulatorSlice)));
    } while (answer.rfind("timeout", 0) == 0 && LeftMs(deadline) > 0 && !Stopped());
    if (answer == "ok") return;
    r.status = StepResult::Status::Failed;
    if (answer.rfind("error", 0) == 0) {
        r.reason = answer;
    } else if (output) {
        r.reason = "output " + std::to_string(step.pin) + " is " +
                   targets_.board->Command("out " + std::to_string(step.pin));
    } else {
        r.reason = "digits " + std::to_string(step.first) + "-" + std::to_string(step.last) +
                   " show " + Quoted(targets_.board->Command("digits " + range));
    }
}

void CScenarioRunner::ExpectPrint(const ScenarioStep& step, StepResult& r) {
    size_t found = std::string::npos;
    const auto match = [&](const ScenarioObservations& o) {
        found = o.printed.find(step.match, printCursor_);
        return found != std::string::npos;
    };
    const bool seen = log_.WaitUntil(Deadline(step.ms), match);
    const std::string after = log_.Read([&](const ScenarioObservations& o) {
        return o.printed.substr(std::min(printCursor_, o.printed.size()));
    });
    if (step.kind == StepKind::ExpectNoPrint) {
        if (!seen) return;
        r.status = StepResult::Status::Failed;
        // The printed line that holds it.
        const size_t at = found - printCursor_;
        const size_t begin = at == 0 ? std::string::npos : after.rfind('\n', at - 1);
        const size_t from = begin == std::string::npos ? 0 : begin + 1;
        const size_t end = after.find('\n', at + step.match.size());
        r.reason =
            "printed " +
            Quoted(after.substr(from, end == std::string::npos ? std::string::npos : end - from));
        return;
    }
    if (seen) {
        printCursor_ = found + step.match.size();
        return;
    }
    r.status = StepResult::Status::Failed;
    const auto lines = LinesOf(after);
    r.reason = lines.empty() ? "the scripts printed nothing new"
                             : "the scripts printed " + LastOf(lines, 3);
}

}  // namespace orva
