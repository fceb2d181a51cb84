// orvapanel-headless --scenario, --record and --check as a user runs them: real processes, the
// simulators they start themselves, real instance files.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

struct RunResult {
    int code = -1;
    std::vector<std::string> lines;  // stdout and stderr together
    std::string Text() const {
        std::string t;
        for (const auto& l : lines) t += l + "\n";
        return t;
    }
    bool Has(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// The events of the instance PIT: a switch writes an offset, the server's value lights a lamp
// and shows on a display, another switch's script fails, and both connect events print.
constexpr const char* kEvents =
    "<offsets_list version=\"1.0\">"
    "<offset type=\"0\" name=\"START\" id=\"0\" script=\"print('ready') printnl()&#10;"
    "D = orva.display.create(1, 3)\"/>"
    "<offset type=\"2\" name=\"SWITCH\" id=\"20\" script=\"iocp.offset.value.set('P3D', 330, "
    "Value)\"/>"
    "<offset type=\"2\" name=\"BOOM\" id=\"21\" script=\"error('boom')\"/>"
    "<offset type=\"6\" name=\"LAMP\" id=\"330\" script=\"orva.dout.state.set(30, Value)&#10;"
    "orva.display.show.usr(D, '%3.0f', Value * 5)\"/>"
    "<offset type=\"1\" name=\"STOP\" id=\"0\" script=\"print('bye') printnl()\"/>"
    "</offsets_list>";

class ScenarioRunTest : public test::HomeTest {
protected:
    void SetUp() override {
        ::setenv("ORVA_WEB_HOST", "", 1);
        folder_ = home_.MakeUserFolder();
        // No [Options]: a connect of the desktop program would ask and write both.
        WriteConfig("255.255.255.255", 1);
        test::WriteBytes(folder_ / "pit_vars.xml", kEvents);
    }
    void WriteConfig(const std::string& address, int port) {
        test::WriteBytes(folder_ / "pit_conf.cnf",
                         "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=" + address +
                             "\nPort_000=" + std::to_string(port) + "\n[Orva]\nSerial=PIT-00042\n");
    }
    std::filesystem::path Write(const std::string& name, const std::string& text) {
        const auto path = home_.Root() / name;
        test::WriteBytes(path, text);
        return path;
    }
    // The headless program with args; its whole output (stderr too) and its exit code.
    RunResult Headless(const std::vector<std::string>& args) {
        std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" 2>&1",
                                          test::BinPath("orvapanel-headless")};
        shell.insert(shell.end(), args.begin(), args.end());
        test::Process p("/bin/sh", shell);
        RunResult run;
        run.code = p.Wait(60s);
        while (const auto line = p.ReadLine(1s)) run.lines.push_back(*line);
        return run;
    }
    // Every file of the user folder with its bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(folder_)) {
            files[e.path().filename().string()] = test::ReadBytes(e.path());
        }
        return files;
    }

    std::filesystem::path folder_;
};

TEST_F(ScenarioRunTest, APassingScenarioReportsEveryStepAndLeavesTheInstanceAsItWas) {
    const auto before = Files();
    const auto scenario = Write("pit.scenario",
                                "# the instance is named by the file\n"
                                "board set 20 1\n"
                                "expect server \"Arn.Resp:330=1:\" within 3000\n"
                                "expect output 30 1\n"
                                "expect digits 1 3 \"  5\"   # blank digits too\n"
                                "expect print \"ready\"\n"
                                "expect no print \"boom\" for 100\n"
                                "server P3D set 330 0\n"
                                "expect output 30 0\n"
                                "disconnect\n"
                                "expect print \"bye\"\n"
                                "expect server P3D \"Arn.Fin:\"\n");
    const auto junit = home_.Root() / "out" / "report.xml";
    std::filesystem::create_directories(junit.parent_path());
    const RunResult run = Headless({"--scenario", scenario.string(), "--junit", junit.string()});
    EXPECT_EQ(run.code, 0) << run.Text();
    EXPECT_EQ(run.lines, (std::vector<std::string>{
                             "ok 1 - board set 20 1",
                             "ok 2 - expect server \"Arn.Resp:330=1:\" within 3000",
                             "ok 3 - expect output 30 1",
                             "ok 4 - expect digits 1 3 \"  5\"",
                             "ok 5 - expect print \"ready\"",
                             "ok 6 - expect no print \"boom\" for 100",
                             "ok 7 - server P3D set 330 0",
                             "ok 8 - expect output 30 0",
                             "ok 9 - disconnect",
                             "ok 10 - expect print \"bye\"",
                             "ok 11 - expect server P3D \"Arn.Fin:\"",
                             "1..11",
                         }));
    const std::string xml = test::ReadBytes(junit);
    EXPECT_NE(xml.find("<testsuite name=\"pit\" tests=\"11\" failures=\"0\" errors=\"0\""),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("name=\"4 - expect digits 1 3 &quot;  5&quot; (line 5)\""),
              std::string::npos);
    // Byte for byte, and nothing new: the option questions were not asked, nothing was saved.
    EXPECT_EQ(Files(), before);
    // The simulators' private runtime folder is gone with them.
    for (const auto& e :
         std::filesystem::directory_iterator(home_.Root() / "runtime" / "orvapanel")) {
        EXPECT_EQ(e.path().filename().string().rfind("scenario-", 0), std::string::npos)
            << e.path();
    }
}

TEST_F(ScenarioRunTest, AFailedExpectationSaysWhatWasSeenAndTheRunGoesOn) {
    const auto scenario = Write("failing.scenario",
                                "instance pit\n"
                                "board set 20 1\n"
                                "expect output 31 1 within 100\n"
                                "expect output 30 1 within 3000\n"
                                "expect digits 1 3 \"123\" within 100\n"
                                "expect server \"Arn.Key:\" within 100\n"
                                "expect print \"never\" within 100\n"
                                "expect no print \"ready\" for 100\n"
                                "board toggle 7\n"
                                "server P3D get 330\n");
    const auto junit = home_.Root() / "report.xml";
    const RunResult run = Headless({"--scenario", scenario.string(), "--junit", junit.string()});
    EXPECT_EQ(run.code, 1) << run.Text();
    EXPECT_EQ(run.lines, (std::vector<std::string>{
                             "ok 1 - board set 20 1",
                             "not ok 2 - expect output 31 1 within 100 (output 31 is 0)",
                             "#   at line 3",
                             "ok 3 - expect output 30 1 within 3000",
                             "not ok 4 - expect digits 1 3 \"123\" within 100 (digits 1-3 show "
                             "\"  5\")",
                             "#   at line 5",
                             "not ok 5 - expect server \"Arn.Key:\" within 100 (server P3D "
                             "received \"Arn.Inicio:330:\", \"Arn.Resp:330=1:\")",
                             "#   at line 6",
                             "not ok 6 - expect print \"never\" within 100 (the scripts printed "
                             "\"ready\")",
                             "#   at line 7",
                             "not ok 7 - expect no print \"ready\" for 100 (printed \"ready\")",
                             "#   at line 8",
                             "not ok 8 - board toggle 7 (error: toggle PIN)",
                             "#   at line 9",
                             "ok 9 - server P3D get 330",
                             "1..9",
                         }));
    const std::string xml = test::ReadBytes(junit);
    EXPECT_NE(xml.find("tests=\"9\" failures=\"6\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<failure message=\"output 31 is 0\">"), std::string::npos) << xml;
}

TEST_F(ScenarioRunTest, AScenarioThatCannotRunEndsWithCode2AndTheReason) {
    const auto junit = home_.Root() / "report.xml";
    const struct {
        std::string text;
        std::vector<std::string> extra;
        std::string reason;
    } cases[] = {
        {"instance pit\nbord set 20 1\n",
         {},
         "bad.scenario:2: unknown step 'bord' (steps: board, server, wait, connect, disconnect, "
         "expect; headers: instance, board kind)"},
        {"instance nope\nwait 1\n",
         {},
         "there is no instance NOPE (neither " + (folder_ / "nope_conf.cnf").string() + " nor " +
             (folder_ / "nope_vars.xml").string() + " exists)"},
        {"instance nope\nserver FSX fin\n",
         {"/PIT"},
         "bad.scenario:2: no server has the alias FSX (the instance has P3D)"},
    };
    for (const auto& c : cases) {
        const auto scenario = Write("bad.scenario", c.text);
        std::vector<std::string> args = {"--scenario", scenario.string(), "--junit",
                                         junit.string()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const RunResult run = Headless(args);
        EXPECT_EQ(run.code, 2) << run.Text();
        const std::string where =
            c.reason.rfind("bad.scenario", 0) == 0 ? home_.Root().string() + "/" : "";
        EXPECT_EQ(run.lines, std::vector<std::string>{"orvapanel-headless: " + where + c.reason});
        EXPECT_NE(test::ReadBytes(junit).find("errors=\"1\""), std::string::npos);
    }
    const RunResult usage = Headless({"--junit", "x.xml"});
    EXPECT_EQ(usage.code, 2);
    EXPECT_EQ(usage.lines.at(0), "orvapanel-headless: --junit goes with --scenario");
}

TEST_F(ScenarioRunTest, AFailingScriptIsAFailedStepAndTheRestIsNotRun) {
    const auto scenario = Write("pit.scenario",
                                "board set 21 1\n"
                                "expect print \"bye\" within 3000\n"
                                "board set 20 1\n"
                                "expect output 30 1\n");
    const RunResult run = Headless({"--scenario", scenario.string()});
    EXPECT_EQ(run.code, 1) << run.Text();
    // The failure is seen after the step that set it off or the next one, whichever it ran in.
    const std::string error =
        " - script error (Error at DIGITAL PIN event: BOOM. [string \"error('boom')\"]  Line 1: "
        "boom)";
    EXPECT_TRUE(run.Has("not ok 2" + error) || run.Has("not ok 3" + error)) << run.Text();
    EXPECT_TRUE(run.Has("ok 5 - expect output 30 1 # SKIP the program is no longer connected"))
        << run.Text();
    EXPECT_EQ(run.lines.back(), "1..5");
}

TEST_F(ScenarioRunTest, ARunningInstanceAndABoardWithTheSameSerialAreLeftAlone) {
    auto board = test::StartBoard("PIT-00042");
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    const auto scenario = Write("pit.scenario", "board set 20 1\nexpect output 30 1 within 3000\n");
    EXPECT_EQ(Headless({"--scenario", scenario.string()}).code, 0);
    // Never opened: a panel that opens a main board first switches its outputs off.
    EXPECT_NE(board->Command("info").find(" clients=0 reports=0 "), std::string::npos);

    // The instance runs for real meanwhile; the scenario takes no lock of it and touches
    // neither its board nor its server.
    WriteConfig("127.0.0.1", server->Port());
    test::Process panel(test::BinPath("orvapanel-headless"), {"/PIT"});
    ASSERT_TRUE(panel.WaitForLine("Current status: Connected.", 10s).has_value());
    EXPECT_EQ(Headless({"--scenario", scenario.string()}).code, 0);
    EXPECT_EQ(server->Command("clients"), "1");
    EXPECT_EQ(board->Command("set 20 1"), "ok");
    EXPECT_EQ(server->Command("wait-line Arn.Resp:330=1: 3000"), "ok");
    EXPECT_EQ(board->Command("wait-out 30 1 3000"), "ok");
    panel.Signal(SIGTERM);
    EXPECT_EQ(panel.Wait(), 0);
}

TEST_F(ScenarioRunTest, TheCheckCompilesEveryScriptAndNamesTheLine) {
    const RunResult good = Headless({"/PIT", "--check"});
    EXPECT_EQ(good.code, 0);
    EXPECT_EQ(good.lines, std::vector<std::string>{"PIT: all 5 scripts compile"});

    std::string events = kEvents;
    const std::string broken =
        "<offset type=\"2\" name=\"BROKEN\" id=\"22\" disabled=\"yes\" script=\"local a = 1&#10;"
        "if a then print(a)\"/>";
    events.insert(events.find("</offsets_list>"), broken);
    events.insert(events.find("<offset type=\"1\""),
                  "<offset type=\"6\" name=\"BAD\" id=\"331\" script=\"x = = 1\"/>");
    test::WriteBytes(folder_ / "pit_vars.xml", events);
    const RunResult bad = Headless({"--check", "/pit"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.lines, (std::vector<std::string>{
                             "BAD (P3D OFFSET 331): line 1: unexpected symbol near '='",
                             "BROKEN (DIGITAL PIN 22, disabled): line 2: 'end' expected near <eof>",
                             "PIT: 2 of 7 scripts do not compile",
                         }));
    EXPECT_EQ(Headless({"/NOPE", "--check"}).code, 2);

    // A file that does not parse has no scripts to pass: the check says so and fails.
    test::WriteBytes(folder_ / "pit_vars.xml",
                     "<offsets_list version=\"1.0\"><offset type=\"2\" id=\"20\" script=\"if "
                     "Value < 1 then end\"/></offsets_list>");
    const RunResult unread = Headless({"/PIT", "--check"});
    EXPECT_EQ(unread.code, 1);
    EXPECT_EQ(unread.lines, std::vector<std::string>{
                                "PIT: no script was checked: the events file " +
                                (folder_ / "pit_vars.xml").string() +
                                " could not be read (Error: Unexpected token found at line 1, "
                                "column 71)."});
}

// The lines of a file.
std::vector<std::string> FileLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(ScenarioRunTest, ARecordedSessionReplaysAndFailsAtTheStepAScriptChanged) {
    auto board = test::StartBoard("PIT-00042");
    auto server = test::StartServer("P3D");
    ASSERT_TRUE(board->Ready() && server->Ready());
    WriteConfig("127.0.0.1", server->Port());
    std::string events = kEvents;
    // A knob too: its steps reach the scripts through its pins' changes.
    events.insert(events.find("<offset type=\"1\""),
                  "<offset type=\"4\" name=\"KNOB\" id=\"0\" script=\"iocp.offset.value.set("
                  "'P3D', 331, orva.encoder.value.get(Id))\"/>"
                  "<offset type=\"3\" name=\"TRIM\" id=\"2\" script=\"print('trim ', Value) "
                  "printnl()\"/>");
    events.replace(events.find("D = orva"), 0, "K = orva.encoder.create(100, 101)&#10;");
    test::WriteBytes(folder_ / "pit_vars.xml", events);
    // The state the program finds at its connect: a switch no event watches is on.
    EXPECT_EQ(board->Command("set 40 1"), "ok");
    const auto file = home_.Root() / "session.scenario";

    test::Process panel(test::BinPath("orvapanel-headless"), {"/PIT", "--record", file.string()});
    ASSERT_TRUE(panel.WaitForLine("Current status: Connected.", 10s).has_value());
    // The connect is over once the server's first values have run their script: what the
    // board does from now on is a step of the session, not the state it was connected in.
    ASSERT_EQ(board->Command("wait-digits 1 3 \"  0\" 3000"), "ok");
    EXPECT_EQ(board->Command("set 20 1"), "ok");
    EXPECT_EQ(server->Command("wait-line Arn.Resp:330=1: 3000"), "ok");
    EXPECT_EQ(board->Command("wait-out 30 1 3000"), "ok");
    // A knob turned by hand: each edge reaches the scripts before the next (a turn as fast as
    // the simulator's own sends its edges faster than the scripts read the encoder).
    int value = 0;
    for (const char* edge : {"set 100 1", "set 101 1", "set 100 0", "set 101 0"}) {
        EXPECT_EQ(board->Command(edge), "ok");
        EXPECT_EQ(server->Command("wait-line Arn.Resp:331=" + std::to_string(++value) + ": 3000"),
                  "ok");
    }
    EXPECT_EQ(server->Command("set 330 0"), "ok");
    EXPECT_EQ(board->Command("wait-out 30 0 3000"), "ok");
    EXPECT_EQ(board->Command("adc 2 300"), "ok");
    EXPECT_TRUE(panel.WaitForLine("trim 300", 3s).has_value());
    panel.Signal(SIGTERM);
    EXPECT_EQ(panel.Wait(), 0);
    ASSERT_TRUE(panel.WaitForLine("session recorded in " + file.string(), 1s).has_value());

    const auto recorded = FileLines(file);
    const auto has = [&](const std::string& line) {
        return std::find(recorded.begin(), recorded.end(), line) != recorded.end();
    };
    for (const char* line :
         {"instance PIT", "connect", "expect server P3D \"Arn.Inicio:330:\"", "board set 20 1",
          "expect server P3D \"Arn.Resp:330=1:\"", "expect output 30 1",
          "expect digits 1 3 \"  5\"", "board set 100 1", "board set 101 0",
          "expect server P3D \"Arn.Resp:331=4:\"", "server P3D set 330 0", "expect output 30 0",
          "disconnect", "expect server P3D \"Arn.Fin:\""}) {
        EXPECT_TRUE(has(line)) << line << "\n" << test::ReadBytes(file);
    }
    // The switch was on before the connect (its report may have come just after it).
    const auto connect = std::find(recorded.begin(), recorded.end(), "connect");
    EXPECT_TRUE(std::find(recorded.begin(), connect, "board setmany 40=1") < connect ||
                std::find(connect, recorded.end(), "board set 40 1") != recorded.end())
        << test::ReadBytes(file);
    EXPECT_TRUE(has("board adc 2 300")) << test::ReadBytes(file);
    // An encoder's script runs before its pins' change is handled; recorded, what it did comes
    // after that change (the program may have handled the edges in one go: then after all).
    EXPECT_LT(std::find(recorded.begin(), recorded.end(), "board set 101 0"),
              std::find(recorded.begin(), recorded.end(), "expect server P3D \"Arn.Resp:331=4:\""))
        << test::ReadBytes(file);
    // The server's answers to the program's own writes are no steps of the session.
    EXPECT_FALSE(has("server P3D set 330 1")) << test::ReadBytes(file);

    const RunResult replay = Headless({"--scenario", file.string()});
    EXPECT_EQ(replay.code, 0) << replay.Text() << test::ReadBytes(file);

    // The lamp moves to another output: the replay fails where the lamp was expected first.
    std::string changed = events;
    changed.replace(changed.find("orva.dout.state.set(30"), 22, "orva.dout.state.set(31");
    test::WriteBytes(folder_ / "pit_vars.xml", changed);
    const RunResult after = Headless({"--scenario", file.string()});
    EXPECT_EQ(after.code, 1) << after.Text();
    const auto firstFailure =
        std::find_if(after.lines.begin(), after.lines.end(),
                     [](const std::string& l) { return l.rfind("not ok", 0) == 0; });
    ASSERT_NE(firstFailure, after.lines.end()) << after.Text();
    EXPECT_NE(firstFailure->find(" - expect output 30 1 (output 30 is 0)"), std::string::npos)
        << *firstFailure;
    const size_t lampLine =
        std::find(recorded.begin(), recorded.end(), "expect output 30 1") - recorded.begin() + 1;
    EXPECT_EQ(*(firstFailure + 1), "#   at line " + std::to_string(lampLine));
}

}  // namespace
}  // namespace orva
