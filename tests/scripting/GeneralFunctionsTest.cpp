#include <gtest/gtest.h>

#include <chrono>

#include "ScriptTestSupport.h"

namespace orva {
namespace {

class GeneralFunctionsTest : public test::ScriptTest {};

TEST_F(GeneralFunctionsTest, CountMessages) {
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"event.value.get()", "event.value.get: incorrect number of arguments."},
        {u"event.reset(1, 2)", "event.reset: incorrect number of arguments."},
        {u"event.getpos()", "event.getpos: incorrect number of arguments."},
        {u"convert.int2bool()", "convert.int2bool: incorrect number of arguments."},
        {u"convert.bool2int(1, 2)", "convert.bool2int: incorrect number of arguments."},
        {u"convert.bcd2int()", "convert.bcd2int: incorrect number of arguments."},
        {u"convert.int2bcd()", "convert.bcd2int: incorrect number of arguments."},
        {u"mapRange(1, 2, 3, 4)", "mapRange: incorrect number of arguments."},
        {u"wait()", "wait: incorrect number of arguments."},
        {u"toggle()", "toggle: incorrect number of arguments."},
        {u"event.value.get(200)", "event.value.get: wrong event ID."},
        {u"event.value.get(-1)", "event.value.get: wrong event ID."},
        {u"event.reset(200)", "event.reset: wrong event ID."},
    };
    for (const auto& [script, message] : cases) EXPECT_EQ(ErrorOf(script), message);
    // print, printnl and cls test no count.
    EXPECT_TRUE(Run(u"print() printnl(1, 2) cls(3)"));
}

TEST_F(GeneralFunctionsTest, EventFunctions) {
    table_[0].name = u"Gear Lever";
    table_[0].id = 37;
    table_[0].value = 5;
    table_[1].id = -1;
    table_[199].value = 42;
    EXPECT_EQ(Eval(u"event.value.get(199)"), "42");  // past the used part
    EXPECT_EQ(Eval(u"event.value.get('0')"), "5");
    EXPECT_EQ(Eval(u"event.getpos('gear lever')"), "0");
    EXPECT_EQ(Eval(u"event.getpos('nothing')"), "-1");
    table_[0].lastValue = 5;
    EXPECT_EQ(Eval(u"event.reset(0)"), "1");
    EXPECT_EQ(table_[0].lastValue.load(), 6);
}

TEST_F(GeneralFunctionsTest, ConvertExamplesAndOutsideTheDefinedRanges) {
    EXPECT_EQ(Eval(u"convert.bcd2int(0x1234)"), "1234");
    EXPECT_EQ(Eval(u"convert.bcd2int(0x0100)"), "100");
    EXPECT_EQ(Eval(u"convert.bcd2int(0x12A4)"), "12");
    EXPECT_EQ(Eval(u"convert.int2bcd(1234)"), "4660");
    EXPECT_EQ(Eval(u"convert.int2bcd(12)"), "18");
    EXPECT_EQ(Eval(u"convert.int2bcd(99999)"), std::to_string(0x99999));
    EXPECT_EQ(Eval(u"convert.bool2int(0)"), "1");
    EXPECT_EQ(Eval(u"convert.bool2int(nil)"), "0");
    EXPECT_EQ(Eval(u"convert.int2bool(0)"), "false");
    EXPECT_EQ(Eval(u"convert.int2bool(3)"), "true");
    EXPECT_EQ(Eval(u"convert.int2bool(true)"), "false");

    // Eight hexadecimal digits: no overrun, the leading decimal digits still count.
    EXPECT_EQ(Eval(u"convert.bcd2int(0x12345678)"), "12345678");
    EXPECT_EQ(Eval(u"convert.bcd2int(0x99999999)"), "99999999");
    EXPECT_EQ(Eval(u"convert.bcd2int(-1)"), "0");              // FFFFFFFF
    EXPECT_EQ(Eval(u"convert.bcd2int(0x100001234)"), "1234");  // the low 32 bits
    // A BCD word has eight digits: larger values keep their low eight, negatives give 0.
    EXPECT_EQ(Eval(u"convert.int2bcd(12345678)"), std::to_string(0x12345678));
    EXPECT_EQ(Eval(u"convert.int2bcd(912345678)"), std::to_string(0x12345678));
    EXPECT_EQ(Eval(u"convert.int2bcd(-5)"), "0");
    EXPECT_EQ(Eval(u"convert.int2bcd(math.maxinteger)"), Eval(u"convert.int2bcd(54775807)"));
}

TEST_F(GeneralFunctionsTest, PrintPieces) {
    ASSERT_TRUE(Run(u"print(1, {}, false) printnl() print(2.5, 'x', nil)"));
    EXPECT_EQ(Monitor(), "1unrecoegnized type to printfalse\r\n2.5xunrecoegnized type to print");
    ASSERT_TRUE(Run(u"cls() print(true)"));
    EXPECT_EQ(Monitor(), "true");
}

TEST_F(GeneralFunctionsTest, MapRangeToggleAndWait) {
    EXPECT_EQ(Eval(u"mapRange(0, 1023, 0, 100, 512)"), "50");
    EXPECT_EQ(Eval(u"mapRange(0, 10, 100, 0, 3)"), "70");
    EXPECT_EQ(Eval(u"mapRange(0, 10, 5, 5, 3)"), "5");
    EXPECT_EQ(Eval(u"mapRange(0, 100, 0, 10, 150)"), "10");
    EXPECT_EQ(Eval(u"mapRange(0, 100, 0, 10, -5)"), "0");
    EXPECT_EQ(Eval(u"mapRange(0, 3, 0, 10, 1)"), "3");
    // An empty source range gives min2 truncated instead of 0/0.
    EXPECT_EQ(Eval(u"mapRange(5, 5, 7.9, 10, 5)"), "7");
    EXPECT_EQ(Eval(u"mapRange(0, 1, 0, 1e300, 1)"), "2147483647");
    EXPECT_EQ(Eval(u"toggle(0)"), "1");
    EXPECT_EQ(Eval(u"toggle(3)"), "0");
    EXPECT_EQ(Eval(u"toggle(true)"), "1");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Eval(u"wait(0)"), "1");
    EXPECT_EQ(Eval(u"wait(-5)"), "1");  // a negative time does not sleep forever
    EXPECT_EQ(Eval(u"wait(30)"), "1");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace orva
