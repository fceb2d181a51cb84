// The orva functions for inputs, outputs, analog channels, servos and pin ids. What the card
// does with a call (bit orders, report bytes, pulses, the watchdog, pin arithmetic) is tested
// with the card (tests/card); here what the script level adds: registration, the count and range
// messages, the conversion of the arguments, the answers and which card call a function makes.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CardScriptTestSupport.h"

namespace orva {
namespace {

class CardFunctionsTest : public test::CardScriptTest {
protected:
    // The card's own image, which the pulse timers change.
    bool WaitOutput(int pin, bool on) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (card_.OutputState(pin) != on) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
};

TEST_F(CardFunctionsTest, EveryFunctionIsRegisteredAndNothingElse) {
    ASSERT_TRUE(
        Run(u"names = {}\n"
            u"local function walk(t, prefix)\n"
            u"  for k, v in pairs(t) do\n"
            u"    if type(v) == 'table' then walk(v, prefix .. k .. '.')\n"
            u"    else names[#names + 1] = prefix .. k .. ':' .. type(v) end\n"
            u"  end\n"
            u"end\n"
            u"walk(orva, 'orva.') table.sort(names) names = table.concat(names, ' ')"));
    std::string expected;
    for (const char* name :
         {"adc.active.channel", "adc.active.channels",  "adc.value.get",        "calcpinid",
          "din.state.get",      "display.blinking.get", "display.blinking.set", "display.create",
          "display.show.frq",   "display.show.hdg",     "display.show.ias",     "display.show.usr",
          "display.show.vs",    "display.switch",       "dout.blinking.get",    "dout.blinking.set",
          "dout.state.get",     "dout.state.set",       "dout.states.restore",  "dout.states.save",
          "dout.states.set",    "encoder.create",       "encoder.limits.set",   "encoder.value.get",
          "encoder.value.set",  "servo.position.set"}) {
        expected += (expected.empty() ? "orva." : " orva.") + std::string(name) + ":function";
    }
    EXPECT_EQ(Eval(u"names"), expected);
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
        // ADDR 16-63 hold no I/O card: an I/O error, never a pin.
        {u"orva.calcpinid(16, 1)", "orva.calcpinid: the I/O parm is out of range."},
        {u"orva.calcpinid(64, 1)", "orva.calcpinid: the ADDR parm is out of range."},
        {u"orva.calcpinid(-1, 1)", "orva.calcpinid: the ADDR parm is out of range."},
    };
    for (const auto& [script, message] : cases)
        EXPECT_EQ(ErrorOf(script), message) << ToUtf8(script);
    // None of them reached the board.
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(card_.AdcMask(), 0);
}

TEST_F(CardFunctionsTest, InputLevelsAreTheCardsAsIntegers) {
    Connect();
    Replay({16});
    EXPECT_EQ(Eval(u"orva.din.state.get(16)"), "1");
    EXPECT_EQ(Eval(u"math.type(orva.din.state.get(16))"), "integer");
    EXPECT_EQ(Eval(u"orva.din.state.get('16')"), "1");
    EXPECT_EQ(Eval(u"orva.din.state.get(17)"), "0");
    EXPECT_EQ(Eval(u"orva.din.state.get(-1)"), "0");
}

TEST_F(CardFunctionsTest, OutputSwitchesAnswersAndPinsOutside16To511) {
    Connect();
    // A switch is a number (or a text that reads as one) other than 0; true counts, nil and
    // fractions below 1 do not. The answer is the switch.
    const std::pair<const char16_t*, bool> switches[] = {
        {u"true", true}, {u"0", false},   {u"1", true},    {u"0.5", false},
        {u"'1'", true},  {u"nil", false}, {u"true", true}, {u"'yes'", false}};
    for (const auto& [argument, on] : switches) {
        const char* answer = on ? "true" : "false";
        EXPECT_EQ(Eval(u"orva.dout.state.set(20, " + std::u16string(argument) + u")"), answer);
        EXPECT_EQ(card_.OutputState(20), on) << ToUtf8(argument);
        EXPECT_EQ(Eval(u"orva.dout.state.get(20)"), answer);
    }
    EXPECT_EQ(Eval(u"type(orva.dout.state.get(20))"), "boolean");
    Drain();

    // Pins outside 16-511 change nothing and write nothing, a pulse included.
    const Report before = card_.OutputImage();
    EXPECT_EQ(Eval(u"orva.dout.state.set(15, true)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.set(512, true, 100)"), "true");
    EXPECT_EQ(Eval(u"orva.dout.state.set(-20, true)"), "true");
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
    EXPECT_EQ(Eval(u"orva.dout.blinking.set(30, 0)"), "false");
    EXPECT_FALSE(card_.IsOutputBlinking(30));

    EXPECT_EQ(Eval(u"orva.dout.states.set(true)"), "true");
    EXPECT_TRUE(card_.OutputState(16) && card_.OutputState(511));
    EXPECT_EQ(Eval(u"orva.dout.states.set(0)"), "false");
    EXPECT_FALSE(card_.OutputState(16) || card_.OutputState(511));

    ASSERT_TRUE(Run(u"orva.dout.state.set(20, true)"));
    EXPECT_EQ(Eval(u"select('#', orva.dout.states.save())"), "0");
    ASSERT_TRUE(Run(u"orva.dout.state.set(20, false) orva.dout.state.set(21, true)"));
    EXPECT_EQ(Eval(u"select('#', orva.dout.states.restore())"), "0");
    EXPECT_TRUE(card_.OutputState(20));
    EXPECT_FALSE(card_.OutputState(21));
}

TEST_F(CardFunctionsTest, PulsedOutputs) {
    Connect();
    // On at once, off when the pulse ends: the call does not wait for the pulse.
    EXPECT_EQ(Eval(u"orva.dout.state.set(20, true, 250)"), "true");
    EXPECT_TRUE(card_.OutputState(20));
    ASSERT_EQ(board_->Execute("wait-out 20 1 2000"), "ok");
    ASSERT_EQ(board_->Execute("wait-out 20 0 2000"), "ok");
    EXPECT_FALSE(card_.OutputState(20));

    // The opposite way round: off now, on when the pulse ends.
    ASSERT_TRUE(Run(u"orva.dout.state.set(24, true) orva.dout.state.set(24, false, 400)"));
    EXPECT_FALSE(card_.OutputState(24));
    ASSERT_TRUE(WaitOutput(24, true));

    // A negative duration starts no pulse: a later, short pulse (its duration given as text)
    // ends while 21 stays on.
    ASSERT_TRUE(Run(u"orva.dout.state.set(21, true, -5) orva.dout.state.set(22, true, '30')"));
    ASSERT_TRUE(WaitOutput(22, false));
    EXPECT_TRUE(card_.OutputState(21));
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

    Report r{};
    r[1] = REPORT_ADC;
    r[3] = 0x34;
    r[4] = 0x12;  // channel 1
    card_.HandleReport(r.data(), r.size());
    EXPECT_EQ(Eval(u"orva.adc.value.get(1)"), "4660");
    EXPECT_EQ(Eval(u"math.type(orva.adc.value.get(1))"), "integer");
    EXPECT_EQ(Eval(u"orva.adc.value.get(8)"), "0");
}

TEST_F(CardFunctionsTest, ServoPositionsAreTruncatedAndSentAsTheirLowByte) {
    Connect(sim::BoardKind::Servo);
    EXPECT_EQ(Eval(u"orva.servo.position.set(1, 300.7)"), "300");
    EXPECT_EQ(Eval(u"math.type(orva.servo.position.set(1, 300.7))"), "integer");
    EXPECT_EQ(card_.ServoImage()[2], 44);  // the low byte of 300
    // Truncated toward zero; the byte sent is the low one.
    EXPECT_EQ(Eval(u"orva.servo.position.set(2, -1.5)"), "-1");
    EXPECT_EQ(card_.ServoImage()[3], 255);
    EXPECT_EQ(Eval(u"orva.servo.position.set(8, '12')"), "12");
    EXPECT_EQ(card_.ServoImage()[9], 12);
    EXPECT_EQ(Eval(u"orva.servo.position.set(3, 'far')"), "0");
    test::Bytes positions(65, 0);
    positions[1] = CMD_SERVO_POSITIONS;
    positions[2] = 44, positions[3] = 255, positions[9] = 12;
    const std::vector<test::Bytes> reports = Drain();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), positions);
    // A channel out of range sends nothing.
    EXPECT_EQ(ErrorOf(u"orva.servo.position.set(9, 10)"),
              "orva.servo.position.set: the channel parm is out of range. (1-8)");
    for (const auto& r : Drain()) EXPECT_NE(r[1], CMD_SERVO_POSITIONS);
}

TEST_F(CardFunctionsTest, PinIdsConvertTheirArguments) {
    EXPECT_EQ(Eval(u"orva.calcpinid(0, 1)"), "16");
    EXPECT_EQ(Eval(u"orva.calcpinid(15, 16)"), "511");
    EXPECT_EQ(Eval(u"orva.calcpinid('10', 2.0)"), "337");
    EXPECT_EQ(Eval(u"math.type(orva.calcpinid(0, 1))"), "integer");
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
    EXPECT_FALSE(board_->WaitReceived(1, 300));
}

}  // namespace
}  // namespace orva
