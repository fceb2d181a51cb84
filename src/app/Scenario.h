// A scenario: the steps that drive a simulated board and test servers, with what must happen
// after them; its text read into steps (and written back) without touching any file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

enum class StepKind {
    Board,          // a command of the simulated board
    Server,         // a command of a test server
    Wait,           // milliseconds
    Connect,        // the program connects (before it, the steps set the scene)
    Disconnect,     // the program disconnects: BEFORE DISCONNECT events run
    ExpectServer,   // a line the server receives begins with the text
    ExpectOutput,   // an output pin's level
    ExpectDigits,   // what display digits show
    ExpectPrint,    // a piece of the scripts' printed text
    ExpectNoPrint,  // nothing printed contains the text for a while
};

struct ScenarioStep {
    StepKind kind = StepKind::Wait;
    int line = 0;         // in the file, from 1
    std::string text;     // as written, without its comment and the blanks around it
    std::string alias;    // Server, ExpectServer: the server; empty for the first one
    std::string command;  // Board, Server: the simulator's command line, as written
    std::string match;    // ExpectServer, ExpectDigits, ExpectPrint, ExpectNoPrint
    int pin = 0;          // ExpectOutput
    int level = 0;        // ExpectOutput
    int first = 0;        // ExpectDigits
    int last = 0;         // ExpectDigits
    int64_t ms = 0;       // Wait, and how long an expectation may take (or must hold)
};

struct Scenario {
    std::string instance;  // empty: named by the file
    bool servoBoard = false;
    std::vector<int> extensions;  // ADDRs of the simulated board's extension cards
    std::vector<ScenarioStep> steps;
};

struct ScenarioError {
    int line = 0;
    std::string reason;
};

struct ScenarioParse {
    Scenario scenario;
    std::optional<ScenarioError> error;  // the first malformed line; the scenario is then empty
};

inline constexpr int64_t kDefaultWithinMs = 1000;
inline constexpr int64_t kMaxScenarioMs = 3'600'000;  // an hour: more is a typing error

// The text of a scenario file (UTF-8) into steps, or the first line that cannot be one.
ScenarioParse ParseScenario(std::string_view text);

// A step as a line of a scenario file, and a whole scenario as its file: the parse of either
// gives the same steps back.
std::string FormatStep(const ScenarioStep& step);
std::string FormatScenario(const Scenario& scenario);

// A word as the file writes it: in double quotes (with \" and \\) when it holds a blank, a quote,
// a backslash or a '#', or is empty.
std::string QuoteWord(std::string_view word);

// Whether a word is one of the test server's commands (an alias spelled so must be quoted).
bool IsServerCommand(std::string_view word);

}  // namespace orva
