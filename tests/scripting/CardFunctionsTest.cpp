#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "BoardSim.h"
#include "ScriptTestSupport.h"
#include "card/CardShared.h"
#include "card/OrvaCard.h"
#include "card/VirtualBoard.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;

class CardFunctionsTest : public test::ScriptTest {
protected:
    void SetUp() override {
        test::ScriptTest::SetUp();
        notify_.SetHandler([](const Notification&) { return int64_t{0}; });
    }
    void TearDown() override {
        state_.reset();
        card_.Close();
        board_.reset();
    }

    // A simulated board, the card opened on it (no threads: reports are replayed), and a state
    // whose scripts reach that card.
    void Connect(sim::BoardKind kind = sim::BoardKind::Main) {
        const std::string serial = kind == sim::BoardKind::Main ? "ORVA-12345" : "SRV-00001";
        board_ = std::make_unique<sim::CBoardSim>(sim::BoardOptions{serial, kind, {}});
        ASSERT_TRUE(board_->Start());
        card_.Configure(-1, Widen(serial));
        ASSERT_TRUE(card_.Open());
        services_.card = &card_;
        state_ = CScriptState::Create(services_);
        ASSERT_TRUE(state_);
    }
    sim::CBoardSim& board() { return *board_; }

    // The reports written since the last call: a marker written after them arrives last.
    std::vector<Bytes> Drain() {
        card_.SendCommand(CMD_INFO_DONE, 0x5A);
        std::vector<Bytes> out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!board().WaitReceived(1, 100)) continue;
            for (auto& r : board().TakeReceived()) {
                if (r[1] == CMD_INFO_DONE && r[2] == 0x5A) return out;
                out.push_back(std::move(r));
            }
        }
        ADD_FAILURE() << "the marker never arrived";
        return out;
    }

    // The card's own image, which the pulse timers change.
    bool WaitOutput(int pin, bool on, int timeoutMs = 3000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (card_.OutputState(pin) != on) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    void ReplayInputs(std::initializer_list<int> pins) {
        Report r{};
        r[1] = REPORT_INPUTS;
        for (int pin : pins)
            r[static_cast<size_t>(1 + pin / 8)] |= static_cast<uint8_t>(0x80u >> (pin % 8));
        card_.HandleReport(r.data(), r.size());
    }

    CVirtualHidBackend backend_;
    CNotify notify_;
    std::unique_ptr<sim::CBoardSim> board_;
    COrvaCard card_{backend_, &notify_};
};

Bytes OutputReport(const Report& image) {
    Bytes r(image.begin(), image.end());
    r[0] = 0, r[1] = CMD_SET_OUTPUTS, r[2] = 0;
    return r;
}

TEST_F(CardFunctionsTest, EveryFunctionIsRegistered) {
    for (const char16_t* name :
         {u"orva.calcpinid",          u"orva.din.state.get",        u"orva.dout.state.get",
          u"orva.dout.state.set",     u"orva.dout.blinking.get",    u"orva.dout.blinking.set",
          u"orva.dout.states.set",    u"orva.dout.states.save",     u"orva.dout.states.restore",
          u"orva.adc.value.get",      u"orva.adc.active.channel",   u"orva.adc.active.channels",
          u"orva.servo.position.set", u"orva.encoder.create",       u"orva.encoder.value.set",
          u"orva.encoder.value.get",  u"orva.encoder.limits.set",   u"orva.display.create",
          u"orva.display.switch",     u"orva.display.blinking.get", u"orva.display.blinking.set",
          u"orva.display.show.hdg",   u"orva.display.show.ias",     u"orva.display.show.vs",
          u"orva.display.show.frq",   u"orva.display.show.usr"}) {
        EXPECT_EQ(Eval(std::u16string(u"type(") + name + u")"), "function") << ToUtf8(name);
    }
    ASSERT_TRUE(
        Run(u"keys = {} for k in pairs(orva) do keys[#keys + 1] = k end "
            u"table.sort(keys) keys = table.concat(keys, ',')"));
    EXPECT_EQ(Eval(u"keys"), "adc,calcpinid,din,display,dout,encoder,servo");
    ASSERT_TRUE(
        Run(u"keys = {} for k in pairs(orva.dout.state) do keys[#keys + 1] = k end "
            u"table.sort(keys) keys = table.concat(keys, ',')"));
    EXPECT_EQ(Eval(u"keys"), "get,set");
}

TEST_F(CardFunctionsTest, CountAndRangeMessages) {
    Connect();
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"orva.din.state.get()", "orva.in.state.get: incorrect number of arguments."},
        {u"orva.din.state.get(16, 1)", "orva.in.state.get: incorrect number of arguments."},
        {u"orva.dout.state.get()", "orva.out.state.get: incorrect number of arguments."},
        {u"orva.dout.state.set(20)", "orva.out.state.set: incorrect number of arguments."},
        {u"orva.dout.state.set(20, true, 1, 2)",
         "orva.out.state.set: incorrect number of arguments."},
        {u"orva.dout.blinking.get(20, 1)", "orva.out.blinking.get: incorrect number of arguments."},
        {u"orva.dout.blinking.set(20)", "orva.out.blinking.set: incorrect number of arguments."},
        {u"orva.dout.states.set()", "orva.out.states.set: incorrect number of arguments."},
        {u"orva.dout.states.set(true, true)",
         "orva.out.states.set: incorrect number of arguments."},
        {u"orva.dout.states.save(1)", "orva.out.states.save: incorrect number of arguments."},
        {u"orva.dout.states.restore(nil)",
         "orva.out.states.restore: incorrect number of arguments."},
        {u"orva.adc.active.channels()", "orva.adc.channels.set: incorrect number of arguments."},
        {u"orva.adc.active.channels(256)", "orva.adc.channels.set: the set parm is out of range."},
        {u"orva.adc.active.channels(-1)", "orva.adc.channels.set: the set parm is out of range."},
        {u"orva.adc.active.channel(1)", "orva.adc.channel.set: incorrect number of arguments."},
        {u"orva.adc.active.channel(0, true)",
         "orva.adc.channel.set: the channel parm is out of range. (1-8)"},
        {u"orva.adc.active.channel(9, true)",
         "orva.adc.channel.set: the channel parm is out of range. (1-8)"},
        {u"orva.adc.value.get()", "orva.adc.value.get: incorrect number of arguments."},
        {u"orva.adc.value.get(9, 1)", "orva.adc.value.get: incorrect number of arguments."},
        {u"orva.adc.value.get(0)", "orva.adc.value.get: the channel parm is out of range. (1-8)"},
        {u"orva.adc.value.get(9)", "orva.adc.value.get: the channel parm is out of range. (1-8)"},
        // The full 64-bit value is tested, and what does not convert counts as 0.
        {u"orva.adc.value.get(4294967297)",
         "orva.adc.value.get: the channel parm is out of range. (1-8)"},
        {u"orva.adc.value.get('two')",
         "orva.adc.value.get: the channel parm is out of range. (1-8)"},
        {u"orva.adc.value.get(1.5)", "orva.adc.value.get: the channel parm is out of range. (1-8)"},
        {u"orva.servo.position.set(1)", "orva.servo.postion.set: incorrect number of arguments."},
        {u"orva.servo.position.set(9, 10)",
         "orva.servo.position.set: the channel parm is out of range. (1-8)"},
        {u"orva.servo.position.set(0, 10)",
         "orva.servo.position.set: the channel parm is out of range. (1-8)"},
        {u"orva.calcpinid(1)", "orva.calcpinid: incorrect number of arguments."},
        {u"orva.calcpinid(10, 17)", "orva.calcpinid: the I/O parm is out of range."},
        {u"orva.calcpinid(0, 0)", "orva.calcpinid: the I/O parm is out of range."},
        {u"orva.calcpinid(0, 65)", "orva.calcpinid: the I/O parm is out of range."},
        {u"orva.calcpinid(64, 1)", "orva.calcpinid: the ADDR parm is out of range."},
        {u"orva.calcpinid(-1, 1)", "orva.calcpinid: the ADDR parm is out of range."},
    };
    for (const auto& [script, message] : cases)
        EXPECT_EQ(ErrorOf(script), message) << ToUtf8(script);
    // None of them reached the board.
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(card_.AdcMask(), 0);

    // The whole text the user sees names the line.
    EXPECT_FALSE(Run(u"a = 1\n\nb = 2\n\norva.adc.value.get(9)\n"));
    EXPECT_EQ(Error(),
              "[5]\r\n\r\nLine  orva.adc.value.get: the channel parm is out of range. (1-8)");
}

TEST_F(CardFunctionsTest, InputLevels) {
    Connect();
    // The polarity is process-wide: put back for the other tests whatever happens here.
    struct GndAgain {
        COrvaCard& card;
        ~GndAgain() { card.SetSense(false); }
    } restore{card_};
    ReplayInputs({16, 511});
    EXPECT_EQ(Eval(u"orva.din.state.get(16)"), "1");
    EXPECT_EQ(Eval(u"math.type(orva.din.state.get(16))"), "integer");
    EXPECT_EQ(Eval(u"orva.din.state.get(511)"), "1");
    EXPECT_EQ(Eval(u"orva.din.state.get('16')"), "1");
    EXPECT_EQ(Eval(u"orva.din.state.get(17)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(15)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(512)"), "0");
    card_.SetSense(true);
    EXPECT_EQ(Eval(u"orva.din.state.get(16)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(17)"), "1");
    // Not a pin: 0, not the FALSE value.
    EXPECT_EQ(Eval(u"orva.din.state.get(15)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(512)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(-1)"), "0");
}

TEST_F(CardFunctionsTest, OutputsAndTheirBitOrder) {
    Connect();
    EXPECT_EQ(Eval(u"orva.dout.state.set(496, true)"), "true");
    EXPECT_EQ(card_.OutputImage()[63], 0x01);
    EXPECT_EQ(Eval(u"orva.dout.state.get(496)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.get(495)"), "false");
    ASSERT_TRUE(Run(u"orva.dout.state.set(495, 1)"));
    EXPECT_EQ(card_.OutputImage()[62], 0x01);
    ASSERT_TRUE(Run(u"orva.dout.state.set(16, 'yes')"));  // no number: a false switch
    EXPECT_EQ(card_.OutputImage()[3], 0x00);
    ASSERT_TRUE(Run(u"orva.dout.state.set(16, '1')"));
    EXPECT_EQ(card_.OutputImage()[3], 0x80);
    EXPECT_EQ(Eval(u"orva.dout.state.get(16)"), "true");
    EXPECT_EQ(Eval(u"type(orva.dout.state.get(16))"), "boolean");
    auto reports = Drain();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports.back(), OutputReport(card_.OutputImage()));

    // 0, 0.5 and nil are false for a switch.
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, 0)"), "false");
    EXPECT_FALSE(card_.OutputState(20));
    ASSERT_TRUE(Run(u"orva.dout.state.set(20, true)"));
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, 0.5)"), "false");
    EXPECT_FALSE(card_.OutputState(20));
    ASSERT_TRUE(Run(u"orva.dout.state.set(20, true)"));
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, nil)"), "false");
    EXPECT_FALSE(card_.OutputState(20));
    Drain();

    // Pins outside 16-511 change nothing and write nothing.
    const Report before = card_.OutputImage();
    EXPECT_EQ(Eval(u"orva.dout.state.set(15, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.set(512, true, 100)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.set(-20, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.get(15)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.state.get(512)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.blinking.set(600, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.blinking.get(600)"), "false");
    EXPECT_EQ(card_.OutputImage(), before);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(CardFunctionsTest, BlinkingAllOutputsSaveAndRestore) {
    Connect();
    EXPECT_EQ(Eval(u"orva.dout.blinking.get(30)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.blinking.set(30, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.blinking.get(30)"), "true");
    EXPECT_TRUE(card_.IsOutputBlinking(30));
    EXPECT_EQ(Eval(u"orva.dout.blinking.set(30, true)"), "true");  // already: still true
    EXPECT_EQ(Eval(u"orva.dout.blinking.set(30, 0)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.blinking.get(30)"), "false");
    EXPECT_FALSE(card_.IsOutputBlinking(30));

    EXPECT_EQ(Eval(u"orva.dout.states.set(true)"), "true");
    Report all{};
    all.fill(0xFF);
    all[0] = 0, all[1] = CMD_SET_OUTPUTS, all[2] = 0;
    EXPECT_EQ(card_.OutputImage(), all);
    EXPECT_EQ(Eval(u"orva.dout.states.set(0)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.state.get(511)"), "false");
    Drain();

    ASSERT_TRUE(Run(u"orva.dout.state.set(20, true)"));
    EXPECT_EQ(Eval(u"select('#', orva.dout.states.save())"), "0");
    ASSERT_TRUE(Run(u"orva.dout.state.set(20, false) orva.dout.state.set(21, true)"));
    EXPECT_EQ(Eval(u"select('#', orva.dout.states.restore())"), "0");
    EXPECT_TRUE(card_.OutputState(20));
    EXPECT_FALSE(card_.OutputState(21));
    const auto reports = Drain();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), OutputReport(card_.OutputImage()));
}

TEST_F(CardFunctionsTest, PulsedOutputs) {
    Connect();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, true, 250)"), "true");
    EXPECT_TRUE(card_.OutputState(20));  // on at once: the call does not wait for the pulse
    ASSERT_EQ(board().Execute("wait-out 20 1 2000"), "ok");
    ASSERT_EQ(board().Execute("wait-out 20 0 2000"), "ok");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_FALSE(card_.OutputState(20));

    // The opposite way round: off now, on when the pulse ends.
    ASSERT_TRUE(Run(u"orva.dout.state.set(24, true) orva.dout.state.set(24, false, 400)"));
    EXPECT_FALSE(card_.OutputState(24));
    ASSERT_TRUE(WaitOutput(24, true));
    ASSERT_EQ(board().Execute("wait-out 24 1 2000"), "ok");

    // A negative duration starts no pulse: a later, short pulse ends while 21 stays on.
    ASSERT_TRUE(Run(u"orva.dout.state.set(21, true, -5) orva.dout.state.set(22, true, 30)"));
    ASSERT_TRUE(WaitOutput(22, false));
    EXPECT_TRUE(card_.OutputState(21));
    Drain();
    EXPECT_EQ(board().Execute("out 21"), "1");
    EXPECT_EQ(board().Execute("out 22"), "0");
    // A duration given as text converts like any integer.
    ASSERT_TRUE(Run(u"orva.dout.state.set(23, true, '40')"));
    ASSERT_TRUE(WaitOutput(23, false));
}

TEST_F(CardFunctionsTest, AnalogChannels) {
    Connect();
    EXPECT_EQ(Eval(u"orva.adc.active.channels(255)"), "255.0");
    EXPECT_EQ(Eval(u"math.type(orva.adc.active.channels(15))"), "float");
    EXPECT_EQ(card_.AdcMask(), 15);
    EXPECT_EQ(Eval(u"orva.adc.active.channels(0)"), "0.0");
    // The channel's switch is Lua's truth: 0 enables.
    EXPECT_EQ(Eval(u"orva.adc.active.channel(3, 0)"), "true");
    EXPECT_EQ(card_.AdcMask(), 0x04);
    EXPECT_EQ(Eval(u"orva.adc.active.channel(8, 'no')"), "true");
    EXPECT_EQ(card_.AdcMask(), 0x84);
    EXPECT_EQ(Eval(u"orva.adc.active.channel(3, false)"), "false");
    EXPECT_EQ(Eval(u"orva.adc.active.channel(8, nil)"), "false");
    EXPECT_EQ(card_.AdcMask(), 0);
    const auto reports = Drain();
    ASSERT_EQ(reports.size(), 7u);
    EXPECT_EQ(reports[0][1], CMD_ADC_MASK);
    EXPECT_EQ(reports[0][2], 255);
    EXPECT_EQ(reports[3][2], 0x04);
    EXPECT_EQ(reports[4][2], 0x84);

    Report r{};
    r[1] = REPORT_ADC;
    r[3] = 0x34;
    r[4] = 0x12;  // channel 1
    r[15] = 0xFF;
    r[16] = 0x03;  // channel 7
    card_.HandleReport(r.data(), r.size());
    EXPECT_EQ(Eval(u"orva.adc.value.get(1)"), "4660");
    EXPECT_EQ(Eval(u"math.type(orva.adc.value.get(1))"), "integer");
    EXPECT_EQ(Eval(u"orva.adc.value.get(7)"), "1023");
    EXPECT_EQ(Eval(u"orva.adc.value.get(8)"), "0");
}

TEST_F(CardFunctionsTest, ServoPositions) {
    Connect(sim::BoardKind::Servo);
    EXPECT_EQ(Eval(u"orva.servo.position.set(1, 300.7)"), "300");
    EXPECT_EQ(Eval(u"math.type(orva.servo.position.set(1, 300.7))"), "integer");
    auto reports = Drain();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0][1], CMD_SERVO_ENABLE);
    EXPECT_EQ(reports[0][2], 0x01);
    EXPECT_EQ(reports[1][1], CMD_SERVO_POSITIONS);
    EXPECT_EQ(reports[1][2], 44);  // the low byte of 300
    EXPECT_EQ(card_.ServoImage()[2], 44);
    // Truncated toward zero; the byte sent is the low one.
    EXPECT_EQ(Eval(u"orva.servo.position.set(2, -1.5)"), "-1");
    EXPECT_EQ(card_.ServoImage()[3], 255);
    EXPECT_EQ(Eval(u"orva.servo.position.set(8, '12')"), "12");
    EXPECT_EQ(card_.ServoImage()[9], 12);
    EXPECT_EQ(Eval(u"orva.servo.position.set(3, 'far')"), "0");
    reports = Drain();
    ASSERT_FALSE(reports.empty());
    Bytes positions(65, 0);
    positions[1] = CMD_SERVO_POSITIONS;
    positions[2] = 44, positions[3] = 255, positions[9] = 12;
    EXPECT_EQ(reports.back(), positions);
    // Every channel written is enabled (the watchdog may have switched some off since).
    bool enabled = false;
    for (const auto& r : reports) enabled = enabled || (r[1] == CMD_SERVO_ENABLE && r[2] == 0x87);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(ErrorOf(u"orva.servo.position.set(9, 10)"),
              "orva.servo.position.set: the channel parm is out of range. (1-8)");
    for (const auto& r : Drain()) EXPECT_NE(r[1], CMD_SERVO_POSITIONS);
}

TEST_F(CardFunctionsTest, ServoPositionOnAMainBoardSendsNothing) {
    Connect();
    EXPECT_EQ(Eval(u"orva.servo.position.set(1, 10)"), "10");
    EXPECT_TRUE(Drain().empty());
}

TEST_F(CardFunctionsTest, PinIdsFromAddrAndIoNumber) {
    EXPECT_EQ(Eval(u"orva.calcpinid(0, 1)"), "16");
    EXPECT_EQ(Eval(u"orva.calcpinid(0, 64)"), "79");
    EXPECT_EQ(Eval(u"orva.calcpinid(1, 1)"), "80");
    EXPECT_EQ(Eval(u"orva.calcpinid(4, 1)"), "272");
    EXPECT_EQ(Eval(u"orva.calcpinid(4, 64)"), "335");
    EXPECT_EQ(Eval(u"orva.calcpinid(5, 1)"), "16");  // output cards share the byte positions
    EXPECT_EQ(Eval(u"orva.calcpinid(9, 64)"), "335");
    EXPECT_EQ(Eval(u"orva.calcpinid(10, 1)"), "336");
    EXPECT_EQ(Eval(u"orva.calcpinid(10, 16)"), "351");
    EXPECT_EQ(Eval(u"orva.calcpinid(14, 1)"), "464");
    EXPECT_EQ(Eval(u"orva.calcpinid(15, 1)"), "496");
    EXPECT_EQ(Eval(u"orva.calcpinid(15, 16)"), "511");
    EXPECT_EQ(Eval(u"orva.calcpinid('10', 2.0)"), "337");
    EXPECT_EQ(Eval(u"math.type(orva.calcpinid(0, 1))"), "integer");
    // ADDR 16-63 hold no I/O card: an I/O error, never a pin.
    EXPECT_EQ(ErrorOf(u"orva.calcpinid(16, 1)"), "orva.calcpinid: the I/O parm is out of range.");
    EXPECT_EQ(ErrorOf(u"orva.calcpinid(63, 1)"), "orva.calcpinid: the I/O parm is out of range.");
}

TEST_F(CardFunctionsTest, WithoutACardTheFunctionsAnswerQuietly) {
    // The state of the fixture reaches no card.
    EXPECT_EQ(Eval(u"orva.din.state.get(16)"), "0");
    EXPECT_EQ(Eval(u"orva.dout.state.get(16)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.state.set(16, true, 100)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.blinking.get(16)"), "false");
    EXPECT_EQ(Eval(u"orva.dout.states.set(true)"), "true");
    EXPECT_TRUE(Run(u"orva.dout.states.save() orva.dout.states.restore()"));
    EXPECT_EQ(Eval(u"orva.adc.active.channels(7)"), "7.0");
    EXPECT_EQ(Eval(u"orva.adc.value.get(1)"), "0");
    EXPECT_EQ(Eval(u"orva.servo.position.set(1, 300.7)"), "300");
}

TEST_F(CardFunctionsTest, AClosedCardWritesNothing) {
    Connect();
    card_.Close();
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, true, 50)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.get(20)"), "false");
    EXPECT_EQ(Eval(u"orva.adc.active.channels(3)"), "3.0");
    EXPECT_FALSE(board().WaitReceived(1, 300));
}

}  // namespace
}  // namespace orva
