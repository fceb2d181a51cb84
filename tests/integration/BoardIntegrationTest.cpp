#include <gtest/gtest.h>

#include <thread>

#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"
#include "core/EventDispatcher.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"
#include "support/Pump.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

struct NoDisconnect : IConnectionControl {
    void Disconnect() override {}
    void RefreshStatus() override {}
};

// orvasim board as its own process; the board object, the dispatch and the scripts here.
class BoardIntegrationTest : public test::HomeTest {
protected:
    void SetUp() override {
        board_ = test::StartBoard("ORVA-24680");
        ASSERT_TRUE(board_->Ready());
        notify_.SetHandler([this](const Notification& n) {
            if (n.message == WM_CARD_IOERROR && n.wParam == 0) ++readErrors_;
            return dispatcher_.Dispatch(n) ? 0 : 1;
        });
        card_.Configure(-1, u"orva-24680");
        ASSERT_TRUE(card_.Open());
        card_.StartThreads();
        state_ =
            CScriptState::Create(ScriptServices{&table_, &servers_, &monitor_, &card_, nullptr});
        dispatcher_.SetScriptRunner(state_.get());
        table_.SetAllLastValues(CEventTable::kNotDispatched);
    }
    void AddEvent(size_t at, uint8_t type, int32_t id, std::u16string script) {
        table_[at].type = type;
        table_[at].id = id;
        table_[at].script = std::move(script);
        table_[at + 1].id = -1;
    }
    bool PumpUntil(const std::function<bool()>& pred,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        return test::PumpUntil(notify_, pred, timeout);
    }

    std::unique_ptr<test::SimProcess> board_;
    CNotify notify_;
    CVirtualHidBackend backend_;
    COrvaCard card_{backend_, &notify_};
    CEventTable table_;
    ServerList servers_;
    CPrintMonitor monitor_;
    CEventTypeNames names_;
    CRecordingPrompt prompt_;
    NoDisconnect control_;
    CEventDispatcher dispatcher_{table_, names_, prompt_, control_};
    std::unique_ptr<CScriptState> state_;
    int readErrors_ = 0;
};

TEST_F(BoardIntegrationTest, AnInputRunsItsScriptWhichSetsAnOutput) {
    AddEvent(0, kEventDigitalPin, 20, u"orva.dout.state.set(30, Value)");
    EXPECT_EQ(board_->Command("set 20 1"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return card_.OutputState(30); }));
    EXPECT_EQ(board_->Command("wait-out 30 1 3000"), "ok");  // the board reports it on
    EXPECT_EQ(board_->Command("set 20 0"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return !card_.OutputState(30); }));
    EXPECT_EQ(board_->Command("wait-out 30 0 3000"), "ok");
    EXPECT_TRUE(prompt_.Requests().empty());
}

TEST_F(BoardIntegrationTest, EncoderStepsRunTheirEventsAndTheDisplayShowsTheHeading) {
    AddEvent(0, kEventEncoder, 0, u"steps = (steps or 0) + Value print(Id, Value, ';')");
    AddEvent(1, kEventAfterConnect, 0,
             u"HDG = orva.display.create(1, 3) KNOB = orva.encoder.create(100, 101)\n"
             u"orva.display.show.hdg(HDG, 365)");
    dispatcher_.RunAfterConnectEvents();
    EXPECT_EQ(board_->Command("wait-digits 1 3 005 3000"), "ok");
    EXPECT_EQ(board_->Command("encoder 100 101 3"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return monitor_.Content().size() >= 12 * 3; }));
    std::u16string expected;
    for (int i = 0; i < 12; ++i) expected += u"11;";
    EXPECT_EQ(monitor_.Content(), expected);
    int32_t value = 0;
    EXPECT_TRUE(card_.GetEncoderValue(1, value));
    EXPECT_EQ(value, 12);
    EXPECT_EQ(board_->Command("display"), "ADDR 15: 005");
}

TEST_F(BoardIntegrationTest, UnplugGivesReadErrorsWithoutASpinAndCloseReturns) {
    board_->Kill();
    ASSERT_TRUE(PumpUntil([&] { return readErrors_ > 0; }));
    const int first = readErrors_;
    PumpUntil([] { return false; }, 1000ms);
    EXPECT_LT(readErrors_ - first, 20);  // a pause between retries, not a spin
    EXPECT_FALSE(card_.IsPresent());
    card_.Close();
    EXPECT_FALSE(card_.IsConnected());
}

}  // namespace
}  // namespace orva
