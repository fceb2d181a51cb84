// The results of a scenario run: one TAP line per step as it ends, and a JUnit XML report of the
// whole run for CI systems.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct StepResult {
    enum class Status { Passed, Failed, Skipped };
    std::string name;  // the step as written, or what the runner checked by itself
    int line = 0;      // of the step in the scenario file; 0 when the runner added it
    Status status = Status::Passed;
    std::string reason;                // why it failed or was skipped
    std::vector<std::string> details;  // what was seen, one line each
    double seconds = 0;
};

class CScenarioReport {
public:
    // write receives whole lines (with their line end); it is called from one thread at a time.
    explicit CScenarioReport(std::function<void(const std::string&)> write);

    // Prints the step's TAP line (and its details as comments) at once.
    void Add(StepResult result);
    // A comment line.
    void Note(std::string_view text);
    // The run cannot go on: TAP's "Bail out!" line.
    void BailOut(std::string_view reason);
    // The plan, after the last step.
    void Finish();

    bool AllPassed() const;
    const std::vector<StepResult>& Results() const { return results_; }
    // The JUnit report: one test suite named suite with one test case per step, and the
    // reason a run could not run to its end (empty when it did) as an error of its own.
    std::string JUnitXml(std::string_view suite, double seconds, std::string_view error) const;

private:
    std::function<void(const std::string&)> write_;
    std::vector<StepResult> results_;
};

// "ok 3 - expect output 30 1", "not ok 4 - expect output 30 1 (output 30 is 0)".
std::string TapLine(size_t number, const StepResult& result);

}  // namespace orva
