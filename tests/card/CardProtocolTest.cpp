#include <gtest/gtest.h>

#include <thread>

#include "CardTestSupport.h"
#include "card/CardShared.h"

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Pairs;

Bytes Short(uint8_t command, uint8_t value) {
    Bytes r(65, 0);
    r[1] = command;
    r[2] = value;
    return r;
}

Bytes OutputReport(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    Bytes r(65, 0);
    r[1] = 1;
    for (const auto& [i, v] : bytes) r[i] = v;
    return r;
}

class CardProtocolTest : public test::CardTest {
protected:
    std::vector<Bytes> Received(size_t count) {
        EXPECT_TRUE(board().WaitReceived(count, 3000));
        return board().TakeReceived();
    }
};

TEST_F(CardProtocolTest, MainBoardCommandBytes) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.SetOutput(16, true);
    card_.SetOutput(495, true);
    card_.SetOutput(496, true);
    card_.SetOutput(511, true);
    card_.SetOutput(15, true);   // outside 16-511: nothing
    card_.SetOutput(512, true);  // likewise
    card_.SetOutput(16, false);
    const auto r = Received(5);
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0], OutputReport({{3, 0x80}}));
    EXPECT_EQ(r[1], OutputReport({{3, 0x80}, {62, 0x01}}));
    EXPECT_EQ(r[2], OutputReport({{3, 0x80}, {62, 0x01}, {63, 0x01}}));
    EXPECT_EQ(r[3], OutputReport({{3, 0x80}, {62, 0x01}, {63, 0x01}, {64, 0x80}}));
    EXPECT_EQ(r[4], OutputReport({{62, 0x01}, {63, 0x01}, {64, 0x80}}));
    EXPECT_TRUE(card_.OutputState(496));
    EXPECT_FALSE(card_.OutputState(16));

    card_.SetAllOutputs(true);
    card_.SetAdcMask(0x1F3);
    card_.SetAdcChannel(3, false);
    card_.SetAdcChannel(9, true);  // no such channel: nothing
    card_.SendCommand(CMD_INFO_DONE, 0);
    card_.SetServo(1, 50);  // a main board has no servos: nothing
    const auto s = Received(4);
    ASSERT_EQ(s.size(), 4u);
    Bytes all(65, 0xFF);
    all[0] = 0, all[1] = 1, all[2] = 0;
    EXPECT_EQ(s[0], all);
    EXPECT_EQ(s[1], Short(CMD_ADC_MASK, 0xF3));
    EXPECT_EQ(s[2], Short(CMD_ADC_MASK, 0xF3 & ~0x04));
    EXPECT_EQ(s[3], Short(CMD_INFO_DONE, 0));
    EXPECT_EQ(card_.AdcMask(), 0xF3 & ~0x04);
}

TEST_F(CardProtocolTest, ServoBoardCommandsAndWatchdog) {
    AddBoard("SRV-00001", sim::BoardKind::Servo);
    OpenCard(u"SRV-00001");  // a main-window object takes any product
    EXPECT_EQ(card_.ProductFilter(), PID_SERVO);
    EXPECT_TRUE(card_.IsServoBoard());
    card_.SetAdcMask(0x0F);
    // Taken before the write: the watchdog can only be later than a second after it.
    const auto start = std::chrono::steady_clock::now();
    card_.SetServo(2, 44);
    card_.SetServo(9, 1);  // no such servo
    const auto r = Received(3);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], Short(CMD_SERVO_ADC_MASK, 0x0F));
    EXPECT_EQ(r[1], Short(CMD_SERVO_ENABLE, 0x02));
    Bytes positions(65, 0);
    positions[1] = CMD_SERVO_POSITIONS;
    positions[3] = 44;
    EXPECT_EQ(r[2], positions);
    card_.SetAllOutputs(true);  // only a main board has outputs to set
    // The servo loses power about a second after its last write.
    ASSERT_TRUE(board().WaitReceived(1, 3000));
    const auto off = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(board().TakeReceived()[0], Short(CMD_SERVO_ENABLE, 0x00));
    // Whole milliseconds of the clock: more than 1000 of them is at least 999 ms.
    EXPECT_GE(off, std::chrono::milliseconds(999));
    EXPECT_EQ(card_.ServoEnableMask(), 0);
}

TEST_F(CardProtocolTest, InputNotificationsInReportOrderWithBothSenses) {
    AddBoard("ORVA-12345");
    card_.Configure(-1, u"ORVA-12345");
    ASSERT_TRUE(card_.Open());  // no threads: the reports are replayed here
    Report r{};
    r[2] = 0x01;   // pin 15
    r[3] = 0x81;   // pins 16 and 23
    r[64] = 0x01;  // pin 511
    card_.SetSense(false);
    card_.HandleReport(r.data(), r.size());
    notify_.ProcessPending();
    EXPECT_EQ(Pairs(Seen(WM_CARD_INPUT)),
              (std::vector<std::pair<int64_t, int64_t>>{{15, 1}, {23, 1}, {16, 1}, {511, 1}}));
    EXPECT_EQ(card_.InputLevel(16), 1);
    EXPECT_EQ(card_.InputLevel(15), 0);  // not an I/O pin
    EXPECT_EQ(card_.InputLevel(512), 0);
    seen_.clear();
    card_.SetSense(true);
    EXPECT_EQ(card_.InputLevel(16), 0);
    EXPECT_EQ(card_.InputLevel(17), 1);
    EXPECT_EQ(card_.InputLevel(15), 0);  // 0 for a non-pin on VCC too, not the FALSE value
    r[3] = 0x01;                         // pin 16 clears
    card_.HandleReport(r.data(), r.size());
    notify_.ProcessPending();
    EXPECT_EQ(Pairs(Seen(WM_CARD_INPUT)), (std::vector<std::pair<int64_t, int64_t>>{{16, 1}}));
    card_.SetSense(false);
}

TEST_F(CardProtocolTest, SnapshotKeepsChangesShorterThanTheMonitorsLook) {
    AddBoard("ORVA-12345");
    card_.Configure(-1, u"ORVA-12345");
    ASSERT_TRUE(card_.Open());  // replayed reports, no threads
    Report r{};
    r[3] = 0x20;  // pin 18 on...
    card_.HandleReport(r.data(), r.size());
    r[3] = 0x00;  // ...and off again before anyone looked
    card_.HandleReport(r.data(), r.size());
    card_.SetOutput(30, true);
    const int encoder = card_.CreateEncoder(100, 101, 1);
    ASSERT_TRUE(card_.SetEncoderLimits(encoder, -5, 5, true));
    CardSnapshot s = card_.Snapshot(true);
    EXPECT_TRUE(s.connected);
    EXPECT_EQ(s.inputs[3], 0x00);
    EXPECT_EQ(s.inputChanges[3], 0x20);
    EXPECT_EQ(s.outputs, card_.OutputImage());
    ASSERT_EQ(s.encoders.size(), 1u);
    EXPECT_EQ(s.encoders[0].id, encoder);
    EXPECT_EQ(s.encoders[0].pinB, 101);
    EXPECT_EQ(s.encoders[0].low, -5);
    EXPECT_TRUE(s.encoders[0].cyclic);
    // Handed over once; a look that does not take them leaves them.
    r[3] = 0x20;
    card_.HandleReport(r.data(), r.size());
    EXPECT_EQ(card_.Snapshot(false).inputChanges[3], 0x00);
    EXPECT_EQ(card_.Snapshot(true).inputChanges[3], 0x20);
    EXPECT_EQ(card_.Snapshot(true).inputChanges[3], 0x00);
}

TEST_F(CardProtocolTest, AnalogWordsOnBothBoards) {
    AddBoard("ORVA-12345");
    card_.Configure(-1, u"ORVA-12345");
    ASSERT_TRUE(card_.Open());
    Report r{};
    r[1] = REPORT_ADC;
    r[3] = 0x34;
    r[4] = 0x12;
    card_.HandleReport(r.data(), r.size());  // sent: handled inline on this thread
    EXPECT_EQ(Pairs(Seen(WM_CARD_ADC)),
              (std::vector<std::pair<int64_t, int64_t>>{{0, 1}, {1, 0x1234}}));
    EXPECT_EQ(card_.GetAdcValue(1), 0x1234);
    EXPECT_EQ(card_.GetAdcValue(8), 0);
    card_.HandleReport(r.data(), r.size());  // unchanged: nothing
    EXPECT_EQ(Seen(WM_CARD_ADC).size(), 2u);
    card_.Close();

    AddBoard("SRV-00001", sim::BoardKind::Servo);
    seen_.clear();
    card_.Configure(-1, u"SRV-00001");
    ASSERT_TRUE(card_.Open());
    Report s{};
    s[15] = 0xFF;
    s[16] = 0xFF;
    s[1] = 0x00;
    s[2] = 0x80;  // channel 1: 0x8000
    card_.HandleReport(s.data(), s.size());
    EXPECT_EQ(Pairs(Seen(WM_CARD_ADC)),
              (std::vector<std::pair<int64_t, int64_t>>{{1, 512}, {8, 1023}}));
    EXPECT_EQ(card_.GetAdcValue(8), 1023);
}

TEST_F(CardProtocolTest, CardInformationAndCardNumber) {
    AddBoard("ORVA-12345", sim::BoardKind::Main, {0, 5, 15});
    OpenCard(u"ORVA-12345", PID_USBMAIN);
    card_.ClearVersion();
    card_.SendCommand(CMD_GET_INFO, 0);
    ASSERT_TRUE(PumpUntil([&] { return !Seen(WM_CARD_INFO).empty(); }));
    EXPECT_EQ(Pairs(Seen(WM_CARD_INFO)), (std::vector<std::pair<int64_t, int64_t>>{{0, 255}}));
    EXPECT_EQ(card_.CardNumber(), 12345);
    EXPECT_EQ(card_.VersionMajor(), 2);
    EXPECT_EQ(card_.VersionMinor(), 1);
    const auto bitmap = card_.ExtensionBitmap();
    EXPECT_EQ(bitmap[0], 0x84);  // ADDR 0 and 5
    EXPECT_EQ(bitmap[1], 0x01);  // ADDR 15
    EXPECT_TRUE(card_.CheckCardNumber());
    card_.SetSerial(u"ORVA-X2345");
    EXPECT_FALSE(card_.CheckCardNumber());
}

TEST_F(CardProtocolTest, ReplayedCardInfoBytes) {
    AddBoard("ORVA-12345");
    card_.Configure(-1, u"ORVA-12345");
    ASSERT_TRUE(card_.Open());
    Report r{};
    r[1] = REPORT_CARD_INFO;
    r[13] = 0x39;
    r[14] = 0x30;
    card_.HandleReport(r.data(), r.size());
    EXPECT_EQ(card_.CardNumber(), 12345);
    EXPECT_EQ(Seen(WM_CARD_INFO).size(), 1u);
}

TEST_F(CardProtocolTest, SaveAndRestoreOutputsWithBlinking) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.SetOutput(20, true);
    card_.SetOutputBlinking(30, true);
    EXPECT_TRUE(card_.IsOutputBlinking(30));
    card_.SaveOutputs();
    EXPECT_FALSE(card_.IsOutputBlinking(30));  // saving stops all blinking
    card_.SetOutput(20, false);
    card_.SetOutput(21, true);
    card_.RestoreOutputs();
    EXPECT_TRUE(card_.IsOutputBlinking(30));
    EXPECT_TRUE(card_.OutputState(20));
    EXPECT_FALSE(card_.OutputState(21));
    card_.SetOutputBlinking(30, false);
    EXPECT_FALSE(card_.IsOutputBlinking(30));
    EXPECT_FALSE(card_.OutputState(30));
    EXPECT_EQ(board().Execute("wait-out 30 0 1000"), "ok");
}

TEST_F(CardProtocolTest, BlinkingWritesEveryHalfSecond) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    board().TakeReceived();
    card_.SetOutputBlinking(40, true);
    std::vector<std::pair<std::chrono::steady_clock::time_point, bool>> changes;
    while (changes.size() < 5 && board().WaitReceived(1, 2000)) {
        for (const auto& r : board().TakeReceived()) {
            const bool on = (r[1 + 40 / 8] & (0x80 >> (40 % 8))) != 0;
            changes.emplace_back(std::chrono::steady_clock::now(), on);
        }
    }
    card_.SetOutputBlinking(40, false);
    ASSERT_GE(changes.size(), 5u);
    for (size_t i = 2; i < changes.size(); ++i) {
        EXPECT_NE(changes[i].second, changes[i - 1].second);
        const auto gap = changes[i].first - changes[i - 1].first;
        EXPECT_GT(gap, std::chrono::milliseconds(250));
        EXPECT_LT(gap, std::chrono::milliseconds(1000));
    }
}

TEST_F(CardProtocolTest, NotConnectedWritesNothing) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.Close();
    card_.SetOutput(20, true);
    EXPECT_FALSE(card_.OutputState(20));  // changes nothing at all
    card_.SetAllOutputs(true);            // rebuilds the image, sends nothing
    EXPECT_TRUE(card_.OutputState(20));
    EXPECT_FALSE(board().WaitReceived(1, 200));
    EXPECT_TRUE(Seen(WM_CARD_IOERROR).empty());
}

TEST_F(CardProtocolTest, ConcurrentOutputChangesAreNeverLost) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([this, t] {
            for (int i = 0; i < 24; ++i) card_.SetOutput(16 + t * 24 + i, true);
        });
    }
    for (auto& w : writers) w.join();
    for (int pin = 16; pin < 16 + 96; ++pin) EXPECT_TRUE(card_.OutputState(pin)) << pin;
    // Every write carries the whole image, so the last one the board got holds every pin.
    ASSERT_EQ(board().Execute("wait-out 111 1 2000"), "ok");
    ASSERT_TRUE(board().WaitReceived(96, 2000));
    const auto last = board().TakeReceived().back();
    for (int pin = 16; pin < 16 + 96; ++pin) {
        EXPECT_TRUE(last[static_cast<size_t>(1 + pin / 8)] & (0x80 >> (pin % 8))) << pin;
    }
}

}  // namespace
}  // namespace orva
