// The desktop program as a process: on a virtual X display with a small tray and without any,
// exchanging events with other programs through the X11 clipboard, and under a locale that
// writes numbers with a comma.
#include <gtest/gtest.h>

#include <signal.h>

#include <clocale>
#include <cstdio>
#include <filesystem>

#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        while (size_t n = std::fread(buf, 1, sizeof(buf), p)) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

bool Installed(const char* program) {
    return std::filesystem::exists(std::string("/usr/bin/") + program);
}

class SmokeTest : public test::HomeTest {
protected:
    void SetUp() override { folder_ = home_.MakeUserFolder(); }

    // The simulators and an instance that connects to them at start-up.
    void StartSimulators(std::u16string afterConnect = u"") {
        board_ = test::StartBoard("ORVA-12345");
        server_ = test::StartServer("P3D");
        ASSERT_TRUE(board_->Ready() && server_->Ready());
        test::WriteBytes(folder_ / "id000_conf.cnf",
                         "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                             std::to_string(server_->Port()) +
                             "\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
        if (afterConnect.empty()) return;
        test::WriteBytes(
            folder_ / "id000_vars.xml",
            "\xFF\xFE" + ToUtf16LeBytes(u"<offsets_list version=\"1.0\"><offset "
                                        u"type=\"0\" name=\"HELLO\" id=\"0\" script=\"" +
                                        afterConnect + u"\"/></offsets_list>"));
    }
    // A virtual display of its own; its number.
    std::string StartDisplay() {
        xvfb_ = std::make_unique<test::Process>(
            "/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-screen", "0",
                                                      "1024x768x24", "-nolisten", "tcp"});
        const auto number = xvfb_->ReadLine();
        return number ? ":" + *number : "";
    }
    std::unique_ptr<test::Process> StartProgram(
        std::vector<std::pair<std::string, std::string>> env) {
        env.emplace_back("ORVA_WEB_HOST", "");
        return std::make_unique<test::Process>(test::BinPath("orvapanel"),
                                               std::vector<std::string>{}, env);
    }
    // Connected to both simulators, then a stop signal ends it as its Exit button does.
    void ExpectConnectedAndStoppedBySignal(test::Process& program) {
        EXPECT_EQ(server_->Command("wait-clients 1 10000"), "ok");
        EXPECT_EQ(board_->Command("wait-client 10000"), "ok");
        program.Signal(SIGTERM);
        EXPECT_EQ(program.Wait(), 0);
        EXPECT_EQ(server_->Command("wait-line Arn.Fin: 3000"), "ok");
        EXPECT_EQ(board_->Command("outputs"), "on:");
    }

    std::filesystem::path folder_;
    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<test::Process> xvfb_;
};

TEST_F(SmokeTest, WithATrayTheIconSitsInIt) {
    if (!Installed("Xvfb") || !Installed("trayer") || !Installed("xwininfo")) {
        GTEST_SKIP() << "Xvfb, trayer or xwininfo is missing (scripts/setup installs them)";
    }
    const std::string display = StartDisplay();
    ASSERT_FALSE(display.empty());
    test::Process tray(
        "/usr/bin/trayer",
        {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"},
        {{"DISPLAY", display}});
    const std::string panel = "DISPLAY=" + display + " xwininfo -name panel -tree 2>/dev/null";
    for (int i = 0; i < 100 && Shell(panel).empty(); ++i) ::usleep(50000);
    ASSERT_FALSE(Shell(panel).empty()) << "trayer did not start";
    StartSimulators();
    auto program = StartProgram({{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
    const auto line = program->WaitForLine("tray", std::chrono::seconds(15));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "The tray icon is shown.");
    // The icon's window is embedded in the tray's panel.
    bool embedded = false;
    for (int i = 0; i < 100 && !embedded; ++i) {
        embedded = Shell(panel).find("\"orvapanel\"") != std::string::npos;
        if (!embedded) ::usleep(50000);
    }
    EXPECT_TRUE(embedded) << Shell(panel);
    ExpectConnectedAndStoppedBySignal(*program);
}

TEST_F(SmokeTest, WithoutATrayTheWindowStaysReachable) {
    if (!Installed("Xvfb")) GTEST_SKIP() << "Xvfb is missing (scripts/setup installs it)";
    const std::string display = StartDisplay();
    ASSERT_FALSE(display.empty());
    StartSimulators();
    auto program = StartProgram({{"DISPLAY", display}, {"QT_QPA_PLATFORM", "xcb"}});
    const auto line = program->WaitForLine("tray", std::chrono::seconds(15));
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line,
              "This desktop has no system tray: the window is minimised where it would be "
              "hidden.");
    ExpectConnectedAndStoppedBySignal(*program);
}

// The program on a virtual display, with its windows found by their titles as a user sees them.
class DisplayedProgramTest : public SmokeTest {
protected:
    void SetUp() override {
        SmokeTest::SetUp();
        if (!Installed("Xvfb") || !Installed("xdotool")) {
            GTEST_SKIP() << "Xvfb or xdotool is missing (scripts/setup installs them)";
        }
        display_ = StartDisplay();
        ASSERT_FALSE(display_.empty());
    }
    std::unique_ptr<test::Process> Start() {
        return StartProgram({{"DISPLAY", display_}, {"QT_QPA_PLATFORM", "xcb"}});
    }
    // Whether a window with that title is shown, within about 15 s.
    bool WindowShown(const std::string& title, bool shown = true) {
        const std::string find =
            "DISPLAY=" + display_ + " xdotool search --onlyvisible --name '^" + title + "$'";
        for (int i = 0; i < 300; ++i) {
            if (Shell(find).empty() != shown) return true;
            ::usleep(50000);
        }
        return false;
    }
    // Keys typed into the window with that title, as a user types them.
    void Keys(const std::string& title, const std::string& keys) {
        Shell("DISPLAY=" + display_ + " xdotool search --onlyvisible --name '^" + title +
              "$' windowfocus --sync key " + keys);
    }
    std::unique_ptr<test::SimProcess> StartBoard() {
        return std::make_unique<test::SimProcess>(std::vector<std::string>{
            "board", "--serial", "ORVA-12345", "--kind", "main", "--ext", "0"});
    }

    std::string display_;
};

// Started with its board unplugged, the question closes itself when the board is plugged in and
// the program goes on; connected, the board unplugged and plugged in again is opened again and
// a switch reaches the server.
TEST_F(DisplayedProgramTest, TheCardQuestionsCloseThemselvesAndTheBoardComesBackOpen) {
    StartSimulators(u"");
    board_->Kill();
    test::WriteBytes(folder_ / "id000_vars.xml",
                     "\xFF\xFE" + ToUtf16LeBytes(u"<offsets_list version=\"1.0\"><offset "
                                                 u"type=\"2\" name=\"SWITCH\" id=\"20\" "
                                                 u"script=\"iocp.offset.value.set('P3D', 330, "
                                                 u"Value)\"/></offsets_list>"));
    auto program = Start();
    ASSERT_TRUE(WindowShown("Card not found..."));
    board_ = StartBoard();
    EXPECT_TRUE(WindowShown("Card not found...", false));
    EXPECT_EQ(server_->Command("wait-clients 1 15000"), "ok");  // AutoConnect goes on

    board_->Kill();
    ASSERT_TRUE(WindowShown("Card not found..."));
    board_ = StartBoard();
    EXPECT_TRUE(WindowShown("Card not found...", false));
    EXPECT_EQ(board_->Command("wait-client 10000"), "ok");
    board_->Command("set 20 1");
    EXPECT_EQ(server_->Command("wait-line Arn.Resp:330=1: 10000"), "ok");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}

// A stop signal while the first connect asks "Auto connect...": the program ends at once, and the
// configuration is byte for byte what it was.
TEST_F(DisplayedProgramTest, AStopUnderTheFirstConnectQuestionStoresNoAnswer) {
    StartSimulators();
    const std::string config = "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                               std::to_string(server_->Port()) + "\n[Orva]\nSerial=ORVA-12345\n";
    test::WriteBytes(folder_ / "id000_conf.cnf", config);
    auto program = Start();
    ASSERT_TRUE(WindowShown("OrvaPanel \\(ID000\\)"));
    // Return presses the default button: Connect.
    Shell("DISPLAY=" + display_ +
          " xdotool search --onlyvisible --name '^OrvaPanel \\(ID000\\)$' windowfocus --sync "
          "key Return");
    ASSERT_TRUE(WindowShown("Auto connect..."));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
    EXPECT_EQ(test::ReadBytes(folder_ / "id000_conf.cnf"), config);
    EXPECT_EQ(server_->Command("wait-clients 0 3000"), "ok");
}

// Reconnecting, a server that stops leaves the program running and waiting, and when it starts
// again the program is connected again, AFTER CONNECT run anew.
TEST_F(DisplayedProgramTest, WithReconnectOnAServerThatComesBackFindsTheProgramConnectedAgain) {
    StartSimulators(u"iocp.offset.value.set('P3D', 999, 1)");
    const int port = server_->Port();
    const std::string config = test::ReadBytes(folder_ / "id000_conf.cnf");
    test::WriteBytes(folder_ / "id000_conf.cnf",
                     config.substr(0, config.find("[Options]")) +
                         "[Options]\nAutoConnect=1\nAutoHide=0\nAutoReconnect=1\n[Orva]\n"
                         "Serial=ORVA-12345\n");
    auto program = Start();
    ASSERT_EQ(server_->Command("wait-line Arn.Resp:999=1: 15000"), "ok");
    server_->Kill();
    ASSERT_TRUE(WindowShown("OrvaPanel \\(ID000\\)"));  // still running, nothing asked
    EXPECT_TRUE(
        Shell("DISPLAY=" + display_ + " xdotool search --onlyvisible --name '\\.\\.\\.$'").empty());
    server_ = std::make_unique<test::SimProcess>(std::vector<std::string>{
        "iocp", "--port", std::to_string(port), "--alias", "P3D", "--keepalive", "0"});
    EXPECT_EQ(server_->Command("wait-line Arn.Resp:999=1: 15000"), "ok");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
    EXPECT_EQ(server_->Command("wait-line Arn.Fin: 3000"), "ok");
}

// A stop ends the program's loop without closing its windows one by one first, which would note
// the I/O monitor as closed: left open, it is open again at the next start.
TEST_F(DisplayedProgramTest, AnIoMonitorLeftOpenIsOpenAgainAtTheNextStart) {
    StartSimulators();
    std::filesystem::create_directories(AppProfileFile().parent_path());
    test::WriteBytes(AppProfileFile(), "[Windows]\nIoMonitor=1\n");
    auto program = Start();
    ASSERT_TRUE(WindowShown("I/O monitor.*"));
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
    EXPECT_EQ(CProfile(AppProfileFile()).ReadInt(u"Windows", u"IoMonitor", 0), 1);
}

// Events offered by another program under the X11 target "ORVAPANEL EVENTS", as a Windows build
// offers them under Wine, are added by "Add event from CB"; copied events are offered under that
// target too, byte for byte, beside our own type.
TEST_F(DisplayedProgramTest, EventsTravelUnderTheTargetOfAWindowsBuild) {
    if (!Installed("xclip")) GTEST_SKIP() << "xclip is missing (scripts/setup installs it)";
    board_ = StartBoard();
    test::WriteBytes(folder_ / "id000_conf.cnf",
                     "[Orva]\nSerial=ORVA-12345\n[Options]\nAutoConnect=0\nAutoHide=0\n");
    // One record: an offset event of the first server, id 1234, disabled, with a script.
    const std::u16string name = u"FLAPS", script = u"print('x')";
    std::string record = std::string("\xFA\x06\0\0\xD2\x04\0\0", 8) + std::string(8, '\0') +
                         std::string("\x01\0\0\0", 4) + std::string(4, '\0');
    for (const size_t length : {name.size(), script.size()})
        record += std::string{char(length), '\0', '\0', '\0'};
    record += ToUtf16LeBytes(name) + ToUtf16LeBytes(script);
    const auto offered = home_.Root() / "offered.bin";
    test::WriteBytes(offered, record);
    const std::string clipboard = "DISPLAY=" + display_ + " xclip -selection clipboard ";
    Shell(clipboard + "-t 'ORVAPANEL EVENTS' -i " + offered.string() + " >/dev/null 2>&1");

    auto program = Start();
    ASSERT_TRUE(WindowShown("OrvaPanel \\(ID000\\)"));
    Keys("OrvaPanel \\(ID000\\)", "alt+e");
    ASSERT_TRUE(WindowShown("Events list"));
    Keys("Events list", "alt+a alt+s");  // add from the clipboard, save and exit
    const std::string saved = ToUtf16LeBytes(
        u"<offset type=\"6\" name=\"FLAPS\" id=\"1234\" val=\"0\" "
        u"script=\"print(&apos;x&apos;)\" disabled=\"yes\"/>");
    bool added = false;
    for (int i = 0; i < 300 && !added; ++i) {
        added = std::filesystem::exists(folder_ / "id000_vars.xml") &&
                test::ReadBytes(folder_ / "id000_vars.xml").find(saved) != std::string::npos;
        if (!added) ::usleep(50000);
    }
    EXPECT_TRUE(added);

    Keys("OrvaPanel \\(ID000\\)", "alt+e");
    ASSERT_TRUE(WindowShown("Events list"));
    Keys("Events list", "ctrl+a alt+c");  // select every row, copy
    std::string targets;
    // Until the program owns the clipboard: xclip offered the one target alone.
    for (int i = 0; i < 300 && targets.find("application/x-orvapanel-events") == std::string::npos;
         ++i) {
        targets = Shell(clipboard + "-t TARGETS -o 2>/dev/null");
        ::usleep(50000);
    }
    EXPECT_NE(targets.find("ORVAPANEL EVENTS\n"), std::string::npos) << targets;
    EXPECT_NE(targets.find("application/x-orvapanel-events\n"), std::string::npos) << targets;
    EXPECT_EQ(Shell(clipboard + "-t 'ORVAPANEL EVENTS' -o"), record);
    Keys("Events list", "alt+x");
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(), 0);
}

TEST_F(SmokeTest, NumbersKeepTheirPointUnderACommaLocale) {
    locale_t comma = ::newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
    if (!comma) GTEST_SKIP() << "the de_DE.UTF-8 locale is not generated (scripts/setup does it)";
    ::freelocale(comma);
    // Lua prints numbers through the C library: a comma locale would give "2,5".
    StartSimulators(u"iocp.offset.value.set('P3D', 100, tostring(2.5) == '2.5' and 1 or 0)");
    auto program = StartProgram({{"QT_QPA_PLATFORM", "offscreen"}, {"LC_ALL", "de_DE.UTF-8"}});
    EXPECT_EQ(server_->Command("wait-line Arn.Resp:100=1: 10000"), "ok");
    ExpectConnectedAndStoppedBySignal(*program);
}

}  // namespace
}  // namespace orva
