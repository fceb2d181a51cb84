#include "platform/Timers.h"

namespace orva {

bool SleepUnlessStopped(std::stop_token stop, std::chrono::milliseconds duration) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

CTimers::CTimers() : thread_([this](std::stop_token stop) { Run(stop); }) {}

CTimers::~CTimers() {
    thread_.request_stop();
    changed_.notify_all();
}

CTimers& CTimers::Shared() {
    static CTimers timers;
    return timers;
}

CTimers::TimerId CTimers::Start(std::chrono::milliseconds delay, std::function<void()> callback) {
    if (delay.count() < 0 || delay > kMaxDelay || !callback) return 0;
    TimerId id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        const Key key{std::chrono::steady_clock::now() + delay, id};
        queue_.emplace(key, std::move(callback));
        byId_.emplace(id, key);
    }
    changed_.notify_all();
    return id;
}

bool CTimers::Cancel(TimerId id) {
    std::unique_lock lock(mutex_);
    const auto it = byId_.find(id);
    if (it != byId_.end()) {
        queue_.erase(it->second);
        byId_.erase(it);
        changed_.notify_all();
        return true;
    }
    if (running_ == id && std::this_thread::get_id() != thread_.get_id()) {
        finished_.wait(lock, [&] { return running_ != id; });
    }
    return false;
}

size_t CTimers::PendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void CTimers::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        if (queue_.empty()) {
            changed_.wait(lock, stop, [&] { return !queue_.empty(); });
            continue;
        }
        const auto first = queue_.begin();
        if (first->first.deadline > std::chrono::steady_clock::now()) {
            // Wake at the deadline, or earlier when the first timer changes.
            const Key front = first->first;
            changed_.wait_until(lock, stop, front.deadline, [&] {
                return queue_.empty() || queue_.begin()->first.id != front.id;
            });
            continue;
        }
        auto callback = std::move(first->second);
        running_ = first->first.id;
        byId_.erase(running_);
        queue_.erase(first);
        lock.unlock();
        callback();
        lock.lock();
        running_ = 0;
        finished_.notify_all();
    }
}

}  // namespace orva
