#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>

#include "CardTestSupport.h"
#include "card/CardShared.h"
#include "platform/Text.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;
using Steps = std::vector<std::pair<int64_t, int64_t>>;
using Pins = std::vector<int>;
using test::Pairs;
using ValueCases = std::vector<std::pair<int32_t, std::string>>;
using TextCases = std::vector<std::pair<std::u16string_view, std::string>>;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// |n| steps of encoder id, forward when n > 0.
Steps By(int64_t id, int n) {
    return Steps(std::abs(n), {id, n > 0 ? 1 : -1});
}

auto Hdg(int32_t v) {
    return [v](CCardDisplay& d) { d.ShowHeading(v); };
}
auto Spd(int32_t v) {
    return [v](CCardDisplay& d) { d.ShowSpeed(v); };
}
auto Frq(int32_t v) {
    return [v](CCardDisplay& d) { d.ShowFrequency(v); };
}
auto Txt(std::u16string_view t) {
    return [t](CCardDisplay& d) { d.ShowText(t); };
}
auto Switch(bool on) {
    return [on](CCardDisplay& d) {
        d.SetOn(on);
        d.Refresh();
    };
}

class DisplayEncoderTest : public test::CardTest {
protected:
    // A board with the card opened on it; no threads, so reports are replayed by the test.
    void OpenWithoutThreads() {
        AddBoard("ORVA-12345");
        card_.Configure(-1, u"ORVA-12345");
        ASSERT_TRUE(card_.Open());
    }

    // Runs one display operation and answers what digits first-last show on the board after
    // the single report it writes.
    template <typename Fn>
    std::string Shown(int id, int first, int last, Fn&& fn) {
        EXPECT_TRUE(card_.WithDisplay(id, fn));
        EXPECT_TRUE(board().WaitReceived(1, 3000));
        const auto reports = board().TakeReceived();
        EXPECT_EQ(reports.size(), 1u);
        if (!reports.empty()) written_ = reports.back();
        return board().DigitsText(first, last);
    }
    // The same, read over the display's own digits.
    template <typename Fn>
    std::string Shown(int id, Fn&& fn) {
        int64_t first = 0, last = 0;
        card_.WithDisplay(id, [&](CCardDisplay& d) { first = d.First(), last = d.Last(); });
        return Shown(id, static_cast<int>(first), static_cast<int>(last), fn);
    }

    Bytes Image(size_t card, size_t from, size_t count) {
        const DisplayReport image = card_.DisplayImage(card);
        return Bytes(image.begin() + from, image.begin() + from + count);
    }

    // Replays an inputs report with exactly these pins set; answers the encoder steps it posted.
    Steps Replay(const Pins& pins) {
        Report r{};
        r[1] = REPORT_INPUTS;
        for (int pin : pins)
            r[static_cast<size_t>(1 + pin / 8)] |= static_cast<uint8_t>(0x80u >> (pin % 8));
        seen_.clear();
        card_.HandleReport(r.data(), r.size());
        notify_.ProcessPending();
        return Pairs(Seen(WM_CARD_ENCODER));
    }
    // Replays each pin set in turn: each must post its steps of encoder id (as By), and the
    // value is read after the last.
    void ExpectTurns(int id, const std::vector<std::pair<Pins, int>>& turns, int32_t value) {
        for (const auto& [pins, n] : turns)
            EXPECT_EQ(Replay(pins), By(id, n)) << ::testing::PrintToString(pins);
        EXPECT_EQ(Value(id), value);
    }
    // The same from the board's own reports, the threads running.
    void ExpectPosted(int id, int n, int32_t value) {
        ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_ENCODER).size() >= By(id, n).size(); }));
        EXPECT_EQ(Pairs(Seen(WM_CARD_ENCODER)), By(id, n));
        EXPECT_EQ(Value(id), value);
    }
    void Execute(std::initializer_list<const char*> commands) {
        for (const char* c : commands) ASSERT_EQ(board().Execute(c), "ok") << c;
    }

    // Digits with blanks, which the board's text commands cannot name: polled.
    bool WaitDigits(int first, int last, const std::string& text) {
        return PumpUntil([&] { return board().DigitsText(first, last) == text; });
    }

    // Takes every report written so far: a marker written after them arrives last.
    void Drain() {
        card_.SendCommand(CMD_INFO_DONE, 0x5A);
        bool marked = false;
        EXPECT_TRUE(PumpUntil([&] {
            for (const auto& r : board().TakeReceived())
                marked = marked || (r[1] == CMD_INFO_DONE && r[2] == 0x5A);
            return marked;
        })) << "the marker never arrived";
    }

    Bytes written_;  // the report Shown took

    int32_t Value(int id) {
        int32_t v = 0;
        EXPECT_TRUE(card_.GetEncoderValue(id, v));
        return v;
    }
};

bool OnlyDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST_F(DisplayEncoderTest, HeadingReportBytes) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    ASSERT_EQ(id, 1);
    EXPECT_EQ(Shown(id, Hdg(365)), "005");
    Bytes expected{0, CMD_DISPLAY, 15, 0x7E, 0x7E, 0x5B};
    expected.resize(66);
    expected[35] = 0xFF;
    EXPECT_EQ(written_, expected);
    EXPECT_EQ(Image(0, 0, 66), expected);
    card_.WithDisplay(id, [](CCardDisplay& d) { EXPECT_EQ(d.LastHeading(), 365); });

    // A digit of another block on another card: that card's image, its own block byte.
    const int far = card_.CreateDisplay(50, 50);
    EXPECT_EQ(Shown(far, Txt(u"7")), "7");
    EXPECT_EQ(card_.DisplayImage(1)[2], 16);
    EXPECT_EQ(card_.DisplayImage(1)[3 + 17], 0x70);
    EXPECT_EQ(Image(1, 35, 4), (Bytes{0, 0, 0xFF, 0}));
    // The block byte stays set when its digits go blank.
    EXPECT_EQ(Shown(far, Txt(u"")), " ");
    EXPECT_EQ(card_.DisplayImage(1)[37], 0xFF);
    EXPECT_EQ(card_.DisplayImage(1)[3 + 17], 0x00);
}

TEST_F(DisplayEncoderTest, HeadingCorrections) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    const ValueCases cases = {{5, "005"},   {-90, "270"}, {0, "000"},   {360, "000"},
                              {361, "001"}, {720, "360"}, {-359, "001"}};
    for (const auto& [v, shown] : cases) EXPECT_EQ(Shown(id, Hdg(v)), shown) << v;
    // Far beyond one turn: still three plain digits.
    for (int32_t v : {-1000, 5000, 721, kMin, kMax})
        EXPECT_TRUE(OnlyDigits(Shown(id, Hdg(v)))) << v;
    // Digits beyond the value are leading zeros.
    EXPECT_EQ(Shown(card_.CreateDisplay(10, 14), Hdg(90)), "00090");
    // A descending display keeps its last digit least significant.
    EXPECT_EQ(Shown(card_.CreateDisplay(5, 3), Hdg(123)), "123");
    EXPECT_EQ(board().DigitsText(3, 5), "321");
}

TEST_F(DisplayEncoderTest, Speed) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    for (const auto& [v, shown] : ValueCases{
             {0, "  0"}, {1500, "999"}, {-5, "  0"}, {42, " 42"}, {999, "999"}, {kMin, "  0"}})
        EXPECT_EQ(Shown(id, Spd(v)), shown) << v;
    // A display too short for the value shows its low digits.
    EXPECT_EQ(Shown(card_.CreateDisplay(10, 11), Spd(250)), "50");
}

TEST_F(DisplayEncoderTest, Frequency) {
    OpenWithoutThreads();
    const int six = card_.CreateDisplay(1, 6);
    // The leftmost digit always shows 1, and a frequency is never negative.
    const ValueCases cases = {{11802, "118.025"}, {11807, "118.075"}, {10800, "108.000"},
                              {13595, "135.950"}, {2802, "128.025"},  {-11802, "100.000"}};
    for (const auto& [v, shown] : cases) EXPECT_EQ(Shown(six, Frq(v)), shown) << v;
    EXPECT_EQ(Shown(card_.CreateDisplay(11, 15), Frq(11802)), "118.02");
    EXPECT_EQ(Shown(card_.CreateDisplay(21, 22), Frq(11802)), "12");  // no room for the point
    EXPECT_EQ(Shown(card_.CreateDisplay(25, 27), Frq(11802)), "102.");
}

TEST_F(DisplayEncoderTest, UserFormats) {
    OpenWithoutThreads();
    const int five = card_.CreateDisplay(1, 5);
    const int two = card_.CreateDisplay(11, 12);
    const int four = card_.CreateDisplay(21, 24);
    const auto usr = [&](int id, std::u16string_view format, double v) {
        return card_.ShowUsr(id, format, v);
    };
    ASSERT_EQ(usr(five, u"%.1f", 12.3), 0);
    EXPECT_TRUE(WaitDigits(1, 5, "12.3  "));
    EXPECT_EQ(Image(0, 3, 5), (Bytes{0x30, 0x6D | 0x80, 0x79, 0, 0}));
    board().TakeReceived();

    // The letters the segments can draw are written in the format.
    ASSERT_EQ(usr(two, u"H%.0f", 5), 0);
    ASSERT_EQ(board().Execute("wait-digits 11 12 H5 2000"), "ok");
    EXPECT_EQ(card_.DisplayImage(0)[3 + 10], 0x37);
    ASSERT_EQ(usr(four, u"-AB%.0f", 5), 0);
    ASSERT_EQ(board().Execute("wait-digits 21 24 -A85 2000"), "ok");
    EXPECT_EQ(Image(0, 23, 4), (Bytes{0x01, 0x77, 0x7F, 0x5B}));
    ASSERT_EQ(usr(four, u"WNE%.0f", 1), 0);
    ASSERT_EQ(board().Execute("wait-digits 21 24 unE1 2000"), "ok");
    // A width's filler blanks come from the formatting and are not replaced.
    ASSERT_EQ(usr(four, u"%4.0f", 7), 0);
    EXPECT_TRUE(WaitDigits(21, 24, "   7"));
    EXPECT_EQ(card_.DisplayImage(0)[3 + 23], 0x70);
    EXPECT_EQ(card_.DisplayImage(0)[3 + 20], 0x00);
    board().TakeReceived();

    // Literal text with no conversion dashes or blanks a display; the value is not shown.
    for (const auto& [format, shown] :
         TextCases{{u"---", "---  "}, {u"  ", "     "}, {u"12", "12   "}, {u"", "     "}}) {
        ASSERT_EQ(usr(five, format, 5.0), 0);
        EXPECT_TRUE(WaitDigits(1, 5, shown)) << ToUtf8(format);
    }
    EXPECT_EQ(usr(five, u"%%", 5.0), 0);
    EXPECT_EQ(usr(99, u"---", 1.0), 2);
    board().TakeReceived();

    // Any other conversion, or more than one, is a format error, shown or not.
    for (const char16_t* format : {u"%d", u"%s", u"%.1f %.1f", u"%n", u"%f%n", u"%x", u"%-5.1f",
                                   u"% 5.1f", u"%E", u"%99999f", u"%", u"--%"}) {
        EXPECT_EQ(usr(five, format, 1.0), 1) << ToUtf8(format);
        EXPECT_EQ(usr(99, format, 1.0), 1) << ToUtf8(format);
    }
    // Whatever the value, the text is cut to the display, and what has no segments is blank.
    for (double v :
         {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(usr(five, u"%.1f", v), 0) << v;
    EXPECT_EQ(usr(five, u"%999.999f", -1e300), 0);
    EXPECT_EQ(usr(five, u"%.1f", 1e300), 0);
    ASSERT_TRUE(WaitDigits(1, 5, "10000"));
    // Literal percent signs are fine.
    for (const char16_t* format : {u"%%%5.1f%%", u"%+.2e", u"%g"})
        EXPECT_EQ(usr(five, format, 1.0), 0) << ToUtf8(format);
    for (int missing : {99, 0, 257, -1}) EXPECT_EQ(usr(missing, u"%5.1f", 1.0), 2) << missing;
}

TEST_F(DisplayEncoderTest, Text) {
    OpenWithoutThreads();
    const int two = card_.CreateDisplay(1, 2);
    const int three = card_.CreateDisplay(5, 7);
    EXPECT_EQ(Shown(two, Txt(u"1.2")), "1.2");
    EXPECT_EQ(Image(0, 3, 2), (Bytes{0x30 | 0x80, 0x6D}));
    // A leading "." has no digit to mark.
    EXPECT_EQ(Shown(two, Txt(u".5")), "5 ");
    EXPECT_EQ(Image(0, 3, 2), (Bytes{0x5B, 0x00}));
    EXPECT_EQ(Shown(two, Txt(u"12.")), "12");  // no digit left for the point
    // Long text is cut after the last digit, short text blanked to the right; characters
    // outside the segment table draw blank.
    const TextCases cases = {{u"12345", "123"},    {u"4", "4  "},   {u"1.2.", "1.2. "},
                             {u"\u00E9Z9", "  9"}, {u":;A", " -H"}, {u"x-/", "   "}};
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(Shown(three, Txt(text)), shown) << ToUtf8(text);
    EXPECT_EQ(Image(0, 7, 3), (Bytes{0, 0, 0}));
}

TEST_F(DisplayEncoderTest, DigitsAcrossCardsAndOutOfRange) {
    OpenWithoutThreads();
    // 31-32 on the first card, 33-34 on the second: only the first digit's card is written.
    EXPECT_EQ(Shown(card_.CreateDisplay(31, 34), Txt(u"1234")), "12  ");
    EXPECT_EQ(written_.at(2), 15);
    EXPECT_EQ(Image(1, 3, 2), (Bytes{0x79, 0x33}));  // digits 33-34 wait in their card's image
    EXPECT_EQ(card_.DisplayImage(1)[35], 0xFF);
    // The next write of the second card's image carries them.
    EXPECT_EQ(Shown(card_.CreateDisplay(40, 40), 31, 40, Txt(u"9")), "1234     9");

    // Past digit 160 nothing is shown; the in-range digits still are.
    EXPECT_EQ(Shown(card_.CreateDisplay(159, 162), 159, 160, Txt(u"1234")), "12");
    EXPECT_EQ(card_.DisplayImage(4)[2], 19);
    // A first digit out of range writes nothing, but puts the in-range digits into the image.
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(161, 170), Hdg(123)));
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(-5, -1), Spd(123)));
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(0, 2), Txt(u"789")));
    EXPECT_EQ(Image(0, 3, 2), (Bytes{0x7F, 0x7B}));  // digit 1: the 8 (the 7 went to digit 0)
    EXPECT_FALSE(board().WaitReceived(1, 200));
    EXPECT_TRUE(Seen(WM_CARD_IOERROR).empty());

    // abs(first - last) + 1 digits, modulo 256: such a display has none, and draws nothing.
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(1, 256), [](CCardDisplay& d) {
        EXPECT_TRUE(d.Digits().empty());
        d.ShowHeading(123);
        d.ShowSpeed(123);
        d.ShowFrequency(11802);
        d.ShowText(u"1.2");
    }));
    ASSERT_TRUE(board().WaitReceived(4, 3000));  // its first digit is shown: the image is written
    EXPECT_EQ(board().TakeReceived().size(), 4u);
    card_.WithDisplay(card_.CreateDisplay(1, 255),
                      [](CCardDisplay& d) { EXPECT_EQ(d.Digits().size(), 255u); });
    // Ids as far apart as a script's integers go: the count is still the distance modulo 256.
    constexpr int64_t kLow = std::numeric_limits<int64_t>::min();
    constexpr int64_t kHigh = std::numeric_limits<int64_t>::max();
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(kHigh, kLow), [](CCardDisplay& d) {
        EXPECT_TRUE(d.Digits().empty());  // 2^64 digits
        d.ShowText(u"123");
    }));
    ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(kLow, kHigh - 1), [](CCardDisplay& d) {
        EXPECT_EQ(d.Digits().size(), 255u);  // 2^64 - 1 digits
        d.ShowHeading(123);
    }));
    // Displays that end at either end of the range.
    for (const auto& [first, last] : {std::pair{kLow, kLow}, std::pair{kLow, kLow + 2},
                                      std::pair{kHigh, kHigh - 2}, std::pair{kHigh, kHigh}}) {
        ASSERT_TRUE(card_.WithDisplay(card_.CreateDisplay(first, last), Txt(u"123")));
    }
    EXPECT_FALSE(board().WaitReceived(1, 100));
}

TEST_F(DisplayEncoderTest, DisplayTableSlots) {
    OpenWithoutThreads();
    // Digits 1-160, then round again, so every display is one the board shows.
    for (int i = 1; i <= 256; ++i)
        ASSERT_EQ(card_.CreateDisplay((i - 1) % 160 + 1, (i - 1) % 160 + 1), i);
    EXPECT_EQ(card_.CreateDisplay(1, 1), 0);
    EXPECT_TRUE(card_.WithDisplay(256, [](CCardDisplay& d) { EXPECT_EQ(d.First(), 96); }));
    EXPECT_TRUE(card_.WithDisplay(1, [](CCardDisplay& d) { EXPECT_EQ(d.Last(), 1); }));
    for (int id : {0, 257, -1})
        EXPECT_FALSE(card_.WithDisplay(id, [](CCardDisplay&) { ADD_FAILURE(); })) << id;
    EXPECT_EQ(card_.ShowUsr(256, u"%.0f", 3), 0);
    EXPECT_TRUE(WaitDigits(96, 96, "3"));

    // Opening again empties the table; closing clears the images without writing.
    card_.Close();
    board().TakeReceived();
    EXPECT_EQ(card_.DisplayImage(2)[3 + 31], 0x00);
    EXPECT_EQ(card_.DisplayImage(2)[38], 0xFF);
    EXPECT_FALSE(board().WaitReceived(1, 200));
    ASSERT_TRUE(card_.Open());
    EXPECT_EQ(card_.CreateDisplay(7, 9), 1);
    // The images are kept: the block bytes once set stay set, the digits stay blank.
    EXPECT_EQ(card_.DisplayImage(0)[35], 0xFF);
    EXPECT_EQ(card_.DisplayImage(2)[3 + 31], 0x00);
    EXPECT_EQ(card_.DisplayImage(4)[2], 19);
}

TEST_F(DisplayEncoderTest, BlinkListAndSwitching) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    EXPECT_FALSE(card_.IsDisplayBlinking(id));
    // Listed once: one switch-off unlists it. Ids without a display are listed too; the blinker
    // skips them.
    for (int listed : {id, 300}) {
        for (bool on : {true, true, false, false}) {
            card_.SetDisplayBlinking(listed, on);
            EXPECT_EQ(card_.IsDisplayBlinking(listed), on) << listed;
        }
    }

    EXPECT_EQ(Shown(id, Hdg(5)), "005");
    EXPECT_EQ(Shown(id, Switch(false)), "   ");
    // Drawing while off keeps the display dark, and switching on shows the new digits.
    EXPECT_EQ(Shown(id, Hdg(90)), "   ");
    EXPECT_EQ(Shown(id, Switch(true)), "090");
}

TEST_F(DisplayEncoderTest, BlinkerTogglesListedDisplays) {
    AddBoard("ORVA-12345");
    card_.SetDisplayBlinking(42, true);
    OpenCard(u"ORVA-12345");
    // A starting blinker empties the list.
    EXPECT_TRUE(PumpUntil([&] { return !card_.IsDisplayBlinking(42); }));

    const int id = card_.CreateDisplay(1, 3);
    card_.WithDisplay(id, Hdg(5));
    ASSERT_EQ(board().Execute("wait-digits 1 3 005 2000"), "ok");
    card_.SetDisplayBlinking(id, true);
    EXPECT_TRUE(card_.IsDisplayBlinking(id));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(WaitDigits(1, 3, "   "));
        EXPECT_EQ(board().Execute("wait-digits 1 3 005 3000"), "ok");
    }
    card_.SetDisplayBlinking(id, false);
    EXPECT_FALSE(card_.IsDisplayBlinking(id));
    // Whatever the last pass left, switching on shows the digits for good.
    card_.WithDisplay(id, Switch(true));
    Drain();
    EXPECT_EQ(board().DigitsText(1, 3), "005");
    EXPECT_FALSE(board().WaitReceived(1, 1200));  // no pass touches it any more
    EXPECT_EQ(board().DigitsText(1, 3), "005");
}

TEST_F(DisplayEncoderTest, EncoderDecodingAndDirection) {
    OpenWithoutThreads();
    EXPECT_EQ(Replay({100}), Steps{});  // no encoder yet
    const int id = card_.CreateEncoder(100, 101, 1);
    ASSERT_EQ(id, 1);
    // It starts from the levels of the last report. Forward is (A,B) 00 -> 10 -> 11 -> 01 -> 00;
    // every edge counts.
    ExpectTurns(id, {{{100}, 0}, {{100, 101}, 1}, {{101}, 1}, {{}, 1}, {{100}, 1}}, 4);
    // The same levels again, or other pins: nothing. Backward is the reverse.
    ExpectTurns(id, {{{100}, 0}, {{100, 16, 200}, 0}, {{}, -1}}, 3);
    ExpectTurns(id, {{{101}, -1}, {{100, 101}, -1}, {{100}, -1}}, 0);
    // Both pins at once: an edge was missed, so two steps the way the last one went.
    ExpectTurns(id, {{{101}, -2}, {{100}, -2}, {{100, 101}, 1}, {{}, 2}}, -1);
    // The steps come before the input changes of the same report.
    EXPECT_EQ(Replay({100, 101}), By(id, 2));
    ASSERT_GE(seen_.size(), 2u);
    EXPECT_EQ(seen_.front().message, WM_CARD_ENCODER);
    EXPECT_EQ(seen_.back().message, WM_CARD_INPUT);

    // Pins outside 16-511 always read 0.
    const int outside = card_.CreateEncoder(15, 512, 1);
    Pins all(504);
    std::iota(all.begin(), all.end(), 8);
    for (const auto& [w, l] : Replay(all)) EXPECT_NE(w, outside);
}

TEST_F(DisplayEncoderTest, EncoderDirectionIgnoresSense) {
    OpenWithoutThreads();
    // The polarity is process-wide: put back for the other tests whatever happens here.
    struct GndAgain {
        COrvaCard& card;
        ~GndAgain() { card.SetSense(false); }
    } restore{card_};
    card_.SetSense(true);
    // Every level flips on VCC (the encoder starts at 1,1), and the direction does not.
    const int id = card_.CreateEncoder(100, 101, 1);
    ExpectTurns(id, {{{100}, 1}, {{100, 101}, 1}, {{101}, 1}, {{}, 1}, {{101}, -1}}, 3);
}

TEST_F(DisplayEncoderTest, EncoderStepsAndLimits) {
    OpenWithoutThreads();
    const int id = card_.CreateEncoder(100, 101, 2);
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, false));
    ASSERT_TRUE(card_.SetEncoderValue(id, 10));
    ExpectTurns(id, {{{100}, 1}}, 10);  // at the high limit a forward step is posted but refused
    ExpectTurns(id, {{{}, -1}}, 8);
    ASSERT_TRUE(card_.SetEncoderValue(id, 1));
    ExpectTurns(id, {{{101}, -1}}, 1);  // 1 - 2 would pass the low limit
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, true));
    ExpectTurns(id, {{{100, 101}, -1}}, 10);  // cyclic: past one limit is the other
    ExpectTurns(id, {{{101}, 1}}, 0);

    // A stored value is kept as given; the limits clamp it when they are set.
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, false));
    ASSERT_TRUE(card_.SetEncoderValue(id, 50));
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 100, false));
    EXPECT_EQ(Value(id), 50);
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, false));
    EXPECT_EQ(Value(id), 10);
    ASSERT_TRUE(card_.SetEncoderValue(id, -5));
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, false));
    EXPECT_EQ(Value(id), 0);
    // Reading brings an outside value into the limits for good.
    ASSERT_TRUE(card_.SetEncoderValue(id, 99));
    EXPECT_EQ(Value(id), 10);
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 1000, false));
    EXPECT_EQ(Value(id), 10);

    for (int missing : {2, 0, 257}) {
        int32_t v = 77;
        EXPECT_FALSE(card_.SetEncoderValue(missing, 1)) << missing;
        EXPECT_FALSE(card_.SetEncoderLimits(missing, 0, 1, missing == 257)) << missing;
        EXPECT_FALSE(card_.GetEncoderValue(missing, v)) << missing;
        EXPECT_EQ(v, 77);
    }
}

TEST_F(DisplayEncoderTest, EncoderClickFactorAndTheIntegerRange) {
    OpenWithoutThreads();
    const int big = card_.CreateEncoder(100, 101, 258);  // kept as one byte: 2
    const int none = card_.CreateEncoder(100, 101, 256);
    const int most = card_.CreateEncoder(100, 101, -1);
    EXPECT_EQ(Replay({100}), (Steps{{big, 1}, {none, 1}, {most, 1}}));
    EXPECT_EQ(Value(big), 2);
    EXPECT_EQ(Value(none), 0);
    EXPECT_EQ(Value(most), 255);

    // With the default limits a step never wraps past the 32-bit range.
    ASSERT_TRUE(card_.SetEncoderValue(most, kMax - 1));
    EXPECT_EQ(Replay({100, 101}).size(), 3u);
    EXPECT_EQ(Value(most), kMax - 1);
    ASSERT_TRUE(card_.SetEncoderValue(most, kMin + 1));
    Replay({100});  // backward
    EXPECT_EQ(Value(most), kMin + 1);
    ASSERT_TRUE(card_.SetEncoderValue(most, kMax - 255));
    Replay({100, 101});
    EXPECT_EQ(Value(most), kMax);
    // Cyclic over the whole range: past the top is the bottom.
    ASSERT_TRUE(card_.SetEncoderLimits(most, kMin, kMax, true));
    Replay({101});
    EXPECT_EQ(Value(most), kMin);
    Replay({100, 101});  // backward
    EXPECT_EQ(Value(most), kMax);
}

TEST_F(DisplayEncoderTest, EncoderTableSlots) {
    OpenWithoutThreads();
    Steps each;
    for (int i = 1; i <= 256; ++i) {
        ASSERT_EQ(card_.CreateEncoder(100, 101, 1), i);
        each.emplace_back(i, 1);
    }
    EXPECT_EQ(card_.CreateEncoder(100, 101, 1), 0);
    // One report steps them all, in slot order, the last one posted as 256.
    EXPECT_EQ(Replay({100}), each);
    EXPECT_TRUE(card_.SetEncoderValue(256, 5));
    EXPECT_EQ(Value(256), 5);
}

TEST_F(DisplayEncoderTest, TurningTheBoardsEncoders) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    const int id = card_.CreateEncoder(100, 101, 1);
    ASSERT_EQ(id, 1);
    board().TurnEncoder(100, 101, 3);
    ExpectPosted(id, 12, 12);
    seen_.clear();
    EXPECT_EQ(board().Execute("encoder 100 101 -1"), "ok");
    ExpectPosted(id, -4, 8);
    // The inputs themselves are reported too, after the steps.
    EXPECT_FALSE(Seen(WM_CARD_INPUT).empty());

    // A fast turn that misses an edge keeps its direction.
    seen_.clear();
    const int fast = card_.CreateEncoder(102, 103, 1);
    // Both pins in one report before any step: no direction to go by, nothing counted.
    Execute({"setmany 102=1 103=1", "setmany 102=0 103=0"});
    // Three detents forward, the middle edge of each falling between two reports.
    for (int detent = 0; detent < 3; ++detent)
        Execute({"set 102 1", "setmany 102=0 103=1", "set 103 0"});
    ExpectPosted(fast, 12, 12);
    seen_.clear();
    for (int detent = 0; detent < 3; ++detent)
        Execute({"set 103 1", "setmany 102=1 103=0", "set 102 0"});
    ExpectPosted(fast, -12, 0);
}

}  // namespace
}  // namespace orva
