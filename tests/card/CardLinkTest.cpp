#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>

#include "CardTestSupport.h"
#include "platform/Text.h"
#include "platform/Timers.h"

namespace orva {
namespace {

class CardLinkTest : public test::CardTest {};

// True once every shared timer due within delay from now has run: one thread fires them in
// deadline order, so a marker due after them runs after them.
bool WaitForSharedTimers(std::chrono::milliseconds delay) {
    auto done = std::make_shared<std::promise<void>>();
    auto fired = done->get_future();
    CTimers::Shared().Start(delay, [done] { done->set_value(); });
    return fired.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

TEST_F(CardLinkTest, OpenChoosesTheBoardBySerialInAnyCase) {
    AddBoard("ORVA-11111");
    AddBoard("ORVA-22222");
    card_.Configure(PID_USBMAIN, u"orva-22222");
    ASSERT_TRUE(card_.Open());
    card_.StartThreads();
    EXPECT_EQ(card_.GetProduct(), u"ORVA BOARD USBMAIN");
    card_.SetOutput(20, true);
    EXPECT_EQ(boards_[1]->Execute("wait-out 20 1 2000"), "ok");
    EXPECT_EQ(boards_[0]->Execute("out 20"), "0");
    EXPECT_FALSE(boards_[0]->HasClient());
    // A second open of an open object changes nothing.
    card_.SetSerial(u"ORVA-11111");
    EXPECT_FALSE(card_.Open());
    EXPECT_TRUE(card_.IsConnected());
    EXPECT_TRUE(card_.OutputState(20));
}

TEST_F(CardLinkTest, ListCardsAndPresence) {
    AddBoard("ORVA-00001");
    AddBoard("ORVA-00002");
    AddBoard("SRV-00003", sim::BoardKind::Servo);
    card_.Configure(-1, u"orva-00002");
    std::vector<std::u16string> lines;
    EXPECT_EQ(card_.ListCards(&lines), 3);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::u16string> serials;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::u16string head = Format(u"%03d: ", i + 1);
        EXPECT_EQ(lines[i].substr(0, 5), head);
        serials.push_back(SerialOfCardLine(lines[i]));
    }
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(serials, (std::vector<std::u16string>{u"ORVA-00001", u"ORVA-00002", u"SRV-00003"}));
    card_.Configure(PID_USBMAIN, u"orva-00002");
    EXPECT_EQ(card_.ListCards(nullptr), 2);
    EXPECT_EQ(SerialOfCardLine(u"002: "), u"");
    EXPECT_EQ(SerialOfCardLine(u"003"), u"");
    EXPECT_TRUE(card_.IsPresent());
    boards_[1]->Stop();
    EXPECT_FALSE(card_.IsPresent());
    EXPECT_EQ(card_.ListCards(nullptr), 1);
}

TEST_F(CardLinkTest, CloseThenOpenStartsCleared) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.SetOutput(20, true);
    card_.SetAdcMask(3);
    EXPECT_EQ(card_.CreateDisplay(1, 3), 1);
    EXPECT_EQ(card_.CreateEncoder(100, 101, 1), 1);
    card_.Close();
    EXPECT_FALSE(card_.IsConnected());
    ASSERT_TRUE(card_.Open());
    EXPECT_EQ(card_.OutputImage(), Report{});
    EXPECT_EQ(card_.AdcMask(), 0);
    EXPECT_EQ(card_.CreateDisplay(4, 6), 1);  // the tables are empty again
    EXPECT_EQ(card_.CreateEncoder(100, 101, 1), 1);
}

TEST_F(CardLinkTest, FailedReadWriteOpenIsNoConnection) {
    sim::CBoardSim& b = AddBoard("ORVA-12345");
    // The board is announced but its socket refuses: the read-write open fails.
    const std::string info = b.Execute("info");
    const std::string socket = b.ControlPath().substr(0, b.ControlPath().size() - 4) + ".sock";
    ASSERT_EQ(::unlink(socket.c_str()), 0);
    card_.Configure(-1, u"ORVA-12345");
    EXPECT_TRUE(card_.IsPresent());
    EXPECT_FALSE(card_.Open());
    EXPECT_FALSE(card_.IsConnected());
    card_.StartThreads();  // nothing to start
    card_.SetOutput(20, true);
    EXPECT_FALSE(card_.OutputState(20));
}

TEST_F(CardLinkTest, UnplugGivesReadErrorsWithoutSpinningAndCloseReturns) {
    sim::CBoardSim& b = AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    b.Stop();
    ASSERT_TRUE(PumpUntil([&] { return !Seen(WM_CARD_IOERROR).empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    notify_.ProcessPending();
    const auto errors = Seen(WM_CARD_IOERROR);
    EXPECT_EQ(errors[0].wParam, 0);  // a read failed
    EXPECT_NE(errors[0].lParam, 0);
    EXPECT_LT(errors.size(), 40u);  // a few retries, not a spin
    EXPECT_FALSE(card_.IsPresent());
    card_.SetOutput(20, true);  // the write fails and says so
    notify_.ProcessPending();
    bool writeError = false;
    for (const auto& n : Seen(WM_CARD_IOERROR)) writeError = writeError || n.wParam == 1;
    EXPECT_TRUE(writeError);
    card_.Close();
    EXPECT_FALSE(card_.IsConnected());
}

TEST_F(CardLinkTest, WritesFailWhileTheReaderFailsToo) {
    sim::CBoardSim& b = AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    b.Stop();
    // This thread's writes fail while the reader's reads keep failing on its own thread.
    const auto count = [&](int64_t kind) {
        size_t n = 0;
        for (const auto& e : Seen(WM_CARD_IOERROR)) n += e.wParam == kind ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(PumpUntil([&] {
        card_.SetOutput(20, !card_.OutputState(20));
        return count(0) >= 4;
    }));
    EXPECT_GT(count(1), 0u);
    EXPECT_NE(Seen(WM_CARD_IOERROR).back().lParam, 0);
    card_.Close();
}

TEST_F(CardLinkTest, CloseIsNotBlockedByAReaderWaitingInASend) {
    sim::CBoardSim& b = AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    // The reader sends the analog change and waits for this thread, which closes instead.
    b.Execute("adc 1 500");
    while (notify_.PendingCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    card_.Close();
    EXPECT_FALSE(card_.IsConnected());
    notify_.ProcessPending();
    EXPECT_TRUE(Seen(WM_CARD_ADC).empty());  // the abandoned send never ran
}

TEST_F(CardLinkTest, PulseAfterCloseOrReconnectTouchesNothing) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.SetOutput(20, true);
    ASSERT_TRUE(card_.SchedulePulseEnd(20, false, 150));
    EXPECT_FALSE(card_.SchedulePulseEnd(20, false, -1));
    EXPECT_FALSE(card_.SchedulePulseEnd(20, false, 2'000'000));
    card_.Close();
    ASSERT_TRUE(card_.Open());
    card_.StartThreads();
    card_.SetOutput(21, true);
    ASSERT_TRUE(WaitForSharedTimers(std::chrono::milliseconds(150)));  // the pulse has ended
    const Report image = card_.OutputImage();
    EXPECT_EQ(image[1 + 21 / 8], 0x80 >> (21 % 8));  // only the new connection's own change
    {
        COrvaCard gone(backend_, &notify_);
        gone.Configure(-1, u"ORVA-12345");
        ASSERT_TRUE(gone.Open());
        gone.SetOutput(30, true);
        ASSERT_TRUE(gone.SchedulePulseEnd(30, false, 50));
    }  // destroyed before the pulse ends
    EXPECT_TRUE(WaitForSharedTimers(std::chrono::milliseconds(50)));
}

TEST_F(CardLinkTest, PulseEndsTheOutput) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    card_.SetOutput(20, true);
    ASSERT_TRUE(card_.SchedulePulseEnd(20, false, 100));
    EXPECT_EQ(board().Execute("wait-out 20 1 1000"), "ok");
    EXPECT_EQ(board().Execute("wait-out 20 0 1000"), "ok");
    EXPECT_FALSE(card_.OutputState(20));
}

TEST_F(CardLinkTest, InputsFromTheBoardArePostedInOrder) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    board().Execute("set 16 1");
    board().Execute("setmany 17=1 30=1");
    board().Execute("set 16 0");
    ASSERT_TRUE(PumpUntil([&] { return Seen(WM_CARD_INPUT).size() >= 4; }));
    EXPECT_EQ(test::Pairs(Seen(WM_CARD_INPUT)),
              (std::vector<std::pair<int64_t, int64_t>>{{16, 1}, {17, 1}, {30, 1}, {16, 0}}));
    EXPECT_EQ(card_.InputLevel(30), 1);
}

// A board that reports faster than its notifications are handled: the reader stops reading at
// the queue's limit, so the board's burst waits for the panel, and no change is lost.
TEST_F(CardLinkTest, AFasterBoardWaitsForTheQueueAndLosesNothing) {
    AddBoard("ORVA-12345");
    OpenCard(u"ORVA-12345");
    constexpr size_t kChanges = 3 * COrvaCard::kMaxQueued;
    std::atomic<bool> sent{false};
    std::thread burst([&] {
        board().Execute("burst 20 " + std::to_string(kChanges));
        sent = true;
    });
    while (notify_.PendingCount() < COrvaCard::kMaxQueued) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(sent.load());
    size_t mostQueued = 0;
    EXPECT_TRUE(PumpUntil(
        [&] {
            mostQueued = std::max(mostQueued, notify_.PendingCount());
            return seen_.size() >= kChanges;
        },
        std::chrono::seconds(60)));
    burst.join();
    EXPECT_TRUE(sent.load());
    EXPECT_LE(mostQueued, COrvaCard::kMaxQueued);
    const auto inputs = Seen(WM_CARD_INPUT);
    ASSERT_EQ(inputs.size(), kChanges);
    for (size_t i = 0; i < kChanges; ++i) {
        ASSERT_EQ(inputs[i].wParam, 20) << i;
        ASSERT_EQ(inputs[i].lParam, static_cast<int64_t>((i + 1) & 1)) << i;
    }
}

// A panel that stops reading: the simulated board keeps 64 reports for it, as the kernel does
// for a real board's reader, and the reports after those are lost.
TEST_F(CardLinkTest, ASimulatedBoardKeepsSixtyFourReportsForAPanelThatReadsNothing) {
    sim::CBoardSim& b = AddBoard("ORVA-12345");
    const std::string socketPath = b.ControlPath().substr(0, b.ControlPath().size() - 4) + ".sock";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(b.Execute("wait-client 2000"), "ok");
    // Its present state on linking, then 64 changes of pin 16 (on, off, on...): the last one
    // finds no room.
    for (int i = 1; i <= 64; ++i) b.Execute("set 16 " + std::to_string(i & 1));
    std::vector<int> levels;
    uint8_t report[65];
    const timeval wait{0, 300000};  // what is still on its way comes within that
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    while (::recv(fd, report, sizeof(report), 0) == 65) levels.push_back(report[3] >> 7);
    ::close(fd);
    ASSERT_EQ(levels.size(), sim::CBoardSim::kReportDepth);
    for (size_t i = 0; i < levels.size(); ++i) EXPECT_EQ(levels[i], static_cast<int>(i & 1)) << i;
}

}  // namespace
}  // namespace orva
