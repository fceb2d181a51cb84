#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <csignal>

#include <algorithm>
#include <functional>

#include "app/CrashReport.h"
#include "app/InstanceName.h"
#include "app/InstanceRegistry.h"
#include "support/Process.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

// The headless program as a real process: its first line is the title it settled on.
class StartupTest : public test::HomeTest {
protected:
    struct Run {
        std::string firstLine;
        std::vector<std::string> lines;
        int exitCode;
    };
    Run Start(const std::vector<std::string>& args) {
        test::Process p(test::BinPath("orvapanel-headless"), args, {{"ORVA_WEB_HOST", ""}});
        Run run;
        run.firstLine = p.ReadLine(10s).value_or("");
        while (p.ReadLine(2s)) {
        }
        run.exitCode = p.Wait(10s);
        run.lines = p.Lines();
        return run;
    }
};

TEST_F(StartupTest, InstanceNamesFromTheCommandLine) {
    EXPECT_EQ(Start({}).firstLine, "OrvaPanel (ID000)");
    EXPECT_EQ(Start({"/7"}).firstLine, "OrvaPanel (ID007)");
    EXPECT_EQ(Start({"-cockpit"}).firstLine, "OrvaPanel (COCKPIT)");
    EXPECT_EQ(Start({"/007"}).firstLine, "OrvaPanel (007)");
    EXPECT_EQ(Start({"/-3"}).firstLine, "OrvaPanel (ID-03)");
    EXPECT_EQ(Start({"/a", "/b"}).firstLine, "OrvaPanel (ID000)");  // two parameters: "0"
    EXPECT_EQ(Start({"--instance", "5"}).firstLine, "OrvaPanel (ID005)");
    // A bare parameter names the instance as its flag does; an empty flag takes the first free
    // number.
    const Run run = Start({"plain"});
    EXPECT_EQ(run.firstLine, "OrvaPanel (PLAIN)");
    EXPECT_EQ(run.exitCode, 2);  // no board here: the connect fails
    CInstanceRegistry one;
    CInstanceRegistry two;
    ASSERT_TRUE(one.Acquire(u"OrvaPanel (ID001)"));
    ASSERT_TRUE(two.Acquire(u"OrvaPanel (ID002)"));
    EXPECT_EQ(Start({"/"}).firstLine, "OrvaPanel (ID003)");
}

// An events file broken by hand is printed with its line and column when the program starts and
// again when it connects, and the file is left as it was.
TEST_F(StartupTest, ABrokenEventsFileIsPrintedWithItsLineAndColumn) {
    const auto folder = home_.MakeUserFolder();
    auto board = test::StartBoard("ORVA-12345");
    ASSERT_TRUE(board->Ready());
    test::WriteBytes(folder / "id000_conf.cnf", "[Orva]\nSerial=ORVA-12345\n");
    const std::string broken =
        "<offsets_list version=\"1.0\">\n<offset type=\"2\" id=\"20\"\n"
        "  script=\"if Value < 1 then print('off') end\"/>\n</offsets_list>\n";
    test::WriteBytes(folder / "id000_vars.xml", broken);
    test::Process p(test::BinPath("orvapanel-headless"), {}, {{"ORVA_WEB_HOST", ""}});
    ASSERT_TRUE(p.WaitForLine("status: Connected.", 15s).has_value());
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    const std::vector<std::string> message = {
        "[XML Parsing error] XML Parsing error inside file '" +
            (folder / "id000_vars.xml").string() + "'.",
        "Error: Unexpected token found", "At line 3, column 20.", " -> OK"};
    std::vector<std::string> lines = p.Lines();
    size_t shown = 0;
    for (auto at = lines.begin();
         (at = std::search(at, lines.end(), message.begin(), message.end())) != lines.end(); ++at) {
        ++shown;
    }
    EXPECT_EQ(shown, 2u) << ::testing::PrintToString(lines);
    EXPECT_EQ(test::ReadBytes(folder / "id000_vars.xml"), broken);
}

TEST_F(StartupTest, RefusedNamesEndWithCodeOneBeforeAnyFile) {
    const Run invalid = Start({"/a:b"});
    EXPECT_EQ(invalid.exitCode, 1);
    ASSERT_GE(invalid.lines.size(), 2u);
    EXPECT_EQ(invalid.lines[0], "[Error] Invalid OrvaPanel name (A:B).");
    EXPECT_EQ(invalid.lines[1], "It must be a valid file name, so A:B is not valid. -> OK");

    CInstanceRegistry running;
    ASSERT_TRUE(running.Acquire(u"OrvaPanel (ID000)"));
    const Run second = Start({});
    EXPECT_EQ(second.exitCode, 1);
    ASSERT_GE(second.lines.size(), 2u);
    EXPECT_EQ(second.lines[0], "[Error] The OrvaPanel (ID000) is designed to run once per PC.");
    EXPECT_EQ(second.lines[1],
              "You allready have a OrvaPanel (ID000) hinstance running on this PC. -> OK");
    const Run seventh = Start({"/3"});
    EXPECT_EQ(seventh.firstLine, "OrvaPanel (ID003)");
    // Neither refused start wrote a file.
    EXPECT_FALSE(
        std::filesystem::exists(home_.Documents() / "Tessel.Works" / "OrvaPanel" / "a:b_conf.cnf"));
}

TEST(InstanceRegistry, TheTitleIsTakenOnceAndCounted) {
    test::TempHome home;
    CInstanceRegistry a;
    CInstanceRegistry b;
    ASSERT_TRUE(a.Acquire(u"OrvaPanel (RACE)"));
    EXPECT_FALSE(b.Acquire(u"OrvaPanel (RACE)"));  // taking is checking: no window between
    EXPECT_TRUE(b.Acquire(u"OrvaPanel (ID001)"));
    EXPECT_EQ(a.CountOthers(u"OrvaPanel ("), 1);
    EXPECT_EQ(b.CountOthers(u"OrvaPanel (R"), 1);
    a.Release();
    EXPECT_TRUE(b.Acquire(u"OrvaPanel (RACE)"));
    EXPECT_EQ(b.Title(), u"OrvaPanel (RACE)");
    EXPECT_EQ(a.CountOthers(u"OrvaPanel ("), 1);  // ID001 was let go when b took RACE
}

TEST(InstanceName, SettlingRules) {
    test::TempHome home;
    EXPECT_EQ(InstanceNameFromCommandLine({}), u"0");
    EXPECT_EQ(InstanceNameFromCommandLine({u"/x1"}), u"x1");
    EXPECT_EQ(InstanceNameFromCommandLine({u"file.txt"}), u"file.txt");
    EXPECT_EQ(InstanceNameFromCommandLine({u"/a", u"/b"}), u"0");
    CInstanceRegistry r;
    EXPECT_EQ(SettleInstanceName(u"0", r).name, u"ID000");
    EXPECT_EQ(SettleInstanceName(u"99999999999", r).name, u"99999999999");
    EXPECT_TRUE(HasForbiddenNameCharacter(u"a|b"));
    EXPECT_TRUE(HasForbiddenNameCharacter(u"a\nb"));
    EXPECT_FALSE(HasForbiddenNameCharacter(u"Cockpit 2"));
}

// Runs crash in a child process with the crash report installed; its stderr and exit code.
std::pair<std::string, int> CrashIn(const std::function<void()>& crash) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {"", -1};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 2);
        InstallCrashReport();
        crash();
        ::_exit(99);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buf[512];
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buf, sizeof(buf))) > 0)
        report.append(buf, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {report, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

TEST(CrashReport, NamesTheInstanceNoneBeforeItIsSettled) {
    const auto [report, code] = CrashIn([] { std::raise(SIGSEGV); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(report.rfind(
                  "OrvaPanel (NONE): INTERNAL ERROR.\nContentRecord:\n        Context Falgs: 0\n\n"
                  "ExceptionRecord:\n        ExceptionAddress: 0x",
                  0),
              0u)
        << report;
    EXPECT_NE(report.find("        ExceptionCode: 0xB\n        Segmentation fault"),
              std::string::npos);
    EXPECT_NE(report.find("        ExceptionInformation:\t0x"), std::string::npos);
}

TEST(CrashReport, UncaughtExceptionAfterTheNameIsSettled) {
    const auto [report, code] = CrashIn([] {
        SetCrashInstanceName(u"COCKPIT");
        std::terminate();
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(report.rfind("OrvaPanel (COCKPIT): INTERNAL ERROR.\n", 0), 0u);
    EXPECT_NE(report.find("ExceptionCode: 0xE06D7363"), std::string::npos);
}

}  // namespace
}  // namespace orva
