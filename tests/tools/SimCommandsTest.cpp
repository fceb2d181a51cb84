// The simulators' command line and their table of commands: the help names every command, and
// every command the table documents is one its simulator takes.
#include <gtest/gtest.h>

#include "BoardSim.h"
#include "IocpSim.h"
#include "SimCommands.h"
#include "support/Process.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

class SimCommandsTest : public test::HomeTest {
protected:
    struct Run {
        int code = -1;
        std::string out;
        std::string err;
    };
    // orvasim with one argument, its standard output and standard error apart.
    Run Orvasim(const std::vector<std::string>& args) {
        const std::string errFile = (home_.Root() / "stderr").string();
        std::vector<std::string> shellArgs = {"-c", "exec \"$0\" \"$@\" 2>\"$ERRFILE\"",
                                              test::BinPath("orvasim")};
        shellArgs.insert(shellArgs.end(), args.begin(), args.end());
        test::Process p("/bin/sh", shellArgs, {{"ERRFILE", errFile}});
        Run run;
        run.code = p.Wait(10s);
        for (const std::string& line : p.Lines()) run.out += line + "\n";
        run.err = test::ReadBytes(errFile);
        return run;
    }
};

TEST_F(SimCommandsTest, HelpListsEveryOptionAndCommandOnStandardOutput) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"board", "--help"}}) {
        const Run run = Orvasim(args);
        EXPECT_EQ(run.code, 0) << args.back();
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, sim::SimHelp());
    }
    const std::string help = sim::SimHelp();
    EXPECT_EQ(help.rfind(sim::SimUsage(), 0), 0u);
    for (const sim::SimCommand& c : sim::SimCommands()) {
        const std::string entry = "  " + std::string(c.name) +
                                  (c.arguments.empty() ? "" : " " + std::string(c.arguments));
        EXPECT_TRUE(help.find(entry + " ") != std::string::npos ||
                    help.find(entry + "\n") != std::string::npos)
            << entry;
    }
    for (const sim::SimOption& o : sim::SimOptions()) {
        EXPECT_NE(help.find("  " + std::string(o.option)), std::string::npos) << o.option;
    }
    // No line is wider than a terminal.
    for (size_t at = 0, end = 0; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        EXPECT_LE(end - at, 79u) << help.substr(at, end - at);
    }
}

TEST_F(SimCommandsTest, VersionAndWrongCommandLines) {
    Run run = Orvasim({"--version"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "orvasim (OrvaPanel) " ORVA_VERSION "\n");
    // A wrong command line: the usage on standard error, nothing on standard output, code 2.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {},
                                                 {"board", "--bogus", "1"},
                                                 {"iocp", "--port"},
                                                 {"ctl", "/nowhere"},
                                                 {"sideways"}}) {
        run = Orvasim(args);
        EXPECT_EQ(run.code, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, sim::SimUsage());
    }
}

// Each command's example, given to its simulator, is a command it knows and whose arguments it
// takes; a word that is no command gets the list of those it knows.
TEST_F(SimCommandsTest, EveryDocumentedCommandIsOneItsSimulatorTakes) {
    sim::CBoardSim board({"ORVA-77", sim::BoardKind::Main, {0, 5, 15}});
    sim::CIocpSim server({0, "P3D", 0});
    ASSERT_TRUE(board.Start());
    ASSERT_TRUE(server.Start());
    size_t count[2] = {0, 0};
    for (const sim::SimCommand& c : sim::SimCommands()) {
        ASSERT_TRUE(c.simulator == "board" || c.simulator == "iocp") << c.simulator;
        const bool isBoard = c.simulator == "board";
        ++count[isBoard ? 0 : 1];
        EXPECT_TRUE(c.example == c.name || c.example.starts_with(std::string(c.name) + " "))
            << c.example;
        const std::string answer = isBoard ? board.Execute(std::string(c.example))
                                           : server.Execute(std::string(c.example));
        EXPECT_NE(answer.rfind("error", 0), 0u) << c.example << " -> " << answer;
    }
    EXPECT_GE(count[0], 15u);
    EXPECT_GE(count[1], 15u);
    EXPECT_EQ(board.Execute("dance"), sim::UnknownCommandAnswer("board"));
    EXPECT_EQ(server.Execute("dance"), sim::UnknownCommandAnswer("iocp"));
    EXPECT_NE(sim::UnknownCommandAnswer("iocp").find(", drop-at-registration, "),
              std::string::npos);
}

}  // namespace
}  // namespace orva
