#include <gtest/gtest.h>

#include <thread>

#include "ScriptTestSupport.h"
#include "core/EventDispatcher.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"

namespace orva {
namespace {

// Stands in for the connection controller: a disconnect runs the BEFORE DISCONNECT events and
// ends the script state, once however often it is asked.
class TestControl : public IConnectionControl {
public:
    void Disconnect() override {
        if (busy_ || !dispatcher->ScriptRunner()) return;
        busy_ = true;
        ++disconnects;
        dispatcher->RunBeforeDisconnectEvents();
        dispatcher->SetScriptRunner(nullptr);
        state->reset();
        busy_ = false;
    }
    void RefreshStatus() override { ++refreshes; }

    CEventDispatcher* dispatcher = nullptr;
    std::unique_ptr<CScriptState>* state = nullptr;
    int disconnects = 0;
    int refreshes = 0;

private:
    bool busy_ = false;
};

class EventDispatchTest : public test::ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        control_.dispatcher = &dispatcher_;
        control_.state = &state_;
        dispatcher_.SetScriptRunner(state_.get());
        table_.SetAllLastValues(CEventTable::kNotDispatched);
    }

    // Appends an event whose script prints "<name>:<Id>=<Value>;" (or the given script).
    EventRecord& Add(uint8_t type, int32_t id, std::u16string name, std::u16string script = u"") {
        EventRecord& r = table_[used_++];
        r.type = type;
        r.id = id;
        r.name = name;
        r.script = script.empty() ? u"print('" + name + u":', Id, '=', Value, ';')" : script;
        table_[used_].id = -1;
        return r;
    }

    CEventTypeNames typeNames_;
    CRecordingPrompt prompt_;
    TestControl control_;
    CEventDispatcher dispatcher_{table_, typeNames_, prompt_, control_};
    size_t used_ = 0;
};

TEST_F(EventDispatchTest, CardEventsMatchByIdOrCatchAll) {
    Add(kEventDigitalPin, 0, u"ANY");
    Add(kEventDigitalPin, 37, u"P37");
    Add(kEventAnalogChannel, 2, u"A2");
    Add(kEventEncoder, 0, u"ENC");
    Add(kEventIoError, 1, u"WRITE");
    dispatcher_.OnCardInput(18, 1);
    dispatcher_.OnCardInput(37, 0);
    dispatcher_.OnCardAdc(2, 512);
    dispatcher_.OnCardAdc(3, 100);
    dispatcher_.OnCardEncoder(5, -1);
    dispatcher_.OnCardIoError(1, 31);
    EXPECT_EQ(Monitor(), "ANY:18=1;ANY:37=0;P37:37=0;A2:2=512;ENC:5=-1;WRITE:1=31;");
    // Channel 0, encoder 0 and read failures dispatch nothing.
    Add(kEventAnalogChannel, 0, u"ALLA");
    Add(kEventIoError, 0, u"ALLIO");
    monitor_.Clear();
    dispatcher_.OnCardAdc(0, 5);
    dispatcher_.OnCardEncoder(0, 1);
    dispatcher_.OnCardIoError(0, 5);
    dispatcher_.OnCardInput(0, 1);
    EXPECT_EQ(Monitor(), "");
}

TEST_F(EventDispatchTest, DisabledAndEmptyAndAfterTheEndDoNothing) {
    Add(kEventDigitalPin, 16, u"OFF").disabled = true;
    Add(kEventDigitalPin, 16, u"EMPTY", u"").script.clear();
    Add(kEventDigitalPin, 16, u"ON");
    table_[used_ + 1] = table_[2];  // beyond the end of the used part
    dispatcher_.OnCardInput(16, 1);
    EXPECT_EQ(Monitor(), "ON:16=1;");
}

TEST_F(EventDispatchTest, AFailureStopsTheWalkMarksDisconnectsAndTellsOnce) {
    servers_ = {{u"p3d", u"127.0.0.1", 8090}};
    typeNames_.NameServers(servers_);
    Add(kEventBeforeDisconnect, 0, u"BYE");
    EventRecord& flaps = Add(kEventFirstIocp, 3367, u"FLAPS", u"print('F') error('stuck')");
    Add(kEventFirstIocp, 3368, u"SLATS");
    flaps.value = 10;
    table_[2].value = 20;
    dispatcher_.OnIocpNotify(0, kEventFirstIocp);
    EXPECT_TRUE(flaps.errorMark);
    EXPECT_FALSE(table_[2].errorMark);
    EXPECT_EQ(Monitor(), "FBYE:0=0;");  // SLATS never ran; BYE ran in the disconnect
    EXPECT_EQ(control_.disconnects, 1);
    EXPECT_EQ(control_.refreshes, 1);
    EXPECT_EQ(dispatcher_.ScriptRunner(), nullptr);
    EXPECT_EQ(prompt_.Requests(),
              (std::vector<PromptRequest>{
                  {u"Error at P3D OFFSET event: FLAPS.\r\n[string \"print('F') error('stuck')\"]"
                   u"\r\n\r\nLine 1: stuck",
                   u"LUA Script Error", PromptButtons::Ok, PromptIcon::Error, true}}));
    // Queued notifications after the disconnect find no script state.
    monitor_.Clear();
    dispatcher_.OnIocpNotify(0, kEventFirstIocp);
    EXPECT_EQ(Monitor(), "");
}

TEST_F(EventDispatchTest, FailingBeforeDisconnectScriptDisconnectsOnce) {
    Add(kEventBeforeDisconnect, 0, u"B1", u"print('b1') error('x')");
    Add(kEventBeforeDisconnect, 0, u"B2");
    control_.Disconnect();
    EXPECT_EQ(control_.disconnects, 1);
    EXPECT_EQ(Monitor(), "b1");
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Texts()[0].rfind(u"Error at BEFORE DISCONNECT event: B1.\r\n", 0), 0u);
    EXPECT_TRUE(table_[0].errorMark);
}

TEST_F(EventDispatchTest, FailingAfterConnectScriptDisconnects) {
    Add(kEventAfterConnect, 0, u"HELLO", u"x = nil + 1");
    Add(kEventAfterConnect, 0, u"SECOND");
    dispatcher_.RunAfterConnectEvents();
    EXPECT_EQ(control_.disconnects, 1);
    EXPECT_EQ(Monitor(), "");
    EXPECT_EQ(prompt_.Texts()[0].rfind(u"Error at AFTER CONNECT event: HELLO.\r\n", 0), 0u);
}

TEST_F(EventDispatchTest, IocpEventsFollowValuesAndLastValue) {
    Add(kEventFirstIocp, 330, u"HDG");
    EventRecord& off = Add(kEventFirstIocp, 331, u"OFF");
    off.disabled = true;
    EventRecord& quiet = Add(kEventFirstIocp, 332, u"QUIET", u"");
    quiet.script.clear();
    Add(kEventFirstIocp + 1, 330, u"OTHER");
    // After load and connect only values other than -9999 dispatch.
    table_[0].value = CEventTable::kNotDispatched;
    off.value = 4;
    quiet.value = 7;
    dispatcher_.OnIocpNotify(0, kEventFirstIocp);
    EXPECT_EQ(Monitor(), "");
    EXPECT_EQ(quiet.lastValue.load(), 7);  // an empty script still takes the value
    EXPECT_EQ(off.lastValue.load(), CEventTable::kNotDispatched);
    table_[0].value = 90;
    dispatcher_.OnIocpNotify(1, kEventFirstIocp);
    dispatcher_.OnIocpNotify(1, kEventFirstIocp);  // no change: nothing
    dispatcher_.OnIocpNotify(9999, kEventFirstIocp);
    EXPECT_EQ(Monitor(), "HDG:330=90;");
    // event.reset re-arms without a change of value.
    ASSERT_TRUE(Run(u"event.reset(0)"));
    dispatcher_.OnIocpNotify(2, kEventFirstIocp);
    EXPECT_EQ(Monitor(), "HDG:330=90;HDG:330=90;");
}

TEST_F(EventDispatchTest, AnIocpEventSeesTheValueAtDispatchTime) {
    EventRecord& hdg = Add(kEventFirstIocp, 330, u"HDG");
    CNotify notify;
    notify.SetHandler([&](const Notification& n) { return dispatcher_.Dispatch(n) ? 0 : 1; });
    // The network thread wrote twice before the main thread ran: one run, the later value.
    std::thread parser([&] {
        hdg.value = 20;
        notify.Post(WM_IOCP_NOTIFY, 0, kEventFirstIocp);
        hdg.value = 30;
        notify.Post(WM_IOCP_NOTIFY, 0, kEventFirstIocp);
    });
    parser.join();
    notify.ProcessPending();
    EXPECT_EQ(Monitor(), "HDG:330=30;");
    // Changed and back again before the main thread ran: nothing to run.
    hdg.value = 40;
    notify.Post(WM_IOCP_NOTIFY, 0, kEventFirstIocp);
    hdg.value = 30;
    notify.Post(WM_IOCP_NOTIFY, 0, kEventFirstIocp);
    notify.ProcessPending();
    EXPECT_EQ(Monitor(), "HDG:330=30;");
}

TEST_F(EventDispatchTest, ReentrantNotificationIsDropped) {
    // The failure message runs a nested loop that delivers notifications: one for the routine
    // still walking is dropped, one for another routine runs.
    Add(kEventDigitalPin, 16, u"OUTER", u"print('o') error('x')");
    Add(kEventAnalogChannel, 1, u"ADC", u"print('a')");
    struct KeepConnected : IConnectionControl {
        void Disconnect() override {}
        void RefreshStatus() override {}
    } keep;
    CNotify notify;
    struct NestedLoopPrompt : IUserPrompt {
        explicit NestedLoopPrompt(CNotify& n) : notify(n) {}
        PromptAnswer Ask(const PromptRequest&) override {
            notify.Post(WM_CARD_INPUT, 16, 1);
            notify.Post(WM_CARD_ADC, 1, 5);
            notify.ProcessPending();
            return PromptAnswer::Ok;
        }
        CNotify& notify;
    } nested(notify);
    CEventDispatcher dispatcher(table_, typeNames_, nested, keep);
    dispatcher.SetScriptRunner(state_.get());
    notify.SetHandler([&](const Notification& n) { return dispatcher.Dispatch(n) ? 0 : 1; });
    dispatcher.OnCardInput(16, 1);
    EXPECT_EQ(Monitor(), "oa");
}

TEST_F(EventDispatchTest, PublishedNamesAndSubscriptions) {
    Add(kEventDigitalPin, 37, u"GEAR_LEVER");
    Add(kEventDigitalPin, 38, u"GEAR_LEVER");
    Add(kEventDigitalPin, 39, u"OFF_NAME").disabled = true;
    Add(kEventDigitalPin, 40, u"Bad Name");
    Add(kEventDigitalPin, 41, u"Dot.name");
    Add(kEventFirstIocp, 330, u"HDG");
    Add(kEventFirstIocp, 3367, u"DIS").disabled = true;
    dispatcher_.PublishEventNames();
    EXPECT_EQ(Eval(u"GEAR_LEVER"), "38");  // the later one wins
    EXPECT_EQ(Eval(u"OFF_NAME"), "nil");
    EXPECT_EQ(Eval(u"_G['Bad Name']"), "nil");
    EXPECT_EQ(Eval(u"_G['Dot.name']"), "nil");
    EXPECT_EQ(Eval(u"HDG"), "330");

    const SubscriptionList list = dispatcher_.BuildSubscriptionList(kEventFirstIocp);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].first, 330);
    EXPECT_EQ(list[0].second, &table_[5].value);
    EXPECT_EQ(list[1].first, 3367);  // disabled events stay subscribed
    EXPECT_EQ(list[2].first, 0);
    EXPECT_EQ(list[2].second, nullptr);

    // Long lists keep every event.
    for (int i = 0; i < 150; ++i) Add(kEventFirstIocp, 1000 + i, u"E");
    EXPECT_EQ(dispatcher_.BuildSubscriptionList(kEventFirstIocp).size(), 153u);
}

TEST_F(EventDispatchTest, NotificationsThroughNotifyOnTheOwnerThread) {
    Add(kEventDigitalPin, 0, u"PIN");
    Add(kEventAnalogChannel, 0, u"ADC");
    Add(kEventEncoder, 3, u"ENC");
    Add(kEventIoError, 0, u"IOE");
    Add(kEventFirstIocp + 1, 330, u"HDG").value = 5;
    CNotify notify;
    std::thread::id ranOn;
    notify.SetHandler([&](const Notification& n) {
        ranOn = std::this_thread::get_id();
        dispatcher_.Dispatch(n);
        return 0;
    });
    std::thread board([&] {
        notify.Post(WM_CARD_INPUT, 20, 1);
        notify.Post(WM_CARD_ENCODER, 3, 1);
        notify.Post(WM_CARD_IOERROR, 1, 5);
        notify.Post(WM_IOCP_NOTIFY, 0, kEventFirstIocp + 1);
        EXPECT_EQ(notify.Send(WM_CARD_ADC, 4, 700), 0);  // returns after the script ran
    });
    while (ranOn == std::thread::id() || notify.PendingCount() > 0 ||
           Monitor().find("ADC") == std::string::npos) {
        notify.WaitAndProcess(std::chrono::milliseconds(10));
    }
    board.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(Monitor(), "PIN:20=1;ENC:3=1;IOE:1=5;HDG:330=5;ADC:4=700;");
}

}  // namespace
}  // namespace orva
