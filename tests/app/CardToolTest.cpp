// A card tool's own board without any window: found, opened and read while a monitor takes its
// snapshots, lost and found again as the board goes and comes, and let go. Its reader, the device
// watcher and the queue are the threads the card tools and the I/O monitor start.
#include <gtest/gtest.h>

#include <map>

#include "app/CardTool.h"
#include "card/VirtualBoard.h"
#include "support/Pump.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

class CardToolTest : public test::HomeTest {};

TEST_F(CardToolTest, FollowsItsBoardAsItGoesAndComesAndLetsItGoWithTheAnalogChannelsOff) {
    const std::vector<std::string> boardArgs{"board", "--serial", "ORVA-12345", "--kind",
                                             "main",  "--ext",    "0"};
    auto board = std::make_unique<test::SimProcess>(boardArgs);
    ASSERT_TRUE(board->Ready());
    CVirtualHidBackend backend;
    std::map<int64_t, int> changes;  // input notifications per pin
    int deviceChanges = 0;
    CCardTool tool(backend, CCardTool::OnFinish::AdcOffThenClose,
                   {[&](const Notification& n) {
                        if (n.message == WM_CARD_INPUT) ++changes[n.wParam];
                    },
                    [&] { ++deviceChanges; }});
    const auto pump = [&](const std::function<bool()>& until) {
        return test::PumpUntil(tool.Notify(), until, 5000ms);
    };
    ASSERT_TRUE(tool.LookForCard(-1, u"ORVA-12345"));
    EXPECT_EQ(tool.Lines(), (std::vector<std::u16string>{u"001: ORVA-12345"}));
    const auto boardMask = [&](test::SimProcess& b, const std::string& mask) {
        return pump([&] { return b.Command("mask") == mask; });
    };
    ASSERT_TRUE(tool.OpenCard(-1, u"ORVA-12345", false));
    tool.Card().SetAdcMask(0x03);
    EXPECT_TRUE(boardMask(*board, "adc=3"));

    // A burst of changes read while snapshots are taken, as the I/O monitor takes them: each
    // change counted once.
    board->Command("burst 20 200");
    EXPECT_TRUE(pump([&] { return tool.Card().Snapshot(true).connected && changes[20] == 200; }));
    EXPECT_EQ(changes[20], 200);

    // Unplugged: the tool hears of it and finds no board; plugged in again, it opens it.
    const int before = deviceChanges;
    board->Kill();
    EXPECT_TRUE(pump([&] { return deviceChanges > before; }));
    EXPECT_FALSE(tool.LookForCard(-1, u"ORVA-12345"));
    auto back = std::make_unique<test::SimProcess>(boardArgs);
    EXPECT_TRUE(pump([&] { return tool.LookForCard(-1, u"ORVA-12345"); }));
    ASSERT_TRUE(tool.OpenCard(-1, u"ORVA-12345", false));
    changes.clear();
    back->Command("set 21 1");
    EXPECT_TRUE(pump([&] { return changes[21] == 1; }));

    tool.Card().SetAdcMask(0x01);
    EXPECT_TRUE(boardMask(*back, "adc=1"));
    tool.Finish();
    EXPECT_TRUE(boardMask(*back, "adc=0"));
    EXPECT_FALSE(tool.Card().IsConnected());
    // Whatever the board says after that reaches nobody.
    back->Command("set 22 1");
    tool.Notify().WaitAndProcess(100ms);
    EXPECT_EQ(changes[22], 0);
}

}  // namespace
}  // namespace orva
