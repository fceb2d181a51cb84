// The card tools' decisions without widgets: learning from notifications on a clock the test
// moves, the calculator's lists, the card descriptions.
#include "ui/text/PinLearning.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using namespace std::chrono_literals;
using TimePoint = CPinLearner::TimePoint;

const TimePoint kOpened{};

// A learner started at kOpened and left alone until it is ready.
CPinLearner ReadyLearner(int mode) {
    CPinLearner learner(mode);
    learner.Start(kOpened);
    EXPECT_TRUE(learner.Tick(kOpened + 1000ms));
    return learner;
}

TEST(PinLearningTest, InputsDuringTheQuietPeriodStartItAgainAndSelectNothing) {
    CPinLearner learner(kLearnDigital);
    learner.Start(kOpened);
    EXPECT_EQ(learner.Text(), u"Please, wait...");
    learner.OnInput(20, 1, kOpened + 250ms);  // the report of the present state at opening
    EXPECT_EQ(learner.QuietUntil(), kOpened + 1250ms);
    EXPECT_FALSE(learner.Tick(kOpened + 1000ms));
    EXPECT_FALSE(learner.Ready());
    EXPECT_TRUE(learner.Tick(kOpened + 1250ms));
    EXPECT_EQ(learner.Text(), u"Ok, ready.\r\n\r\nMove or press the button you want...");
    EXPECT_FALSE(learner.Selected());
    EXPECT_FALSE(learner.QuietUntil());

    // An input after the quiet period counts even before the timer fired.
    CPinLearner early(kLearnDigital);
    early.Start(kOpened);
    early.OnInput(30, 1, kOpened + 1001ms);
    EXPECT_EQ(early.Selected(), 30);
}

TEST(PinLearningTest, DigitalTakesTheFirstPinThatGoesToANonZeroLevel) {
    CPinLearner learner = ReadyLearner(kLearnDigital);
    learner.OnInput(0, 1, kOpened + 2s);   // no pin
    learner.OnInput(40, 0, kOpened + 2s);  // released, not pressed
    EXPECT_FALSE(learner.Selected());
    learner.OnInput(41, 1, kOpened + 2s);
    EXPECT_EQ(learner.Selected(), 41);
    learner.OnInput(42, 1, kOpened + 2s);
    EXPECT_EQ(learner.Selected(), 41);
}

TEST(PinLearningTest, AnalogSelectsAtTheSecondFallAndSaysSoAfterTheFirstOnChannels1To8) {
    CPinLearner learner = ReadyLearner(kLearnAnalog);
    const TimePoint t = kOpened + 2s;
    learner.OnAdc(3, 1000, t);
    learner.OnAdc(3, 950, t);  // still high: no second crossing
    learner.OnAdc(3, 0, t);
    EXPECT_EQ(learner.Text(),
              u"Ok, ready.\r\nTurn to the right and left stops...\r\nMoved adc 3, do it again to "
              u"select.");
    learner.OnAdc(3, 1000, t);
    EXPECT_FALSE(learner.Selected());
    learner.OnAdc(3, 99, t);
    EXPECT_EQ(learner.Selected(), 3);

    // The servo board's eighth channel counts, channel 0 does not.
    CPinLearner servo = ReadyLearner(kLearnAnalog);
    for (int64_t v : {1000, 0, 1000, 0}) servo.OnAdc(0, v, t);
    EXPECT_FALSE(servo.Selected());
    for (int64_t v : {1023, 0, 1023, 0}) servo.OnAdc(8, v, t);
    EXPECT_EQ(servo.Selected(), 8);
}

TEST(PinLearningTest, AnalogCountsEachChannelApartAndOnlyOnceReady) {
    CPinLearner learner(kLearnAnalog);
    learner.Start(kOpened);
    learner.OnAdc(5, 1000, kOpened + 300ms);  // where the knob stood at opening
    learner.OnAdc(5, 0, kOpened + 300ms);
    ASSERT_TRUE(learner.Tick(kOpened + 1000ms));
    const TimePoint t = kOpened + 2s;
    for (int64_t v : {1000, 0, 1000}) learner.OnAdc(5, v, t);
    learner.OnAdc(6, 1000, t);
    learner.OnAdc(6, 0, t);
    EXPECT_FALSE(learner.Selected());
    learner.OnAdc(5, 0, t);
    EXPECT_EQ(learner.Selected(), 5);
}

// One detent of the simulator's encoder: (A,B) 00 -> 10 -> 11 -> 01 -> 00 turning forward.
void Turn(CPinLearner& learner, int64_t first, int64_t second, bool fromHigh = false) {
    const TimePoint t = kOpened + 2s;
    const int64_t on = fromHigh ? 0 : 1;
    learner.OnInput(first, on, t);
    learner.OnInput(second, on, t);
    learner.OnInput(first, 1 - on, t);
    learner.OnInput(second, 1 - on, t);
}

TEST(PinLearningTest, EncoderTakesThePinThatLeadsTheTurnAndIgnoresButtonsAndBrokenTurns) {
    CPinLearner forward = ReadyLearner(kLearnEncoder);
    EXPECT_EQ(forward.Text(), u"Ok, ready.\r\n\r\nRotate the encoder you want...");
    Turn(forward, 40, 41);
    EXPECT_EQ(forward.Selected(), 40);

    CPinLearner backward = ReadyLearner(kLearnEncoder);
    Turn(backward, 41, 40);  // B moves first
    EXPECT_EQ(backward.Selected(), 41);

    CPinLearner bothHigh = ReadyLearner(kLearnEncoder);
    Turn(bothHigh, 40, 41, true);  // 11 -> 01 -> 00 -> 10 -> 11: A still leads
    EXPECT_EQ(bothHigh.Selected(), 40);

    // Buttons and broken turns select nothing.
    CPinLearner broken = ReadyLearner(kLearnEncoder);
    const TimePoint t = kOpened + 2s;
    for (int64_t level : {1, 0, 1, 0}) broken.OnInput(50, level, t);  // one button
    broken.OnInput(40, 1, t);
    broken.OnInput(41, 1, t);
    broken.OnInput(52, 1, t);  // a third pin breaks the cycle
    broken.OnInput(40, 0, t);
    broken.OnInput(41, 0, t);
    EXPECT_FALSE(broken.Selected());
}

TEST(PinLearningTest, EncoderJoinedMidCycleStillFindsTheLeader) {
    CPinLearner learner(kLearnEncoder);
    learner.Start(kOpened);
    learner.OnInput(40, 1, kOpened + 100ms);  // 00 -> 10 while still quiet
    ASSERT_TRUE(learner.Tick(kOpened + 1100ms));
    const TimePoint t = kOpened + 2s;
    learner.OnInput(41, 1, t);  // 10 -> 11 -> 01 -> 00 -> 10
    learner.OnInput(40, 0, t);
    learner.OnInput(41, 0, t);
    EXPECT_FALSE(learner.Selected());
    learner.OnInput(40, 1, t);
    EXPECT_EQ(learner.Selected(), 40);
}

TEST(PinLearningTest, StopForgetsAndAStartAfterItWaitsAgain) {
    CPinLearner learner = ReadyLearner(kLearnDigital);
    learner.Stop();
    EXPECT_EQ(learner.Text(), u"");
    learner.OnInput(30, 1, kOpened + 5s);
    EXPECT_FALSE(learner.Selected());
    EXPECT_FALSE(learner.Tick(kOpened + 9s));
    learner.Start(kOpened + 10s);
    learner.OnInput(30, 1, kOpened + 10s + 500ms);
    EXPECT_FALSE(learner.Selected());
}

TEST(PinLearningTest, PinListsByCardKindAndTheirPinIds) {
    const auto inputs = PinChoices(0);
    ASSERT_EQ(inputs.size(), 64u);
    EXPECT_EQ(inputs[0].text, u"Input nº 1");
    EXPECT_EQ(inputs[63].value, 63);
    EXPECT_EQ(PinChoices(9).back().text, u"OutPut nº 64");
    const auto mixed = PinChoices(14);
    ASSERT_EQ(mixed.size(), 64u);
    EXPECT_EQ(mixed[31].text, u"Input nº 32");
    EXPECT_EQ(mixed[32].text, u"OutPut nº 1");
    EXPECT_EQ(mixed[32].value, 0);
    const auto main = PinChoices(15);
    ASSERT_EQ(main.size(), 32u);
    EXPECT_EQ(main[16].text, u"OutPut nº 1");
    EXPECT_TRUE(PinChoices(16).empty());

    // The pin ids of the calculator.
    EXPECT_EQ(ToolPinId(5, 63), 79);
    EXPECT_EQ(ToolPinId(9, 63), 335);
    EXPECT_EQ(ToolPinId(10, 0), 336);
    EXPECT_EQ(ToolPinId(10, 31), 367);  // the mixed cards' 32nd input and output
    EXPECT_EQ(ToolPinId(14, 15), 479);
    EXPECT_EQ(ToolPinId(16, 0), 0);
}

TEST(PinLearningTest, AMainBoardDescriptionWithAFailedCardNumberAndNoExtensions) {
    EXPECT_EQ(MainBoardInfoText(u"ORVA-1", false, 2, 1, {}),
              u"Card detected, connected and responding\r\n\r\nType:\t\tORVA BOARD USBMAIN\r\n"
              u"Serial:\t\tORVA-1-CF\r\nVersion:\t\t2.1\r\nExtensions:\tnone\r\n");
}

}  // namespace
}  // namespace orva
