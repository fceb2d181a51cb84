#include <gtest/gtest.h>

#include "card/CardShared.h"
#include "card/PinIds.h"
#include "ui/text/IoMonitorModel.h"

namespace orva {
namespace {

CardSnapshot MainBoardWith(std::initializer_list<int> addrs) {
    CardSnapshot s;
    s.connected = true;
    s.product = PID_USBMAIN;
    for (int addr : addrs) s.extensions[static_cast<size_t>(addr / 8)] |= 0x80u >> (addr % 8);
    return s;
}

TEST(IoMonitorModelTest, CardsGroupTheirPinsByKind) {
    const CardSnapshot s = MainBoardWith({0, 5, 12, 15, 17});
    const auto inputs = InputGroups(s);
    ASSERT_EQ(inputs.size(), 3u);  // the board's own, ADDR 0 and the mixed card
    EXPECT_EQ(inputs[0].title, u"Main board");
    EXPECT_EQ(inputs[0].firstPin, 496);
    EXPECT_EQ(inputs[1].title, u"64 Inputs ADDR 0");
    EXPECT_EQ(inputs[2].count, 32);
    const auto outputs = OutputGroups(s);
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[1].addr, 5);
    EXPECT_EQ(DisplayCards(s), (std::vector<int>{0, 2}));
    CardSnapshot servo;
    servo.product = PID_SERVO;
    EXPECT_TRUE(InputGroups(servo).empty());
}

TEST(IoMonitorModelTest, LampsShowLevelsAndShortChanges) {
    CardSnapshot s = MainBoardWith({0});
    const PinBit bit = InputBit(20);
    s.inputChanges[bit.byte] |= bit.mask;  // went on and off between two looks
    InputPolarity::Set(false);
    EXPECT_FALSE(InputLamp(s, 20).on);
    EXPECT_TRUE(InputLamp(s, 20).changed);
    s.inputs[bit.byte] |= bit.mask;
    EXPECT_TRUE(InputLamp(s, 20).on);
    // With the SENSE jumper on VCC a set bit is the FALSE level.
    InputPolarity::Set(true);
    EXPECT_FALSE(InputLamp(s, 20).on);
    InputPolarity::Set(false);
    EXPECT_FALSE(InputLamp(s, 600).on);
}

TEST(IoMonitorModelTest, AnalogHistoryKeepsTheLastTenSeconds) {
    CAnalogHistory history;
    CardSnapshot s = MainBoardWith({});
    const auto t0 = CAnalogHistory::Clock::now();
    history.Add(s, t0);
    EXPECT_FALSE(history.Active(2));
    s.analog[2] = 700;
    history.Add(s, t0 + std::chrono::seconds(4));
    EXPECT_TRUE(history.Active(2));  // it moved
    history.Add(s, t0 + std::chrono::seconds(12));
    const auto samples = history.Samples(2, t0 + std::chrono::seconds(12));
    ASSERT_EQ(samples.size(), 2u);  // the first one is older than the span
    EXPECT_DOUBLE_EQ(samples[0].first, 8.0);
    EXPECT_EQ(samples[0].second, 700);
    s.adcMask = 0x01;
    history.Add(s, t0 + std::chrono::seconds(13));
    EXPECT_TRUE(history.Active(1));  // switched on, even at rest
}

TEST(IoMonitorModelTest, AnOutputUnderTestMarkedWhenAScriptChangesIt) {
    COutputTest test;
    CardSnapshot s = MainBoardWith({});
    const PinBit bit = OutputBit(500);
    test.Set(500, true);
    s.outputs[bit.byte] |= bit.mask;
    test.Check(s);
    EXPECT_TRUE(test.Testing(500));
    EXPECT_FALSE(test.Overridden(500));
    s.outputs[bit.byte] &= static_cast<uint8_t>(~bit.mask);  // a script switched it off
    test.Check(s);
    EXPECT_TRUE(test.Overridden(500));
    s.outputs[bit.byte] |= bit.mask;
    test.Check(s);
    EXPECT_TRUE(test.Overridden(500));  // the mark stays until the user switches it again
    test.Set(500, true);
    EXPECT_FALSE(test.Overridden(500));
}

TEST(IoMonitorModelTest, EventNamesLabelTheirPins) {
    CEventTable table;
    const std::tuple<uint8_t, int32_t, const char16_t*> events[] = {
        {kEventDigitalPin, 20, u"GEAR"},
        {kEventDigitalPin, 20, u"GEAR_LAMP"},
        {kEventAnalogChannel, 3, u"THROTTLE"}};
    for (size_t i = 0; i < std::size(events); ++i)
        std::tie(table[i].type, table[i].id, table[i].name) = events[i];
    const auto names = PinEventNames(table);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names.at(20), u"GEAR, GEAR_LAMP");
}

}  // namespace
}  // namespace orva
