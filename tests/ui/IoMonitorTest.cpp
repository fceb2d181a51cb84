// The I/O monitor against the simulated board as a process: on its own while disconnected,
// and beside the scripts while connected.
#include <gtest/gtest.h>

#include <QTabWidget>
#include <QTest>

#include "platform/Text.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "ui/DesktopProgram.h"
#include "ui/IoMonitor.h"
#include "ui/IoWidgets.h"

namespace orva {
namespace {

class IoMonitorTest : public test::HomeTest {
protected:
    void SetUp() override {
        folder_ = home_.MakeUserFolder();
        ::setenv("ORVA_WEB_HOST", "", 1);
    }
    // A main board with an input card on ADDR 0 and a display card on ADDR 15.
    void StartBoard() {
        board_ = std::make_unique<test::SimProcess>(std::vector<std::string>{
            "board", "--serial", "ORVA-12345", "--kind", "main", "--ext", "0,15"});
        ASSERT_TRUE(board_->Ready());
    }
    void StartProgram(const std::string& servers, const std::u16string& events = u"") {
        test::WriteBytes(
            folder_ / "id000_conf.cnf",
            servers + "[Options]\nAutoConnect=0\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
        if (!events.empty()) {
            test::WriteBytes(folder_ / "id000_vars.xml",
                             "\xFF\xFE" + ToUtf16LeBytes(u"<offsets_list version=\"1.0\">" +
                                                         events + u"</offsets_list>"));
        }
        program_ = std::make_unique<CDesktopProgram>();
        ASSERT_FALSE(program_->Start({}).has_value());
    }
    CIoMonitor& Monitor() { return *program_->Window().IoMonitor(); }
    CPinGrid::Cell Cell(CPinGrid* grid, int pin) {
        return grid ? grid->Cells()[static_cast<size_t>(pin - grid->FirstPin())] : CPinGrid::Cell{};
    }
    bool Wait(const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); }
    std::string Clients() { return board_->Command("info"); }

    std::filesystem::path folder_;
    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<CDesktopProgram> program_;
};

TEST_F(IoMonitorTest, DisconnectedItOpensTheBoardItselfAndLetsItGoWhenClosed) {
    StartBoard();
    StartProgram("");
    program_->Window().ShowIoMonitor();
    ASSERT_TRUE(Wait([&] { return Monitor().Card() && Monitor().Card()->IsConnected(); }));
    EXPECT_TRUE(Monitor().OwnsBoard());
    EXPECT_TRUE(Monitor().windowTitle().contains(QStringLiteral("opened by the monitor")));
    // The extension cards come from the card information the monitor asks for.
    ASSERT_TRUE(Wait([&] { return Monitor().InputGrid(0) != nullptr; }));
    EXPECT_NE(Monitor().InputGrid(15), nullptr);
    EXPECT_EQ(Monitor().InputGrid(1), nullptr);

    // Lamps follow the inputs; one switched on and off between two looks still flashes.
    ASSERT_EQ(board_->Command("set 20 1"), "ok");
    EXPECT_TRUE(Wait([&] { return Cell(Monitor().InputGrid(0), 20).on; }));
    ASSERT_EQ(board_->Command("set 21 1"), "ok");
    ASSERT_EQ(board_->Command("set 21 0"), "ok");
    EXPECT_TRUE(Wait([&] { return Cell(Monitor().InputGrid(0), 21).flash; }));
    EXPECT_FALSE(Cell(Monitor().InputGrid(0), 21).on);

    // An output test reaches the board.
    Monitor().TestOutput(500);
    EXPECT_EQ(board_->Command("wait-out 500 1 3000"), "ok");
    EXPECT_TRUE(Cell(Monitor().OutputGrid(15), 500).testing);

    // The plot receives the analog values (the monitor switched every channel on).
    Monitor().findChild<QTabWidget*>()->setCurrentIndex(2);
    ASSERT_EQ(board_->Command("adc 3 700"), "ok");
    EXPECT_TRUE(Wait([&] {
        const auto& samples = Monitor().Plot(3)->Samples();
        return !samples.empty() && samples.back().second == 700;
    }));

    Monitor().close();
    EXPECT_FALSE(Monitor().OwnsBoard());
    EXPECT_TRUE(Wait([&] { return Clients().find("clients=0") != std::string::npos; }));
}

TEST_F(IoMonitorTest, ConnectedItShowsWhatTheScriptsDo) {
    StartBoard();
    server_ = test::StartServer("P3D");
    ASSERT_TRUE(server_->Ready());
    StartProgram(
        "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
            std::to_string(server_->Port()) + "\n",
        u"<offset type=\"0\" name=\"HELLO\" id=\"0\" script=\"D = orva.display.create(1, "
        u"3) orva.display.show.hdg(D, 123)\"/>"
        u"<offset type=\"2\" name=\"LAMP_OFF\" id=\"20\" script=\"orva.dout.state.set(500, "
        u"false)\"/>");
    program_->Controller().ToggleConnection();
    ASSERT_TRUE(program_->Controller().IsConnected());
    program_->Window().ShowIoMonitor();
    EXPECT_EQ(Monitor().Card(), &program_->Controller().Card());
    EXPECT_FALSE(Monitor().OwnsBoard());
    // The digits as the board shows them: the last digit id holds the units.
    ASSERT_TRUE(Wait([&] { return Monitor().DisplayRow(0) != nullptr; }));
    EXPECT_TRUE(Wait([&] {
        const auto& codes = Monitor().DisplayRow(0)->Codes();
        return codes[0] == 0x30 && codes[1] == 0x6D && codes[2] == 0x79;
    }));
    // The user tests a lamp; a script switches it off meanwhile: the lamp says so.
    Monitor().TestOutput(500);
    EXPECT_EQ(board_->Command("wait-out 500 1 3000"), "ok");
    EXPECT_FALSE(Cell(Monitor().OutputGrid(15), 500).marked);
    ASSERT_EQ(board_->Command("set 20 1"), "ok");
    EXPECT_TRUE(Wait([&] { return Cell(Monitor().OutputGrid(15), 500).marked; }));
    EXPECT_EQ(board_->Command("out 500"), "0");
    // Disconnected, the monitor takes the board itself.
    program_->Controller().ToggleConnection();
    EXPECT_TRUE(Wait([&] { return Monitor().OwnsBoard() && Monitor().Card(); }));
}

}  // namespace
}  // namespace orva
