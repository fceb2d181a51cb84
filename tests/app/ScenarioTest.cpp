// The scenario file read into steps and written back, the headless program's options, and the
// report formats of a run.
#include <gtest/gtest.h>

#include "app/HeadlessOptions.h"
#include "app/Scenario.h"
#include "app/ScenarioReport.h"
#include "platform/Text.h"

namespace orva {
namespace {

// A step as one comparable line: its kind and every field it uses.
std::string Describe(const ScenarioStep& s) {
    static const char* kKinds[] = {
        "board",         "server",        "wait",          "connect",      "disconnect",
        "expect-server", "expect-output", "expect-digits", "expect-print", "expect-no-print"};
    std::string d = std::string(kKinds[static_cast<int>(s.kind)]) + "@" + std::to_string(s.line);
    if (!s.alias.empty()) d += " alias=" + s.alias;
    if (!s.command.empty()) d += " command=" + s.command;
    if (!s.match.empty()) d += " match=" + s.match;
    if (s.kind == StepKind::ExpectOutput) {
        d += " pin=" + std::to_string(s.pin) + " level=" + std::to_string(s.level);
    }
    if (s.kind == StepKind::ExpectDigits) {
        d += " digits=" + std::to_string(s.first) + "-" + std::to_string(s.last);
    }
    if (s.ms != 0) d += " ms=" + std::to_string(s.ms);
    return d;
}

TEST(ScenarioParse, EveryStepOfTheFormat) {
    const struct {
        const char* line;
        const char* step;
    } cases[] = {
        {"board set 20 1", "board@1 command=set 20 1"},
        {"  board encoder 100 101 -3   # comment", "board@1 command=encoder 100 101 -3"},
        {"board wait-digits 1 3 \"  5\" 200", "board@1 command=wait-digits 1 3 \"  5\" 200"},
        {"server set 330 1", "server@1 command=set 330 1"},
        {"server P3D set 331 7", "server@1 alias=P3D command=set 331 7"},
        {"server \"set\" fin", "server@1 alias=set command=fin"},
        {"server \"My Sim\" setmany 1=2:3=4:", "server@1 alias=My Sim command=setmany 1=2:3=4:"},
        {"wait 50", "wait@1 ms=50"},
        {"connect", "connect@1"},
        {"disconnect", "disconnect@1"},
        {"expect server \"Arn.Resp:330=1:\" within 200",
         "expect-server@1 match=Arn.Resp:330=1: ms=200"},
        {"expect server P3D \"Arn.Resp:331=\"",
         "expect-server@1 alias=P3D match=Arn.Resp:331= ms=1000"},
        {"expect server \"\"", "expect-server@1 ms=1000"},
        {"expect output 30 1 within 0", "expect-output@1 pin=30 level=1"},
        {"expect output 511 0", "expect-output@1 pin=511 level=0 ms=1000"},
        {"expect digits 1 3 \"090\" within 200", "expect-digits@1 match=090 digits=1-3 ms=200"},
        {"expect digits 3 1 090.", "expect-digits@1 match=090. digits=3-1 ms=1000"},
        {"expect print \"switch 20 is \\\"1\\\"\"",
         "expect-print@1 match=switch 20 is \"1\" ms=1000"},
        {"expect print \"a # b\" # not the text", "expect-print@1 match=a # b ms=1000"},
        {"expect no print \"error\" for 500", "expect-no-print@1 match=error ms=500"},
        {"expect no print error", "expect-no-print@1 match=error ms=1000"},
    };
    for (const auto& c : cases) {
        const ScenarioParse parse = ParseScenario(c.line);
        ASSERT_FALSE(parse.error) << c.line << ": " << parse.error->reason;
        ASSERT_EQ(parse.scenario.steps.size(), 1u) << c.line;
        EXPECT_EQ(Describe(parse.scenario.steps[0]), c.step) << c.line;
    }
}

TEST(ScenarioParse, HeadersCommentsBlankLinesAndLineNumbers) {
    const ScenarioParse parse = ParseScenario(
        "\xEF\xBB\xBF# a cockpit\r\ninstance cockpit\r\nboard kind servo ext 15,0,15\r\n\r\n"
        "\t# nothing\r\nboard set 20 1\r\nexpect output 30 1 # the lamp\r\n");
    ASSERT_FALSE(parse.error) << parse.error->reason;
    EXPECT_EQ(parse.scenario.instance, "cockpit");
    EXPECT_TRUE(parse.scenario.servoBoard);
    EXPECT_EQ(parse.scenario.extensions, (std::vector<int>{0, 15}));
    ASSERT_EQ(parse.scenario.steps.size(), 2u);
    EXPECT_EQ(parse.scenario.steps[0].line, 6);
    EXPECT_EQ(parse.scenario.steps[1].line, 7);
    EXPECT_EQ(parse.scenario.steps[1].text, "expect output 30 1");
    EXPECT_FALSE(ParseScenario("").error);
    EXPECT_TRUE(ParseScenario("").scenario.steps.empty());
}

TEST(ScenarioParse, AMalformedLineIsNamedWithItsReason) {
    const struct {
        const char* text;
        int line;
        const char* reason;
    } cases[] = {
        {"board set 20 1\nbord set 20 1", 2,
         "unknown step 'bord' (steps: board, server, wait, connect, disconnect, expect; headers: "
         "instance, board kind)"},
        {"board set 20", 1, "'set' takes 2 words after it, not 1"},
        {"board toggle", 1, "'toggle' takes 1 word after it, not 0"},
        {"board quit", 1,
         "unknown board command 'quit' (set, setmany, toggle, burst, adc, encoder, out, outputs, "
         "display, displays, digits, servo, mask, info, last-report-time, wait-out, wait-digits, "
         "wait-client)"},
        {"server sett 330 1", 1,
         "unknown server command 'sett' (set, setmany, get, burst, fin, again, send, drop, "
         "drop-at-registration, log, clients, wait-line, wait-line-time, wait-clients, info)"},
        {"server P3D", 1, "server [ALIAS] COMMAND ..."},
        {"server \"\" fin", 1, "a server's alias cannot be empty"},
        {"wait", 1, "wait MILLISECONDS"},
        {"wait -1", 1, "the time must be a whole number from 0 to 3600000, not '-1'"},
        {"wait 3600001", 1, "the time must be a whole number from 0 to 3600000, not '3600001'"},
        {"wait 1e3", 1, "the time must be a whole number from 0 to 3600000, not '1e3'"},
        {"connect now", 1, "connect takes nothing after it"},
        {"expect output 15 1", 1, "the output pin must be a whole number from 16 to 511, not '15'"},
        {"expect output 30 2", 1, "the level must be a whole number from 0 to 1, not '2'"},
        {"expect output 30 1 within", 1, "expect output PIN 0|1 [within MILLISECONDS]"},
        {"expect output 30 1 within soon", 1,
         "the time must be a whole number from 0 to 3600000, not 'soon'"},
        {"expect digits 0 3 \"1\"", 1,
         "the first digit must be a whole number from 1 to 160, not '0'"},
        {"expect digits 1 3", 1, "expect digits FIRST LAST TEXT [within MILLISECONDS]"},
        {"expect print \"\"", 1, "expect print TEXT [within MILLISECONDS]"},
        {"expect no print \"x\" within 5", 1, "expect no print TEXT [for MILLISECONDS]"},
        {"expect lamp 30", 1, "expect server, output, digits, print or no print"},
        {"expect print \"open", 1, "the quoted text is not closed with \""},
        {"expect print \"a\"b", 1, "a quoted text must be followed by a blank"},
        {"expect print a\"b\"", 1, "a quote inside a word: put the whole text in quotes"},
        {"\"board\" set 1 1", 1, "a step begins with a word, not with a quoted text"},
        {"board set 20 1\ninstance X", 2, "'instance' belongs before the first step"},
        {"instance A\ninstance B", 2, "the instance is named twice"},
        {"instance a/b", 1, "'a/b' cannot name an instance (it must be a valid file name)"},
        {"board kind main\nboard kind main", 2, "the board is described twice"},
        {"board kind usb", 1, "board kind main|servo [ext ADDR,ADDR,...]"},
        {"board kind main ext 0,25", 1,
         "the extension cards are ADDRs from 0 to 24 split by commas, not '0,25'"},
        {"board kind main ext 0,,1", 1,
         "the extension cards are ADDRs from 0 to 24 split by commas, not '0,,1'"},
        {"expect print \"\xC3\x28\"", 1, "the line is not UTF-8 text"},
        {"wait 5\x01", 1, "the line holds a control character"},
    };
    for (const auto& c : cases) {
        const ScenarioParse parse = ParseScenario(c.text);
        ASSERT_TRUE(parse.error) << c.text;
        EXPECT_EQ(parse.error->line, c.line) << c.text;
        EXPECT_EQ(parse.error->reason, c.reason) << c.text;
        EXPECT_TRUE(parse.scenario.steps.empty());
    }
}

TEST(ScenarioParse, WhatIsWrittenReadsBackTheSame) {
    Scenario s;
    s.instance = "MY PIT";
    s.extensions = {0, 5, 15};
    const auto add = [&](StepKind kind, std::string alias, std::string command, std::string match,
                         int64_t ms) {
        ScenarioStep step;
        step.kind = kind;
        step.alias = std::move(alias);
        step.command = std::move(command);
        step.match = std::move(match);
        step.ms = ms;
        if (kind == StepKind::ExpectOutput) step.pin = 30, step.level = 1;
        if (kind == StepKind::ExpectDigits) step.first = 3, step.last = 1;
        s.steps.push_back(step);
    };
    add(StepKind::Board, "", "setmany 20=1 21=1", "", 0);
    add(StepKind::Server, "within", "set 1 2", "", 0);  // aliases that read as words of ours
    add(StepKind::Server, "fin", "fin", "", 0);
    add(StepKind::Server, "a #b", "again", "", 0);
    add(StepKind::Connect, "", "", "", 0);
    add(StepKind::Wait, "", "", "", 17);
    add(StepKind::ExpectServer, "within", "", "Arn.Resp:\"1\"=\\2:", 1000);
    add(StepKind::ExpectServer, "", "", "", 5);
    add(StepKind::ExpectOutput, "", "", "", 0);
    add(StepKind::ExpectDigits, "", "", "  5.", 1000);
    add(StepKind::ExpectPrint, "", "", "# not a comment", 1000);
    add(StepKind::ExpectNoPrint, "", "", "error", 250);
    add(StepKind::Disconnect, "", "", "", 0);
    const std::string text = FormatScenario(s);
    EXPECT_EQ(text.substr(0, 45), "instance \"MY PIT\"\nboard kind main ext 0,5,15\n");
    const ScenarioParse back = ParseScenario(text);
    ASSERT_FALSE(back.error) << back.error->reason << " at line " << back.error->line << "\n"
                             << text;
    EXPECT_EQ(back.scenario.instance, s.instance);
    EXPECT_EQ(back.scenario.extensions, s.extensions);
    ASSERT_EQ(back.scenario.steps.size(), s.steps.size());
    for (size_t i = 0; i < s.steps.size(); ++i) {
        ScenarioStep expected = s.steps[i];
        expected.line = static_cast<int>(i + 3);
        EXPECT_EQ(Describe(back.scenario.steps[i]), Describe(expected)) << text;
        EXPECT_EQ(back.scenario.steps[i].text, FormatStep(s.steps[i]));
    }
}

TEST(HeadlessOptions, ModesFilesAndTheInstanceTogether) {
    const auto parse = [](std::vector<std::string> args) { return ParseHeadlessOptions(args); };
    const auto run = parse({"/COCKPIT"});
    EXPECT_EQ(run.mode, HeadlessOptions::Mode::Run);
    EXPECT_EQ(run.instanceParams, std::vector<std::u16string>{u"/COCKPIT"});

    const auto scenario = parse({"--scenario", "a.scenario", "/PIT", "--junit=out.xml"});
    EXPECT_EQ(scenario.mode, HeadlessOptions::Mode::Scenario);
    EXPECT_EQ(scenario.scenario, "a.scenario");
    EXPECT_EQ(scenario.junit, "out.xml");
    EXPECT_EQ(scenario.instanceParams, std::vector<std::u16string>{u"/PIT"});

    const auto check = parse({"/PIT", "--check"});
    EXPECT_EQ(check.mode, HeadlessOptions::Mode::Check);
    EXPECT_TRUE(check.error.empty());

    const auto record = parse({"--record=s.scenario", "/PIT"});
    EXPECT_EQ(record.mode, HeadlessOptions::Mode::Run);
    EXPECT_EQ(record.record, "s.scenario");

    const struct {
        std::vector<std::string> args;
        const char* error;
    } wrong[] = {
        {{"--scenario"}, "option '--scenario' needs FILE"},
        {{"--scenario="}, "--scenario needs a file name"},
        {{"--record", ""}, "--record needs a file name"},
        {{"--junit", "x.xml"}, "--junit goes with --scenario"},
        {{"--check", "--scenario", "a"}, "--scenario, --record and --check cannot be combined"},
        {{"--record", "a", "--check"}, "--scenario, --record and --check cannot be combined"},
        {{"--check", "/A", "/B"}, "one instance at most"},
    };
    for (const auto& w : wrong) EXPECT_EQ(parse(w.args).error, w.error) << w.args[0];
}

TEST(ScenarioReport, TapLinesAndAJUnitReportThatCannotBreakItsMarkup) {
    std::string out;
    CScenarioReport report([&out](const std::string& text) { out += text; });
    report.Add({"board set 20 1", 1, StepResult::Status::Passed, "", {}, 0.01});
    report.Add({"expect print \"a#b\"",
                2,
                StepResult::Status::Failed,
                "the scripts printed \"<x> & 'y'\"",
                {"seen\x01"},
                1.0});
    report.Add(
        {"wait 5", 3, StepResult::Status::Skipped, "the program is no longer connected", {}, 0});
    report.Finish();
    EXPECT_EQ(out,
              "ok 1 - board set 20 1\n"
              "not ok 2 - expect print \"a\\#b\" (the scripts printed \"<x> & 'y'\")\n"
              "#   at line 2\n#   seen\x01\n"
              "ok 3 - wait 5 # SKIP the program is no longer connected\n1..3\n");
    EXPECT_FALSE(report.AllPassed());
    EXPECT_EQ(report.JUnitXml("demo", 1.5, ""),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<testsuites name=\"demo\" tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"1\" "
              "time=\"1.500\">\n"
              "  <testsuite name=\"demo\" tests=\"3\" failures=\"1\" errors=\"0\" skipped=\"1\" "
              "time=\"1.500\">\n"
              "    <testcase classname=\"demo\" name=\"1 - board set 20 1 (line 1)\" "
              "time=\"0.010\"/>\n"
              "    <testcase classname=\"demo\" name=\"2 - expect print &quot;a#b&quot; (line 2)\" "
              "time=\"1.000\">\n"
              "      <failure message=\"the scripts printed &quot;&lt;x&gt; &amp; &apos;y&apos;"
              "&quot;\">seen?\n</failure>\n    </testcase>\n"
              "    <testcase classname=\"demo\" name=\"3 - wait 5 (line 3)\" time=\"0.000\">\n"
              "      <skipped message=\"the program is no longer connected\"/>\n"
              "    </testcase>\n  </testsuite>\n</testsuites>\n");
    const std::string error = CScenarioReport([](const std::string&) {
                              }).JUnitXml("x", 0, "a.scenario:3: wait MILLISECONDS");
    EXPECT_NE(error.find("errors=\"1\""), std::string::npos);
    EXPECT_NE(error.find("<error message=\"a.scenario:3: wait MILLISECONDS\"/>"),
              std::string::npos);
}

}  // namespace
}  // namespace orva
