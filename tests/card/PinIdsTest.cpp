#include <gtest/gtest.h>

#include "card/PinIds.h"

namespace orva {
namespace {

TEST(PinIds, CalcPinIdWorkedExamplesAndErrors) {
    const std::vector<std::tuple<int, int, int>> examples = {
        {0, 1, 16},    {0, 64, 79},  {5, 1, 16},    {9, 64, 335}, {10, 1, 336},
        {14, 16, 479}, {15, 1, 496}, {15, 16, 511}, {4, 1, 272},  {4, 64, 335}};
    for (const auto& [addr, io, pin] : examples) {
        const PinIdResult r = CalcPinId(addr, io);
        EXPECT_EQ(r.error, PinIdError::None);
        EXPECT_EQ(r.pin, pin) << addr << "," << io;
    }
    EXPECT_EQ(CalcPinId(64, 1).error, PinIdError::Addr);
    EXPECT_EQ(CalcPinId(-1, 1).error, PinIdError::Addr);
    EXPECT_EQ(CalcPinId(0, 0).error, PinIdError::Io);
    EXPECT_EQ(CalcPinId(0, 65).error, PinIdError::Io);
    EXPECT_EQ(CalcPinId(12, 17).error, PinIdError::Io);
    // ADDR 16-63 have no pins: a clear error instead of a read past the base table.
    for (int addr = 16; addr <= 63; ++addr) EXPECT_EQ(CalcPinId(addr, 1).error, PinIdError::Io);
}

TEST(PinIds, CardPinRanges) {
    // The first input of ADDR 0, the last output of ADDR 5, the main board's last output.
    EXPECT_EQ(CardPins(0).first, 16);
    EXPECT_EQ(CardPins(5).first + CardPins(5).count - 1, 79);
    EXPECT_EQ(CardPins(kMainBoardAddr).first, 496);
    EXPECT_EQ(CardPins(kMainBoardAddr).count, 16);
    EXPECT_EQ(CardPins(10).first, 336);
    EXPECT_EQ(CardPins(10).count, 32);
    EXPECT_EQ(CardPins(16).count, 0);  // a display card has no I/O pins
    EXPECT_EQ(CardPins(-1).count, 0);
    EXPECT_TRUE(CardHasInputs(4) && !CardHasOutputs(4));
    EXPECT_TRUE(CardHasOutputs(9) && !CardHasInputs(9));
    EXPECT_TRUE(CardHasInputs(12) && CardHasOutputs(12));
    EXPECT_TRUE(CardHasInputs(kMainBoardAddr) && CardHasOutputs(kMainBoardAddr));
}

TEST(PinIds, ExtensionNames) {
    EXPECT_EQ(ExtensionShortName(0), u"64 INS 1");
    EXPECT_EQ(ExtensionShortName(9), u"64 OUTS 5");
    EXPECT_EQ(ExtensionShortName(10), u"32 INS / 32 OUTS 1");
    EXPECT_EQ(ExtensionShortName(24), u"32 DISPLAYS 10");
    EXPECT_EQ(ExtensionShortName(25), u"Unknown Ext 25");
    EXPECT_EQ(ExtensionLongName(4), u"64 Inputs ADDR 4");
    EXPECT_EQ(ExtensionLongName(5), u"64 Outputs ADDR 5");
    EXPECT_EQ(ExtensionLongName(14), u"32 Ins / 32 Out ADDR 14");
    EXPECT_EQ(ExtensionLongName(15), u"32 Displays ADDR 15");
    EXPECT_EQ(ExtensionLongName(30), u"Unknown card with ADDR 30");
}

TEST(PinIds, BitOrders) {
    EXPECT_EQ(OutputBit(16).byte, 3u);
    EXPECT_EQ(OutputBit(16).mask, 0x80);
    EXPECT_EQ(OutputBit(495).byte, 62u);
    EXPECT_EQ(OutputBit(495).mask, 0x01);
    EXPECT_EQ(OutputBit(496).byte, 63u);
    EXPECT_EQ(OutputBit(496).mask, 0x01);
    EXPECT_EQ(OutputBit(511).byte, 64u);
    EXPECT_EQ(OutputBit(511).mask, 0x80);
    EXPECT_EQ(InputBit(511).mask, 0x01);  // inputs keep the high-bit-first order throughout
    EXPECT_EQ(InputBit(496).mask, 0x80);
}

}  // namespace
}  // namespace orva
