#include <gtest/gtest.h>

#include "platform/Text.h"

namespace orva {
namespace {

TEST(Text, AnsiRoundTripUsesWindows1252NotUtf8) {
    // e acute, euro sign and a character the code page lacks.
    const std::u16string text = u"caf\u00E9 \u20AC \u4E2D";
    const std::string ansi = ToAnsi(text);
    EXPECT_EQ(ansi, std::string("caf\xE9 \x80 ?"));
    EXPECT_EQ(FromAnsi("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
    // Bytes without a character keep their value both ways.
    EXPECT_EQ(FromAnsi("\x81\x9D"), u"\u0081\u009D");
    EXPECT_EQ(ToAnsi(u"\u0081\u009D"), "\x81\x9D");
    // A surrogate pair is one character, so one '?'.
    EXPECT_EQ(ToAnsi(u"a\U0001F600b"), "a?b");
}

TEST(Text, Utf8EncodingAndValidation) {
    const std::u16string text = u"\u00E9\u20AC\U0001F600";
    const std::string utf8 = ToUtf8(text);
    EXPECT_EQ(utf8, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    bool ok = false;
    EXPECT_EQ(FromUtf8(utf8, &ok), text);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));
    EXPECT_EQ(FromUtf8("a\xE9", &ok), u"a\uFFFD");
    EXPECT_FALSE(ok);
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
}

TEST(Text, CaseInsensitiveCompareAndCasing) {
    EXPECT_TRUE(EqualsNoCase(u"Gear Lever", u"gear lever"));
    EXPECT_TRUE(EqualsNoCase(u"\u00C9T\u00C9", u"\u00E9t\u00E9"));
    EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
    EXPECT_LT(CompareNoCase(u"abc", u"ABD"), 0);
    EXPECT_EQ(ToUpper(u"p3d offset \u00F1"), u"P3D OFFSET \u00D1");
    EXPECT_EQ(ToLower(u"ID001_VARS.XML"), u"id001_vars.xml");
    EXPECT_TRUE(ContainsNoCase(u"Hello World", u"WORLD"));
    EXPECT_EQ(Trim(u" \t x y \r\n"), u"x y");
}

TEST(Text, FormatFollowsPrintf) {
    EXPECT_EQ(Format(u"ID%03d", 7), u"ID007");
    EXPECT_EQ(Format(u"%s%s_vars.xml", u"/f/", u"ID001"), u"/f/ID001_vars.xml");
    EXPECT_EQ(Format(u"Error at %s event: %s.\r\n%s", u"P3D OFFSET", u"FLAPS", std::string("msg")),
              u"Error at P3D OFFSET event: FLAPS.\r\nmsg");
    EXPECT_EQ(Format(u"%04X|%x|%5.1f|%-4s|%%|%c", 0x12A4, 255, 3.14159, u"ab", u'Z'),
              u"12A4|ff|  3.1|ab  |%|Z");
    EXPECT_EQ(Format(u"[%d]: %s", -3, "bad"), u"[-3]: bad");
    // Missing arguments and unknown conversions read nothing they do not have.
    EXPECT_EQ(Format(u"%d %s %q"), u"0  %q");
    EXPECT_EQ(Format(u"%I64d", int64_t{1} << 40), u"1099511627776");
}

}  // namespace
}  // namespace orva
