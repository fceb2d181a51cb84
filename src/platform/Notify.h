// A notification queue owned by one thread: the stand-in for posting and sending window messages.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "platform/Messages.h"

namespace orva {

struct Notification {
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
};

// Post queues and returns; Send queues and waits until the owner thread has handled the
// notification (inline when called on the owner thread). A Send whose sender is asked to stop
// is abandoned: it returns at once and the handler never runs it, so a reader blocked in Send
// cannot deadlock the owner thread that is closing it.
class CNotify {
public:
    using Handler = std::function<int64_t(const Notification&)>;

    CNotify();
    ~CNotify();
    CNotify(const CNotify&) = delete;
    CNotify& operator=(const CNotify&) = delete;

    // The calling thread becomes the owner (by default the constructing thread).
    void BindToCurrentThread();
    bool IsOwnerThread() const;
    void SetHandler(Handler handler);

    void Post(uint32_t message, int64_t wParam, int64_t lParam);
    // The handler's result, or nothing when the send was abandoned or the queue closed.
    std::optional<int64_t> Send(uint32_t message, int64_t wParam, int64_t lParam,
                                std::stop_token stop = {});

    // For a thread that posts faster than the owner handles (a board read as fast as it
    // reports): while `limit` or more notifications are queued, waits until some of them are
    // handled, so that the producer holds back instead of the queue growing without end. Returns
    // at once on the owner thread, after a close, or when stop is requested (then false). One
    // producer thread at a time may wait.
    bool WaitForRoom(size_t limit, std::stop_token stop);

    // Owner thread: handles what is queued now, in arrival order; returns how many ran.
    size_t ProcessPending();
    // Owner thread: waits up to timeout for a notification, then handles what is queued.
    size_t WaitAndProcess(std::chrono::milliseconds timeout);
    // Readable while notifications are queued: lets an event loop wait for us.
    int WakeFd() const { return wakeFd_; }
    size_t PendingCount() const;

    // Abandons every waiting send and refuses new ones; posts are dropped from now on.
    void Close();

private:
    struct SendState;
    struct Item {
        Notification n;
        std::shared_ptr<SendState> send;
    };
    int64_t Handle(const Notification& n);
    void Wake();
    void DrainWakeFd();

    mutable std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable_any room_;
    std::optional<size_t> roomAt_;  // a waiting producer goes on when the queue is this short
    std::deque<Item> queue_;
    std::thread::id owner_;
    Handler handler_;
    bool closed_ = false;
    int wakeFd_ = -1;  // the read end of the wake pipe
    int wakeWriteFd_ = -1;
};

}  // namespace orva
