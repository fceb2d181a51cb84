#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "SoakSupport.h"
#include "support/Simulators.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

// A board and a server as processes, and the headless program between them counting the
// changes of input 20 in a global; input 21 sends the count to offset 100 + its level.
class InputSoak : public test::HomeTest {
protected:
    void SetUp() override {
        board_ = test::StartBoard("ORVA-12345");
        server_ = test::StartServer("P3D");
        ASSERT_TRUE(board_->Ready() && server_->Ready());
        test::WriteInstance(
            home_.MakeUserFolder(), "soak", server_->Port(),
            test::Offset(0, "START", 0, "n = 0") + test::Offset(2, "COUNTED", 20, "n = n + 1") +
                test::Offset(2, "TELL", 21, "iocp.offset.value.set('P3D', 100 + Value, n)"));
        panel_ = std::make_unique<test::Process>(
            test::BinPath("orvapanel-headless"), std::vector<std::string>{"/SOAK"},
            std::vector<std::pair<std::string, std::string>>{{"ORVA_WEB_HOST", ""}});
        ASSERT_TRUE(panel_->WaitForLine("Current status: Connected.", 10s).has_value());
    }
    void TearDown() override {
        if (!panel_) return;
        panel_->Signal(SIGTERM);
        EXPECT_EQ(panel_->Wait(), 0);
    }
    // The count the panel holds once every report sent so far is handled, asked twice so that
    // a change counted late (or twice) shows too. The board takes the questions as the toggles
    // went: through its control socket, or behind them on its input.
    void ExpectCount(long long count, bool throughInput = false) {
        const auto ask = [&](int level) {
            const std::string set = "set 21 " + std::to_string(level);
            if (throughInput) {
                board_->Proc().Write(set + "\n");
            } else {
                EXPECT_EQ(board_->Command(set), "ok");
            }
            const std::string offset = std::to_string(100 + level);
            EXPECT_EQ(server_->Command("wait-line Arn.Resp:" + offset + "=" +
                                       std::to_string(count) + ": 60000"),
                      "ok")
                << "counted " << server_->Command("get " + offset) << " of " << count;
        };
        ask(1);
        ask(0);
    }

    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<test::Process> panel_;
};

TEST_F(InputSoak, AHundredThousandTogglesAsFastAsTheBoardSendsAreCountedOnceEach) {
    EXPECT_EQ(board_->Command("burst 20 100000"), "ok");
    ExpectCount(100000);
}

// As a user tries it: "toggle" lines on the simulator's stdin, in bursts faster than the
// panel takes them.
TEST_F(InputSoak, ToggleLinesOnTheSimulatorsInputAreCountedOnceEach) {
    long long sent = 0;
    for (const int burst : {200, 1000, 5000, 20000}) {
        std::string lines;
        for (int i = 0; i < burst; ++i) lines += "toggle 20\n";
        board_->Proc().Write(lines);
        sent += burst;
        ExpectCount(sent, true);
    }
}

}  // namespace
}  // namespace orva
