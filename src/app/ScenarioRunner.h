// Runs a scenario's steps against the simulators and the program's session, one after the
// other, and reports each as it ends.
#pragma once

#include <string>
#include <vector>

#include "app/Scenario.h"
#include "app/ScenarioReport.h"
#include "app/ScenarioSession.h"
#include "app/SimulatorProcess.h"

namespace orva {

// What the steps act on: the simulated board and the test servers, in server-list order.
struct ScenarioTargets {
    CSimulatorProcess* board = nullptr;
    std::vector<CSimulatorProcess*> servers;
    std::vector<std::string> aliases;
};

class CScenarioRunner {
public:
    CScenarioRunner(const Scenario& scenario, CScenarioLog& log, CScenarioSession& session,
                    ScenarioTargets targets, CScenarioReport& report);

    // Every step, then the disconnect if the program is still connected; ends the session's
    // loop. Runs on a thread of its own while the session's loop runs the program.
    void Run();
    // Why the run could not go on to its end (exit code 2); empty when it could.
    const std::string& Abort() const { return abort_; }

private:
    StepResult RunStep(const ScenarioStep& step);
    void Simulator(const ScenarioStep& step, StepResult& r);
    void Connection(const ScenarioStep& step, StepResult& r);
    void ExpectServer(const ScenarioStep& step, StepResult& r);
    void ExpectBoard(const ScenarioStep& step, StepResult& r);
    void ExpectPrint(const ScenarioStep& step, StepResult& r);
    // Asks the session to connect or disconnect and waits until it has; false when stopped.
    bool Request(CScenarioSession::Request request);
    // After each step: the questions asked meanwhile as comments, and a failed script or a
    // lost link as a failed step of its own; false when the run cannot go on.
    bool Aftermath();
    size_t ServerIndex(const std::string& alias) const;
    bool Stopped() const;

    const Scenario& scenario_;
    CScenarioLog& log_;
    CScenarioSession& session_;
    ScenarioTargets targets_;
    CScenarioReport& report_;
    std::string abort_;
    int requests_ = 0;
    size_t seenMessages_ = 0;
    size_t seenErrors_ = 0;
    bool endSeen_ = false;
    size_t printCursor_ = 0;
    std::vector<size_t> lineCursors_;
};

// Which test server an alias names (without regard to case), or aliases.size().
size_t FindAlias(const std::vector<std::string>& aliases, std::string_view alias);

}  // namespace orva
