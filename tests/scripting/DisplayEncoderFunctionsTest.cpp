// The orva.encoder and orva.display functions. The renderers, the limits and the tables are the
// card's (tests/card); here the messages, the conversion of the arguments, the display ids'
// slots and the answers.
#include <gtest/gtest.h>

#include "CardScriptTestSupport.h"

namespace orva {
namespace {

using Calls = std::vector<std::pair<std::u16string_view, std::string>>;

class DisplayEncoderFunctionsTest : public test::CardScriptTest {
protected:
    // What digits first-last show once everything written so far has arrived.
    std::string Shown(int first, int last) {
        Drain();
        return board_->DigitsText(first, last);
    }
    // Runs each display call in turn: each answers 1 and leaves first-last showing its text.
    void ExpectShown(int first, int last, const Calls& calls) {
        for (const auto& [call, shown] : calls) {
            EXPECT_EQ(Eval(call), "1") << ToUtf8(call);
            EXPECT_EQ(Shown(first, last), shown) << ToUtf8(call);
        }
    }
};

TEST_F(DisplayEncoderFunctionsTest, CountAndRangeMessages) {
    Connect();
    const std::string count = ": incorrect number of arguments.";
    const std::string range = ": the encoder parm is out of range. (1-256)";
    const Calls cases = {
        {u"orva.encoder.create(100)", "orva.enconder.create" + count},
        {u"orva.encoder.create(100, 101, 1, 2)", "orva.enconder.create" + count},
        {u"orva.encoder.value.get()", "orva.encoder.position.get" + count},
        {u"orva.encoder.value.get(1, 2)", "orva.encoder.position.get" + count},
        {u"orva.encoder.value.get(0)", "orva.encoder.position.get" + range},
        {u"orva.encoder.value.get(257)", "orva.encoder.position.get" + range},
        {u"orva.encoder.value.get(4294967297)", "orva.encoder.position.get" + range},
        {u"orva.encoder.value.set(1)", "orva.encoder.position.set" + count},
        {u"orva.encoder.value.set(0, 1)", "orva.enconder.position.set" + range},
        {u"orva.encoder.value.set(257, 1)", "orva.enconder.position.set" + range},
        {u"orva.encoder.value.set(5, 10)", "orva.setEncoderPosition: Encoder 5 not defined."},
        {u"orva.encoder.value.set(256, 10)", "orva.setEncoderPosition: Encoder 256 not defined."},
        {u"orva.encoder.limits.set(1, 0, 100)", "orva.encoder.limits.set" + count},
        {u"orva.encoder.limits.set(1, 0, 100, true, 1)", "orva.encoder.limits.set" + count},
        {u"orva.encoder.limits.set(0, 0, 100, true)", "orva.encoder.limits.set" + range},
        {u"orva.encoder.limits.set(257, 0, 100, true)", "orva.encoder.limits.set" + range},
        // An id that does not convert is 0, out of range before it is missing.
        {u"orva.encoder.limits.set('one', 0, 100, true)", "orva.encoder.limits.set" + range},
        {u"orva.encoder.limits.set(9, 0, 100, true)",
         "orva.encoder.limits.set: Encoder 9 not defined."},
        {u"orva.display.create(1)", "orva.display.create" + count},
        {u"orva.display.create(1, 2, 3)", "orva.display.create" + count},
        {u"orva.display.switch(1)", "orva.display.switch" + count},
        {u"orva.display.blinking.get()", "orva.display.blinking.get" + count},
        {u"orva.display.blinking.set(1)", "orva.display.blinking.set" + count},
        {u"orva.display.show.hdg(1)", "orva.display.hdg" + count},
        {u"orva.display.show.ias(1, 2, 3)", "orva.display.ias" + count},
        {u"orva.display.show.vs()", "orva.display.vs" + count},
        {u"orva.display.show.frq(1)", "orva.display.frq" + count},
        {u"orva.display.show.usr(1, '%5.1f')", "orva.display.usr" + count},
        // A missing display is not an error except for a user format.
        {u"orva.display.show.usr(7, '%5.1f', 1)", "orva.display.usr: incorrect Display ID."},
        {u"orva.display.show.usr(7, '%d', 1)", "orva.display.usr: format error."},
    };
    for (const auto& [script, message] : cases)
        EXPECT_EQ(ErrorOf(script), message) << ToUtf8(script);
    EXPECT_TRUE(Drain().empty());
    // No encoder yet: reading gives 0, not an error.
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "0");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(256)"), "0");
    // The count messages made no encoder and no display.
    EXPECT_EQ(Eval(u"orva.encoder.create(100, 101)"), "1");
    EXPECT_EQ(Eval(u"orva.display.create(1, 3)"), "1");
}

TEST_F(DisplayEncoderFunctionsTest, EncoderCreateValueAndLimits) {
    Connect();
    EXPECT_EQ(Eval(u"orva.encoder.create(100, 101)"), "1");
    EXPECT_EQ(Eval(u"orva.encoder.create(102, 103, 3)"), "2");
    EXPECT_EQ(Eval(u"math.type(orva.encoder.create(104, 105, 258))"), "integer");  // 3
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "0");

    // The click factor multiplies each step; without one it is 1.
    EXPECT_EQ(Replay({100, 102, 104}), (test::Steps{{1, 1}, {2, 1}, {3, 1}}));
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "1");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(2)"), "3");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(3)"), "2");

    // The value set is answered as given; reading brings it into the limits (the card's
    // limits are tested with the card).
    EXPECT_EQ(Eval(u"orva.encoder.limits.set(1, 0, 100, false)"), "1");
    EXPECT_EQ(Eval(u"orva.encoder.value.set(1, 150)"), "150");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "100");
    EXPECT_EQ(Eval(u"orva.encoder.value.set('1', '42')"), "42");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "42");

    // The cyclic flag is Lua's truth, so 0 makes the encoder cyclic and nil does not.
    ASSERT_TRUE(Run(u"orva.encoder.limits.set(1, 0, 100, 0) orva.encoder.value.set(1, 100)"));
    Replay({100, 101});  // forward from (1,0)
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "0");
    ASSERT_TRUE(Run(u"orva.encoder.limits.set(1, 0, 100, nil) orva.encoder.value.set(1, 100)"));
    Replay({101});  // forward again, refused
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "100");

    // The card keeps the low 32 bits; the answer is what the script gave.
    EXPECT_EQ(Eval(u"orva.encoder.value.set(2, 4294967303)"), "4294967303");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(2)"), "7");
    ASSERT_TRUE(Run(u"orva.encoder.limits.set(2, 4294967296 + 10, 4294967296 + 20, false)"));
    EXPECT_EQ(Eval(u"orva.encoder.value.get(2)"), "10");
}

// The renderers themselves are the card's (tested there); here each function reaches its own
// and its arguments are converted.
TEST_F(DisplayEncoderFunctionsTest, CockpitFormats) {
    Connect();
    EXPECT_EQ(Eval(u"orva.display.create(1, 3)"), "1");
    // The value is an integer argument: a fraction counts as 0, a numeric text as its number,
    // and the low 32 bits are used.
    ExpectShown(1, 3,
                {{u"orva.display.show.hdg(1, 365)", "005"},
                 {u"orva.display.show.vs(1, 7)", "  7"},
                 {u"orva.display.show.ias(1, 1500)", "999"},
                 {u"orva.display.show.hdg(1, 123.5)", "000"},
                 {u"orva.display.show.hdg('1', '90')", "090"},
                 {u"orva.display.show.hdg(1, 4294967296 + 5)", "005"}});
    EXPECT_EQ(Eval(u"orva.display.create(11, 16)"), "2");
    ExpectShown(11, 16, {{u"orva.display.show.frq(2, 11802)", "118.025"}});
}

TEST_F(DisplayEncoderFunctionsTest, UserFormats) {
    Connect();
    ASSERT_EQ(Eval(u"orva.display.create(1, 5)"), "1");
    ExpectShown(1, 5,
                {{u"orva.display.show.usr(1, '%.1f', 12.3)", "12.3  "},
                 {u"orva.display.show.usr(1, 'E-%.0f', '12')", "E-12 "}});  // a numeric text
    // A rejected format raises its message and leaves the display as it was.
    EXPECT_EQ(ErrorOf(u"orva.display.show.usr(1, '%d', 5)"), "orva.display.usr: format error.");
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(board_->DigitsText(1, 5), "E-12 ");
    // Display ids reach their slot modulo 256; 0 is the empty slot 256.
    ExpectShown(1, 5, {{u"orva.display.show.usr(257, '%.0f', 7)", "7    "}});
    for (const char16_t* call :
         {u"orva.display.show.usr(0, '%.0f', 7)", u"orva.display.show.usr(2, '%.0f', 7)"})
        EXPECT_EQ(ErrorOf(call), "orva.display.usr: incorrect Display ID.") << ToUtf8(call);
}

TEST_F(DisplayEncoderFunctionsTest, SwitchingBlinkingAndMissingDisplays) {
    Connect();
    ASSERT_TRUE(Run(u"orva.display.create(1, 3)"));
    // Slot arithmetic over the whole integer range: 257, -255 and the like are slot 1.
    ExpectShown(1, 3,
                {{u"orva.display.show.hdg(1, 5)", "005"},
                 {u"orva.display.switch(1, false)", "   "},
                 {u"orva.display.switch(1, true)", "005"},
                 {u"orva.display.show.hdg(1, 7)", "007"},
                 {u"orva.display.switch(257, 0)", "   "},
                 {u"orva.display.switch(257, true)", "007"},
                 {u"orva.display.show.ias(-255, 42)", " 42"},
                 {u"orva.display.show.ias(math.mininteger + 1, 43)", " 43"},
                 {u"orva.display.show.ias(math.maxinteger - 254, 44)", " 44"}});
    EXPECT_EQ(Eval(u"orva.display.switch(math.mininteger, false)"), "1");  // slot 255: none
    EXPECT_EQ(ErrorOf(u"orva.display.show.usr(math.mininteger, '%.0f', 1)"),
              "orva.display.usr: incorrect Display ID.");

    // Missing displays are ignored, and the answer is still 1.
    for (const char16_t* call :
         {u"orva.display.show.hdg(7, 90)", u"orva.display.show.ias(7, 90)",
          u"orva.display.show.vs(7, 90)", u"orva.display.show.frq(7, 11802)",
          u"orva.display.switch(7, false)", u"orva.display.switch(0, false)"})
        EXPECT_EQ(Eval(call), "1") << ToUtf8(call);
    EXPECT_TRUE(Drain().empty());

    EXPECT_EQ(Eval(u"orva.display.blinking.get(1)"), "false");
    EXPECT_EQ(Eval(u"orva.display.blinking.set(1, true)"), "true");
    EXPECT_EQ(Eval(u"orva.display.blinking.get(1)"), "true");
    EXPECT_TRUE(card_.IsDisplayBlinking(1));
    // Blinking takes the id as it is, without the slot arithmetic.
    EXPECT_EQ(Eval(u"orva.display.blinking.set(257, 1)"), "true");
    EXPECT_TRUE(card_.IsDisplayBlinking(257));
    EXPECT_EQ(Eval(u"orva.display.blinking.get(513)"), "false");
    EXPECT_EQ(Eval(u"orva.display.blinking.set(257, 'no')"), "false");
    EXPECT_FALSE(card_.IsDisplayBlinking(257));
    EXPECT_EQ(Eval(u"orva.display.blinking.set(1, 0)"), "false");
    EXPECT_EQ(Eval(u"orva.display.blinking.get(1)"), "false");
    EXPECT_FALSE(card_.IsDisplayBlinking(1));
}

TEST_F(DisplayEncoderFunctionsTest, DisplayTableFillsUp) {
    Connect();
    // Digits 1-160, then round again, so that every display is one the board shows.
    ASSERT_TRUE(
        Run(u"for i = 1, 256 do d = (i - 1) % 160 + 1 last = orva.display.create(d, d) end "
            u"extra = orva.display.create(1, 1)"));
    EXPECT_EQ(Eval(u"last"), "256");
    EXPECT_EQ(Eval(u"extra"), "0");
    // Id 0 is display 256, on digit 96.
    ExpectShown(
        96, 96,
        {{u"orva.display.show.hdg(0, 4)", "4"}, {u"orva.display.show.usr(512, '%.0f', 6)", "6"}});
}

TEST_F(DisplayEncoderFunctionsTest, WithoutACard) {
    // The state of the fixture reaches no card.
    EXPECT_EQ(Eval(u"orva.encoder.create(100, 101)"), "0");
    EXPECT_EQ(Eval(u"orva.encoder.value.get(1)"), "0");
    EXPECT_EQ(ErrorOf(u"orva.encoder.value.set(1, 5)"),
              "orva.setEncoderPosition: Encoder 1 not defined.");
    EXPECT_EQ(ErrorOf(u"orva.encoder.limits.set(1, 0, 5, true)"),
              "orva.encoder.limits.set: Encoder 1 not defined.");
    EXPECT_EQ(Eval(u"orva.display.create(1, 3)"), "0");
    EXPECT_EQ(Eval(u"orva.display.show.hdg(1, 5)"), "1");
    EXPECT_EQ(Eval(u"orva.display.switch(1, true)"), "1");
    EXPECT_EQ(Eval(u"orva.display.blinking.set(1, true)"), "true");
    EXPECT_EQ(Eval(u"orva.display.blinking.get(1)"), "false");
    EXPECT_EQ(ErrorOf(u"orva.display.show.usr(1, '%.1f', 1)"),
              "orva.display.usr: incorrect Display ID.");
    EXPECT_EQ(ErrorOf(u"orva.display.show.usr(1, '%d', 1)"), "orva.display.usr: format error.");
}

}  // namespace
}  // namespace orva
