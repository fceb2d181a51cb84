// One-shot timers served by one timer thread with a deadline queue (1 ms resolution).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <stop_token>
#include <thread>

namespace orva {

// Sleeps for the duration unless stop is requested first; false when it was.
bool SleepUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration);

class CTimers {
public:
    using TimerId = uint64_t;
    // The longest delay accepted, as the multimedia timers of the platform allow.
    static constexpr std::chrono::milliseconds kMaxDelay{1'000'000};

    CTimers();
    ~CTimers();
    CTimers(const CTimers&) = delete;
    CTimers& operator=(const CTimers&) = delete;

    // The process-wide timer service.
    static CTimers& Shared();

    // Calls callback on the timer thread once the delay has passed. A negative delay or one
    // beyond kMaxDelay starts nothing and answers 0. Timers with equal deadlines fire in the
    // order they were started.
    TimerId Start(std::chrono::milliseconds delay, std::function<void()> callback);
    // Stops a pending timer. When its callback is running on the timer thread, waits for it to
    // finish (unless called from that callback), so that nothing it uses may be freed too early.
    bool Cancel(TimerId id);
    size_t PendingCount() const;

private:
    void Run(std::stop_token stop);

    struct Key {
        std::chrono::steady_clock::time_point deadline;
        TimerId id;
        bool operator<(const Key& o) const {
            return deadline != o.deadline ? deadline < o.deadline : id < o.id;
        }
    };

    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::condition_variable finished_;
    std::map<Key, std::function<void()>> queue_;
    std::map<TimerId, Key> byId_;
    TimerId nextId_ = 1;
    TimerId running_ = 0;
    std::jthread thread_;
};

}  // namespace orva
