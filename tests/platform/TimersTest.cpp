#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Timers.h"

namespace orva {
namespace {

using namespace std::chrono_literals;

class Recorder {
public:
    void Add(int v) {
        std::lock_guard lock(m_);
        order_.push_back(v);
        cv_.notify_all();
    }
    std::vector<int> WaitFor(size_t n) {
        std::unique_lock lock(m_);
        cv_.wait_for(lock, 5s, [&] { return order_.size() >= n; });
        return order_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    std::vector<int> order_;
};

TEST(Timers, FireInDeadlineOrder) {
    CTimers timers;
    Recorder rec;
    // Steps wide enough that a slow start of one timer cannot reorder the deadlines.
    timers.Start(300ms, [&] { rec.Add(3); });
    timers.Start(100ms, [&] { rec.Add(1); });
    timers.Start(200ms, [&] { rec.Add(2); });
    timers.Start(0ms, [&] { rec.Add(0); });
    EXPECT_EQ(rec.WaitFor(4), (std::vector<int>{0, 1, 2, 3}));
}

TEST(Timers, AnEarlierTimerStartedLaterFiresFirst) {
    CTimers timers;
    Recorder rec;
    const auto start = std::chrono::steady_clock::now();
    timers.Start(2000ms, [&] { rec.Add(2); });
    timers.Start(10ms, [&] { rec.Add(1); });
    EXPECT_EQ(rec.WaitFor(1), (std::vector<int>{1}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
}

TEST(Timers, CancelAndRejectedDelays) {
    CTimers timers;
    std::atomic<int> fired{0};
    // The timer thread is held until the cancel is done, so the timer is surely still pending
    // then, however late this thread gets there.
    std::promise<void> release;
    timers.Start(0ms, [gate = release.get_future().share()] { gate.wait(); });
    const auto id = timers.Start(30ms, [&] { ++fired; });
    EXPECT_NE(id, 0u);
    EXPECT_TRUE(timers.Cancel(id));
    EXPECT_FALSE(timers.Cancel(id));
    EXPECT_EQ(timers.Start(-1ms, [&] { ++fired; }), 0u);
    EXPECT_EQ(timers.Start(CTimers::kMaxDelay + 1ms, [&] { ++fired; }), 0u);
    release.set_value();
    // A timer due after the cancelled one has run, so the cancelled one would have run too.
    Recorder rec;
    timers.Start(60ms, [&] { rec.Add(1); });
    EXPECT_EQ(rec.WaitFor(1).size(), 1u);
    EXPECT_EQ(fired.load(), 0);
    EXPECT_EQ(timers.PendingCount(), 0u);
}

TEST(Timers, CancelWaitsForARunningCallback) {
    CTimers timers;
    std::atomic<bool> inside{false};
    std::atomic<bool> done{false};
    const auto id = timers.Start(0ms, [&] {
        inside = true;
        std::this_thread::sleep_for(50ms);
        done = true;
    });
    while (!inside) std::this_thread::sleep_for(1ms);
    timers.Cancel(id);
    EXPECT_TRUE(done.load());
}

}  // namespace
}  // namespace orva
