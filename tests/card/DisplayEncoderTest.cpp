#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

#include "CardTestSupport.h"
#include "card/CardShared.h"
#include "platform/Text.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;
using Steps = std::vector<std::pair<int64_t, int64_t>>;
using test::Pairs;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// An inputs report with exactly these pins' bits set.
Report Inputs(std::initializer_list<int> pins) {
    Report r{};
    r[1] = REPORT_INPUTS;
    for (int pin : pins)
        r[static_cast<size_t>(1 + pin / 8)] |= static_cast<uint8_t>(0x80u >> (pin % 8));
    return r;
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
        EXPECT_EQ(board().TakeReceived().size(), 1u);
        return board().DigitsText(first, last);
    }

    // Replays an inputs report and answers the encoder steps it posted.
    Steps Replay(const Report& r) {
        seen_.clear();
        card_.HandleReport(r.data(), r.size());
        notify_.ProcessPending();
        return Pairs(Seen(WM_CARD_ENCODER));
    }

    // Digits with blanks, which the board's text commands cannot name: polled.
    bool WaitDigits(int first, int last, const std::string& text, int timeoutMs = 3000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (board().DigitsText(first, last) != text) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Takes every report written so far: a marker written after them arrives last.
    void Drain() {
        card_.SendCommand(CMD_INFO_DONE, 0x5A);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            if (!board().WaitReceived(1, 100)) continue;
            for (const auto& r : board().TakeReceived()) {
                if (r[1] == CMD_INFO_DONE && r[2] == 0x5A) return;
            }
        }
        ADD_FAILURE() << "the marker never arrived";
    }

    int32_t Value(int id) {
        int32_t v = 0;
        EXPECT_TRUE(card_.GetEncoderValue(id, v));
        return v;
    }
};

bool OnlyDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

TEST_F(DisplayEncoderTest, HeadingReportBytes) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    ASSERT_EQ(id, 1);
    ASSERT_TRUE(card_.WithDisplay(id, [](CCardDisplay& d) { d.ShowHeading(365); }));
    ASSERT_TRUE(board().WaitReceived(1, 3000));
    const auto reports = board().TakeReceived();
    ASSERT_EQ(reports.size(), 1u);
    Bytes expected(66, 0);
    expected[1] = CMD_DISPLAY;
    expected[2] = 15;
    expected[3] = 0x7E;
    expected[4] = 0x7E;
    expected[5] = 0x5B;
    expected[35] = 0xFF;
    EXPECT_EQ(reports[0], expected);
    EXPECT_EQ(board().DigitsText(1, 3), "005");
    const DisplayReport image = card_.DisplayImage(0);
    EXPECT_EQ(Bytes(image.begin(), image.end()), expected);
    card_.WithDisplay(id, [](CCardDisplay& d) { EXPECT_EQ(d.LastHeading(), 365); });

    // A digit of another block on another card: that card's image, its own block byte.
    const int far = card_.CreateDisplay(50, 50);
    EXPECT_EQ(Shown(far, 50, 50, [](CCardDisplay& d) { d.ShowText(u"7"); }), "7");
    const DisplayReport second = card_.DisplayImage(1);
    EXPECT_EQ(second[2], 16);
    EXPECT_EQ(second[3 + 17], 0x70);
    EXPECT_EQ(Bytes(second.begin() + 35, second.begin() + 39), (Bytes{0, 0, 0xFF, 0}));
    // The block byte stays set when its digits go blank.
    EXPECT_EQ(Shown(far, 50, 50, [](CCardDisplay& d) { d.ShowText(u""); }), " ");
    EXPECT_EQ(card_.DisplayImage(1)[37], 0xFF);
    EXPECT_EQ(card_.DisplayImage(1)[3 + 17], 0x00);
}

TEST_F(DisplayEncoderTest, HeadingCorrections) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    const auto heading = [&](int32_t v) {
        return Shown(id, 1, 3, [v](CCardDisplay& d) { d.ShowHeading(v); });
    };
    EXPECT_EQ(heading(5), "005");
    EXPECT_EQ(heading(-90), "270");
    EXPECT_EQ(heading(0), "000");
    EXPECT_EQ(heading(360), "000");
    EXPECT_EQ(heading(361), "001");
    EXPECT_EQ(heading(720), "360");
    EXPECT_EQ(heading(-359), "001");
    // Far beyond one turn: still three plain digits.
    for (int32_t v : {-1000, 5000, 721, kMin, kMax}) {
        EXPECT_TRUE(OnlyDigits(heading(v))) << v;
    }
    // Digits beyond the value are leading zeros.
    const int wide = card_.CreateDisplay(10, 14);
    EXPECT_EQ(Shown(wide, 10, 14, [](CCardDisplay& d) { d.ShowHeading(90); }), "00090");
}

TEST_F(DisplayEncoderTest, DescendingDisplayKeepsItsLastDigitLeastSignificant) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(5, 3);
    EXPECT_EQ(Shown(id, 5, 3, [](CCardDisplay& d) { d.ShowHeading(123); }), "123");
    EXPECT_EQ(board().DigitsText(3, 5), "321");
}

TEST_F(DisplayEncoderTest, Speed) {
    OpenWithoutThreads();
    const int id = card_.CreateDisplay(1, 3);
    const auto speed = [&](int32_t v) {
        return Shown(id, 1, 3, [v](CCardDisplay& d) { d.ShowSpeed(v); });
    };
    EXPECT_EQ(speed(0), "  0");
    EXPECT_EQ(speed(1500), "999");
    EXPECT_EQ(speed(-5), "  0");
    EXPECT_EQ(speed(42), " 42");
    EXPECT_EQ(speed(999), "999");
    EXPECT_EQ(speed(kMin), "  0");
    // A display too short for the value shows its low digits.
    const int two = card_.CreateDisplay(10, 11);
    EXPECT_EQ(Shown(two, 10, 11, [](CCardDisplay& d) { d.ShowSpeed(250); }), "50");
}

TEST_F(DisplayEncoderTest, Frequency) {
    OpenWithoutThreads();
    const int six = card_.CreateDisplay(1, 6);
    const int five = card_.CreateDisplay(11, 15);
    const int two = card_.CreateDisplay(21, 22);
    const int three = card_.CreateDisplay(25, 27);
    const auto frq = [&](int id, int first, int last, int32_t v) {
        return Shown(id, first, last, [v](CCardDisplay& d) { d.ShowFrequency(v); });
    };
    EXPECT_EQ(frq(six, 1, 6, 11802), "118.025");
    EXPECT_EQ(frq(six, 1, 6, 11807), "118.075");
    EXPECT_EQ(frq(six, 1, 6, 10800), "108.000");
    EXPECT_EQ(frq(six, 1, 6, 13595), "135.950");
    EXPECT_EQ(frq(six, 1, 6, 2802), "128.025");  // the leftmost digit always shows 1
    EXPECT_EQ(frq(five, 11, 15, 11802), "118.02");
    EXPECT_EQ(frq(six, 1, 6, -11802), "100.000");  // a frequency is never negative
    EXPECT_EQ(frq(two, 21, 22, 11802), "12");      // too short for a decimal point
    EXPECT_EQ(frq(three, 25, 27, 11802), "102.");
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
    ASSERT_TRUE(board().WaitReceived(1, 3000));
    EXPECT_EQ(board().DigitsText(1, 5), "12.3  ");
    const DisplayReport image = card_.DisplayImage(0);
    EXPECT_EQ(Bytes(image.begin() + 3, image.begin() + 8), (Bytes{0x30, 0x6D | 0x80, 0x79, 0, 0}));
    board().TakeReceived();

    // The letters the segments can draw are written in the format.
    ASSERT_EQ(usr(two, u"H%.0f", 5), 0);
    ASSERT_EQ(board().Execute("wait-digits 11 12 H5 2000"), "ok");
    EXPECT_EQ(card_.DisplayImage(0)[3 + 10], 0x37);
    ASSERT_EQ(usr(four, u"-AB%.0f", 5), 0);
    ASSERT_EQ(board().Execute("wait-digits 21 24 -A85 2000"), "ok");
    const DisplayReport letters = card_.DisplayImage(0);
    EXPECT_EQ(Bytes(letters.begin() + 23, letters.begin() + 27), (Bytes{0x01, 0x77, 0x7F, 0x5B}));
    ASSERT_EQ(usr(four, u"WNE%.0f", 1), 0);
    ASSERT_EQ(board().Execute("wait-digits 21 24 unE1 2000"), "ok");
    // A width's filler blanks come from the formatting and are not replaced.
    ASSERT_EQ(usr(four, u"%4.0f", 7), 0);
    EXPECT_TRUE(WaitDigits(21, 24, "   7"));
    EXPECT_EQ(card_.DisplayImage(0)[3 + 23], 0x70);
    EXPECT_EQ(card_.DisplayImage(0)[3 + 20], 0x00);
    board().TakeReceived();

    // Literal text with no conversion dashes or blanks a display; the value is not shown.
    ASSERT_EQ(usr(five, u"---", 1.0), 0);
    EXPECT_TRUE(WaitDigits(1, 5, "---  "));
    ASSERT_EQ(usr(five, u"  ", 1.0), 0);
    EXPECT_TRUE(WaitDigits(1, 5, "     "));
    ASSERT_EQ(usr(five, u"12", 5.0), 0);
    EXPECT_TRUE(WaitDigits(1, 5, "12   "));
    ASSERT_EQ(usr(five, u"", 5.0), 0);
    EXPECT_TRUE(WaitDigits(1, 5, "     "));
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
    EXPECT_EQ(usr(five, u"%.1f", std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(usr(five, u"%.1f", std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(usr(five, u"%999.999f", -1e300), 0);
    EXPECT_EQ(usr(five, u"%.1f", 1e300), 0);
    ASSERT_TRUE(WaitDigits(1, 5, "10000"));
    EXPECT_EQ(usr(five, u"%%%5.1f%%", 1.0), 0);  // literal percent signs are fine
    EXPECT_EQ(usr(five, u"%+.2e", 1.0), 0);
    EXPECT_EQ(usr(five, u"%g", 1.0), 0);
    // A missing display, any id.
    EXPECT_EQ(usr(99, u"%5.1f", 1.0), 2);
    EXPECT_EQ(usr(0, u"%5.1f", 1.0), 2);
    EXPECT_EQ(usr(257, u"%5.1f", 1.0), 2);
    EXPECT_EQ(usr(-1, u"%5.1f", 1.0), 2);
}

TEST_F(DisplayEncoderTest, Text) {
    OpenWithoutThreads();
    const int two = card_.CreateDisplay(1, 2);
    const int three = card_.CreateDisplay(5, 7);
    const auto text = [&](int id, int first, int last, std::u16string_view t) {
        return Shown(id, first, last, [t](CCardDisplay& d) { d.ShowText(t); });
    };
    EXPECT_EQ(text(two, 1, 2, u"1.2"), "1.2");
    EXPECT_EQ(card_.DisplayImage(0)[3], 0x30 | 0x80);
    EXPECT_EQ(card_.DisplayImage(0)[4], 0x6D);
    // A leading "." has no digit to mark.
    EXPECT_EQ(text(two, 1, 2, u".5"), "5 ");
    EXPECT_EQ(card_.DisplayImage(0)[3], 0x5B);
    EXPECT_EQ(card_.DisplayImage(0)[4], 0x00);
    EXPECT_EQ(text(two, 1, 2, u"12."), "12");       // no digit left for the point
    EXPECT_EQ(text(three, 5, 7, u"12345"), "123");  // cut after the last digit
    EXPECT_EQ(text(three, 5, 7, u"4"), "4  ");      // short text: blanks to the right
    EXPECT_EQ(text(three, 5, 7, u"1.2."), "1.2. ");
    // Characters outside the segment table draw blank.
    EXPECT_EQ(text(three, 5, 7, u"x-/"), "   ");
    const DisplayReport blank = card_.DisplayImage(0);
    EXPECT_EQ(Bytes(blank.begin() + 7, blank.begin() + 10), (Bytes{0, 0, 0}));
    EXPECT_EQ(text(three, 5, 7, u"\u00E9Z9"), "  9");
    EXPECT_EQ(text(three, 5, 7, u":;A"), " -H");
}

TEST_F(DisplayEncoderTest, DigitsAcrossCardsAndOutOfRange) {
    OpenWithoutThreads();
    // 31-32 on the first card, 33-34 on the second: only the first digit's card is written.
    const int spanning = card_.CreateDisplay(31, 34);
    ASSERT_TRUE(card_.WithDisplay(spanning, [](CCardDisplay& d) { d.ShowText(u"1234"); }));
    ASSERT_TRUE(board().WaitReceived(1, 3000));
    auto reports = board().TakeReceived();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0][2], 15);
    EXPECT_EQ(board().DigitsText(31, 34), "12  ");
    EXPECT_EQ(card_.DisplayImage(1)[3], 0x79);  // digit 33 waits in its card's image
    EXPECT_EQ(card_.DisplayImage(1)[4], 0x33);
    EXPECT_EQ(card_.DisplayImage(1)[35], 0xFF);
    // The next write of the second card's image carries them.
    const int other = card_.CreateDisplay(40, 40);
    EXPECT_EQ(Shown(other, 31, 40, [](CCardDisplay& d) { d.ShowText(u"9"); }), "1234     9");

    // Past digit 160 nothing is shown; the in-range digits still are.
    const int edge = card_.CreateDisplay(159, 162);
    EXPECT_EQ(Shown(edge, 159, 160, [](CCardDisplay& d) { d.ShowText(u"1234"); }), "12");
    EXPECT_EQ(card_.DisplayImage(4)[2], 19);
    // A first digit out of range writes nothing, but puts the in-range digits into the image.
    const int beyond = card_.CreateDisplay(161, 170);
    const int below = card_.CreateDisplay(0, 2);
    const int negative = card_.CreateDisplay(-5, -1);
    ASSERT_TRUE(card_.WithDisplay(beyond, [](CCardDisplay& d) { d.ShowHeading(123); }));
    ASSERT_TRUE(card_.WithDisplay(negative, [](CCardDisplay& d) { d.ShowSpeed(123); }));
    ASSERT_TRUE(card_.WithDisplay(below, [](CCardDisplay& d) { d.ShowText(u"789"); }));
    EXPECT_EQ(card_.DisplayImage(0)[3], 0x7F);  // digit 1: the 8 (the 7 went to digit 0)
    EXPECT_EQ(card_.DisplayImage(0)[4], 0x7B);
    EXPECT_FALSE(board().WaitReceived(1, 200));
    EXPECT_TRUE(Seen(WM_CARD_IOERROR).empty());

    // abs(first - last) + 1 digits, modulo 256: such a display has none, and draws nothing.
    const int none = card_.CreateDisplay(1, 256);
    ASSERT_TRUE(card_.WithDisplay(none, [](CCardDisplay& d) {
        EXPECT_TRUE(d.Digits().empty());
        d.ShowHeading(123);
        d.ShowSpeed(123);
        d.ShowFrequency(11802);
        d.ShowText(u"1.2");
    }));
    ASSERT_TRUE(board().WaitReceived(4, 3000));  // its first digit is shown: the image is written
    EXPECT_EQ(board().TakeReceived().size(), 4u);
    const int many = card_.CreateDisplay(1, 255);
    card_.WithDisplay(many, [](CCardDisplay& d) { EXPECT_EQ(d.Digits().size(), 255u); });
    // Ids as far apart as a script's integers go: the count is still the distance modulo 256.
    constexpr int64_t kLow = std::numeric_limits<int64_t>::min();
    constexpr int64_t kHigh = std::numeric_limits<int64_t>::max();
    const int widest = card_.CreateDisplay(kHigh, kLow);
    ASSERT_TRUE(card_.WithDisplay(widest, [](CCardDisplay& d) {
        EXPECT_TRUE(d.Digits().empty());  // 2^64 digits
        d.ShowText(u"123");
    }));
    const int reversed = card_.CreateDisplay(kLow, kHigh - 1);
    ASSERT_TRUE(card_.WithDisplay(reversed, [](CCardDisplay& d) {
        EXPECT_EQ(d.Digits().size(), 255u);  // 2^64 - 1 digits
        d.ShowHeading(123);
    }));
    // Displays that end at either end of the range.
    for (const auto& [first, last] : {std::pair{kLow, kLow}, std::pair{kLow, kLow + 2},
                                      std::pair{kHigh, kHigh - 2}, std::pair{kHigh, kHigh}}) {
        const int id = card_.CreateDisplay(first, last);
        ASSERT_TRUE(card_.WithDisplay(id, [](CCardDisplay& d) { d.ShowText(u"123"); }));
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
    EXPECT_FALSE(card_.WithDisplay(0, [](CCardDisplay&) { ADD_FAILURE(); }));
    EXPECT_FALSE(card_.WithDisplay(257, [](CCardDisplay&) { ADD_FAILURE(); }));
    EXPECT_FALSE(card_.WithDisplay(-1, [](CCardDisplay&) { ADD_FAILURE(); }));
    EXPECT_EQ(card_.ShowUsr(256, u"%.0f", 3), 0);
    ASSERT_TRUE(board().WaitReceived(1, 3000));
    EXPECT_EQ(board().DigitsText(96, 96), "3");

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
    card_.SetDisplayBlinking(id, true);
    card_.SetDisplayBlinking(id, true);  // listed once
    EXPECT_TRUE(card_.IsDisplayBlinking(id));
    card_.SetDisplayBlinking(id, false);
    EXPECT_FALSE(card_.IsDisplayBlinking(id));
    card_.SetDisplayBlinking(id, false);
    EXPECT_FALSE(card_.IsDisplayBlinking(id));
    // Ids without a display are listed too; the blinker skips them.
    card_.SetDisplayBlinking(300, true);
    EXPECT_TRUE(card_.IsDisplayBlinking(300));
    card_.SetDisplayBlinking(300, false);

    EXPECT_EQ(Shown(id, 1, 3, [](CCardDisplay& d) { d.ShowHeading(5); }), "005");
    EXPECT_EQ(Shown(id, 1, 3,
                    [](CCardDisplay& d) {
                        d.SetOn(false);
                        d.Refresh();
                    }),
              "   ");
    // Drawing while off keeps the display dark, and switching on shows the new digits.
    EXPECT_EQ(Shown(id, 1, 3, [](CCardDisplay& d) { d.ShowHeading(90); }), "   ");
    EXPECT_EQ(Shown(id, 1, 3,
                    [](CCardDisplay& d) {
                        d.SetOn(true);
                        d.Refresh();
                    }),
              "090");
}

TEST_F(DisplayEncoderTest, BlinkerTogglesListedDisplays) {
    AddBoard("ORVA-12345");
    card_.SetDisplayBlinking(42, true);
    OpenCard(u"ORVA-12345");
    // A starting blinker empties the list.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (card_.IsDisplayBlinking(42) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(card_.IsDisplayBlinking(42));

    const int id = card_.CreateDisplay(1, 3);
    card_.WithDisplay(id, [](CCardDisplay& d) { d.ShowHeading(5); });
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
    card_.WithDisplay(id, [](CCardDisplay& d) {
        d.SetOn(true);
        d.Refresh();
    });
    Drain();
    EXPECT_EQ(board().DigitsText(1, 3), "005");
    EXPECT_FALSE(board().WaitReceived(1, 1200));  // no pass touches it any more
    EXPECT_EQ(board().DigitsText(1, 3), "005");
}

TEST_F(DisplayEncoderTest, EncoderDecodingAndDirection) {
    OpenWithoutThreads();
    const int id = card_.CreateEncoder(100, 101, 1);
    ASSERT_EQ(id, 1);
    // Forward is (A,B) 00 -> 10 -> 11 -> 01 -> 00; every edge counts.
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{1, 1}}));
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{1, 1}}));
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{1, 1}}));
    EXPECT_EQ(Replay(Inputs({})), (Steps{{1, 1}}));
    EXPECT_EQ(Value(id), 4);
    // The same levels again: nothing.
    EXPECT_EQ(Replay(Inputs({})), Steps{});
    EXPECT_EQ(Replay(Inputs({16, 200})), Steps{});
    // Backward is the reverse.
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{1, -1}}));
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{1, -1}}));
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{1, -1}}));
    EXPECT_EQ(Replay(Inputs({})), (Steps{{1, -1}}));
    EXPECT_EQ(Value(id), 0);
    // Both pins at once: an edge was missed, so two steps the way the last one went.
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{1, -1}, {1, -1}}));
    EXPECT_EQ(Replay(Inputs({})), (Steps{{1, -1}, {1, -1}}));
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{1, 1}}));
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{1, 1}, {1, 1}}));
    EXPECT_EQ(Value(id), -1);
    // The steps come before the input changes of the same report.
    seen_.clear();
    const Report r = Inputs({100, 101});
    card_.HandleReport(r.data(), r.size());
    notify_.ProcessPending();
    ASSERT_GE(seen_.size(), 2u);
    EXPECT_EQ(seen_.front().message, WM_CARD_ENCODER);
    EXPECT_EQ(seen_.back().message, WM_CARD_INPUT);

    // Pins outside 16-511 always read 0.
    const int outside = card_.CreateEncoder(15, 512, 1);
    Report all{};
    all.fill(0xFF);
    all[0] = 0;
    all[1] = REPORT_INPUTS;
    seen_.clear();
    card_.HandleReport(all.data(), all.size());
    notify_.ProcessPending();
    for (const auto& [w, l] : Pairs(Seen(WM_CARD_ENCODER))) EXPECT_NE(w, outside);
}

TEST_F(DisplayEncoderTest, EncoderStartsFromTheLastReport) {
    OpenWithoutThreads();
    EXPECT_EQ(Replay(Inputs({100})), Steps{});  // no encoder yet
    const int id = card_.CreateEncoder(100, 101, 1);
    EXPECT_EQ(Replay(Inputs({100})), Steps{});  // the levels it was created with
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{id, 1}}));
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
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{id, 1}}));
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{id, 1}}));
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{id, 1}}));
    EXPECT_EQ(Replay(Inputs({})), (Steps{{id, 1}}));
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{id, -1}}));
    EXPECT_EQ(Value(id), 3);
}

TEST_F(DisplayEncoderTest, EncoderStepsAndLimits) {
    OpenWithoutThreads();
    const int id = card_.CreateEncoder(100, 101, 2);
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, false));
    ASSERT_TRUE(card_.SetEncoderValue(id, 10));
    // At the high limit a forward step is posted but refused.
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{id, 1}}));
    EXPECT_EQ(Value(id), 10);
    EXPECT_EQ(Replay(Inputs({})), (Steps{{id, -1}}));
    EXPECT_EQ(Value(id), 8);
    ASSERT_TRUE(card_.SetEncoderValue(id, 1));
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{id, -1}}));
    EXPECT_EQ(Value(id), 1);  // 1 - 2 would pass the low limit
    // Cyclic: past one limit is the other.
    ASSERT_TRUE(card_.SetEncoderLimits(id, 0, 10, true));
    EXPECT_EQ(Replay(Inputs({100, 101})), (Steps{{id, -1}}));
    EXPECT_EQ(Value(id), 10);
    EXPECT_EQ(Replay(Inputs({101})), (Steps{{id, 1}}));
    EXPECT_EQ(Value(id), 0);

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

    EXPECT_FALSE(card_.SetEncoderValue(2, 1));
    EXPECT_FALSE(card_.SetEncoderLimits(2, 0, 1, false));
    EXPECT_FALSE(card_.SetEncoderValue(0, 1));
    EXPECT_FALSE(card_.SetEncoderLimits(257, 0, 1, true));
    int32_t v = 77;
    EXPECT_FALSE(card_.GetEncoderValue(2, v));
    EXPECT_EQ(v, 77);
}

TEST_F(DisplayEncoderTest, EncoderClickFactorAndTheIntegerRange) {
    OpenWithoutThreads();
    const int big = card_.CreateEncoder(100, 101, 258);  // kept as one byte: 2
    const int none = card_.CreateEncoder(100, 101, 256);
    const int most = card_.CreateEncoder(100, 101, -1);
    EXPECT_EQ(Replay(Inputs({100})), (Steps{{big, 1}, {none, 1}, {most, 1}}));
    EXPECT_EQ(Value(big), 2);
    EXPECT_EQ(Value(none), 0);
    EXPECT_EQ(Value(most), 255);

    // With the default limits a step never wraps past the 32-bit range.
    ASSERT_TRUE(card_.SetEncoderValue(most, kMax - 1));
    EXPECT_EQ(Replay(Inputs({100, 101})).size(), 3u);
    EXPECT_EQ(Value(most), kMax - 1);
    ASSERT_TRUE(card_.SetEncoderValue(most, kMin + 1));
    Replay(Inputs({100}));  // backward
    EXPECT_EQ(Value(most), kMin + 1);
    ASSERT_TRUE(card_.SetEncoderValue(most, kMax - 255));
    Replay(Inputs({100, 101}));
    EXPECT_EQ(Value(most), kMax);
    // Cyclic over the whole range: past the top is the bottom.
    ASSERT_TRUE(card_.SetEncoderLimits(most, kMin, kMax, true));
    Replay(Inputs({101}));
    EXPECT_EQ(Value(most), kMin);
    Replay(Inputs({100, 101}));  // backward
    EXPECT_EQ(Value(most), kMax);
}

TEST_F(DisplayEncoderTest, EncoderTableSlots) {
    OpenWithoutThreads();
    for (int i = 1; i <= 256; ++i) ASSERT_EQ(card_.CreateEncoder(100, 101, 1), i);
    EXPECT_EQ(card_.CreateEncoder(100, 101, 1), 0);
    // One report steps them all, in slot order, the last one posted as 256.
    const Steps steps = Replay(Inputs({100}));
    ASSERT_EQ(steps.size(), 256u);
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i], std::make_pair(static_cast<int64_t>(i + 1), int64_t{1}));
    }
    EXPECT_EQ(steps.back().first, 256);
    EXPECT_TRUE(card_.SetEncoderValue(256, 5));
    EXPECT_EQ(Value(256), 5);
}

TEST_F(DisplayEncoderTest, TurningTheBoardsEncoder) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    const int id = card_.CreateEncoder(100, 101, 1);
    ASSERT_EQ(id, 1);
    board().TurnEncoder(100, 101, 3);
    ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_ENCODER).size() >= 12; }));
    EXPECT_EQ(Pairs(Seen(WM_CARD_ENCODER)), Steps(12, {1, 1}));
    EXPECT_EQ(Value(id), 12);
    seen_.clear();
    EXPECT_EQ(board().Execute("encoder 100 101 -1"), "ok");
    ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_ENCODER).size() >= 4; }));
    EXPECT_EQ(Pairs(Seen(WM_CARD_ENCODER)), Steps(4, {1, -1}));
    EXPECT_EQ(Value(id), 8);
    // The inputs themselves are reported too, after the steps.
    EXPECT_FALSE(Seen(WM_CARD_INPUT).empty());
}

TEST_F(DisplayEncoderTest, AFastTurnThatMissesAnEdgeKeepsItsDirection) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    const int id = card_.CreateEncoder(100, 101, 1);
    // Both pins in one report before any step: no direction to go by, nothing counted.
    ASSERT_EQ(board().Execute("setmany 100=1 101=1"), "ok");
    ASSERT_EQ(board().Execute("setmany 100=0 101=0"), "ok");
    // Three detents forward, the middle edge of each falling between two reports.
    for (int detent = 0; detent < 3; ++detent) {
        ASSERT_EQ(board().Execute("set 100 1"), "ok");
        ASSERT_EQ(board().Execute("setmany 100=0 101=1"), "ok");
        ASSERT_EQ(board().Execute("set 101 0"), "ok");
    }
    ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_ENCODER).size() >= 12; }));
    EXPECT_EQ(Pairs(Seen(WM_CARD_ENCODER)), Steps(12, {id, 1}));
    EXPECT_EQ(Value(id), 12);
    seen_.clear();
    for (int detent = 0; detent < 3; ++detent) {
        ASSERT_EQ(board().Execute("set 101 1"), "ok");
        ASSERT_EQ(board().Execute("setmany 100=1 101=0"), "ok");
        ASSERT_EQ(board().Execute("set 100 0"), "ok");
    }
    ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_ENCODER).size() >= 12; }));
    EXPECT_EQ(Pairs(Seen(WM_CARD_ENCODER)), Steps(12, {id, -1}));
    EXPECT_EQ(Value(id), 0);
}

}  // namespace
}  // namespace orva
