#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/Notify.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

TEST(Notify, PostsArriveInOrderOnTheOwnerThread) {
    CNotify notify;
    std::vector<int64_t> seen;
    std::thread::id handlerThread;
    notify.SetHandler([&](const Notification& n) {
        seen.push_back(n.wParam);
        handlerThread = std::this_thread::get_id();
        return 0;
    });
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) notify.Post(WM_CARD_INPUT, i, 1);
    });
    poster.join();
    EXPECT_EQ(notify.PendingCount(), 100u);
    EXPECT_EQ(notify.ProcessPending(), 100u);
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(Notify, SendWaitsForTheHandlerAndReturnsItsResult) {
    CNotify notify;
    std::atomic<bool> handled{false};
    notify.SetHandler([&](const Notification& n) {
        std::this_thread::sleep_for(20ms);
        handled = true;
        return n.lParam * 2;
    });
    std::optional<int64_t> result;
    std::thread sender([&] {
        result = notify.Send(WM_CARD_ADC, 3, 21);
        // The handler has finished when Send returns.
        EXPECT_TRUE(handled.load());
    });
    while (notify.WaitAndProcess(10ms) == 0) {
    }
    sender.join();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 42);
}

TEST(Notify, SendFromTheOwnerThreadRunsInline) {
    CNotify notify;
    int calls = 0;
    notify.SetHandler([&](const Notification&) { return ++calls; });
    EXPECT_EQ(notify.Send(WM_CARD_ADC, 1, 1), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(notify.PendingCount(), 0u);
}

TEST(Notify, AbandonedSendNeverRuns) {
    CNotify notify;
    int calls = 0;
    notify.SetHandler([&](const Notification&) { return ++calls; });
    std::stop_source stop;
    std::optional<int64_t> result = 7;
    std::thread sender([&] { result = notify.Send(WM_CARD_ADC, 1, 1, stop.get_token()); });
    while (notify.PendingCount() == 0) std::this_thread::sleep_for(1ms);
    stop.request_stop();  // the sender stops, as a closing card reader does
    sender.join();
    EXPECT_FALSE(result.has_value());
    notify.ProcessPending();
    EXPECT_EQ(calls, 0);
}

TEST(Notify, CloseReleasesWaitingSenders) {
    CNotify notify;
    std::optional<int64_t> result = 7;
    std::thread sender([&] { result = notify.Send(WM_CARD_ADC, 1, 1); });
    while (notify.PendingCount() == 0) std::this_thread::sleep_for(1ms);
    notify.Close();
    sender.join();
    EXPECT_FALSE(result.has_value());
    notify.Post(WM_CARD_INPUT, 1, 1);
    EXPECT_EQ(notify.PendingCount(), 0u);
}

TEST(Notify, WakeFdIsReadableExactlyWhileWorkIsQueued) {
    CNotify notify;
    int handled = 0;
    notify.SetHandler([&](const Notification&) { return ++handled; });
    const auto readable = [&] {
        pollfd fd{notify.WakeFd(), POLLIN, 0};
        return ::poll(&fd, 1, 0) == 1;
    };
    EXPECT_FALSE(readable());
    notify.Post(WM_CARD_INPUT, 1, 1);
    EXPECT_TRUE(readable());
    EXPECT_EQ(notify.ProcessPending(), 1u);
    EXPECT_FALSE(readable());
    // A burst far beyond what the pipe holds: still one wake, drained by one pass.
    for (int i = 0; i < 100000; ++i) notify.Post(WM_CARD_INPUT, i, 1);
    EXPECT_TRUE(readable());
    EXPECT_EQ(notify.ProcessPending(), 100000u);
    EXPECT_FALSE(readable());
    EXPECT_EQ(handled, 100001);
}

TEST(Notify, HandlerThatPostsDoesNotLoopForever) {
    CNotify notify;
    int calls = 0;
    notify.SetHandler([&](const Notification& n) {
        ++calls;
        notify.Post(n.message, n.wParam + 1, 0);
        return 0;
    });
    notify.Post(WM_CARD_INPUT, 0, 0);
    EXPECT_EQ(notify.ProcessPending(), 1u);
    EXPECT_EQ(notify.PendingCount(), 1u);
}

// A producer that waits for room before each post holds back at the limit and loses nothing; a
// stop releases it with false, a close with true, and the owner thread never waits.
TEST(Notify, AProducerWaitingForRoomHoldsBackAtTheLimit) {
    constexpr size_t kLimit = 16;
    constexpr int kPosts = 1000;
    CNotify notify;
    std::vector<int64_t> seen;
    notify.SetHandler([&](const Notification& n) {
        seen.push_back(n.wParam);
        return 0;
    });
    size_t mostQueued = 0;
    std::thread producer([&] {
        for (int i = 0; i < kPosts; ++i) {
            EXPECT_TRUE(notify.WaitForRoom(kLimit, {}));
            notify.Post(WM_CARD_INPUT, i, 1);
            mostQueued = std::max(mostQueued, notify.PendingCount());
        }
    });
    while (notify.PendingCount() < kLimit) std::this_thread::sleep_for(1ms);
    while (seen.size() < kPosts) notify.WaitAndProcess(10ms);
    producer.join();
    EXPECT_EQ(mostQueued, kLimit);
    ASSERT_EQ(seen.size(), static_cast<size_t>(kPosts));
    for (int i = 0; i < kPosts; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);

    for (size_t i = 0; i < kLimit; ++i) notify.Post(WM_CARD_INPUT, 0, 0);
    EXPECT_TRUE(notify.WaitForRoom(kLimit, {}));  // the owner thread
    std::stop_source stop;
    bool stopped = true;
    std::thread waiter([&] { stopped = notify.WaitForRoom(kLimit, stop.get_token()); });
    stop.request_stop();
    waiter.join();
    EXPECT_FALSE(stopped);
    bool closed = false;
    std::thread closing([&] { closed = notify.WaitForRoom(kLimit, {}); });
    notify.Close();
    closing.join();
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace orva
