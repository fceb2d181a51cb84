#include "platform/Notify.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace orva {

struct CNotify::SendState {
    std::mutex mutex;
    std::condition_variable_any cv;
    bool done = false;
    bool abandoned = false;
    int64_t result = 0;
};

CNotify::CNotify() : owner_(std::this_thread::get_id()) {
    // A pipe rather than an eventfd: a pipe's writer wakes the reader as one about to wait
    // itself, so the scheduler tends to run the event loop on the poster's processor at once
    // instead of waking another one; the chain from a board's report to a script is shorter.
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeFd_ = fds[0];
        wakeWriteFd_ = fds[1];
    }
}

CNotify::~CNotify() {
    Close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
    if (wakeWriteFd_ >= 0) ::close(wakeWriteFd_);
}

void CNotify::BindToCurrentThread() {
    std::lock_guard lock(mutex_);
    owner_ = std::this_thread::get_id();
}

bool CNotify::IsOwnerThread() const {
    std::lock_guard lock(mutex_);
    return owner_ == std::this_thread::get_id();
}

void CNotify::SetHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void CNotify::Wake() {
    if (wakeWriteFd_ < 0) return;
    // A full pipe is readable already: the byte that did not fit is not needed.
    const char one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeWriteFd_, &one, 1);
}

void CNotify::DrainWakeFd() {
    if (wakeFd_ < 0) return;
    char bytes[64];
    while (::read(wakeFd_, bytes, sizeof(bytes)) == static_cast<ssize_t>(sizeof(bytes))) {
    }
}

void CNotify::Post(uint32_t message, int64_t wParam, int64_t lParam) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        wasEmpty = queue_.empty();
        queue_.push_back(Item{{message, wParam, lParam}, nullptr});
    }
    queued_.notify_one();
    // A burst wakes the event loop once: ProcessPending wakes it again if work remains.
    if (wasEmpty) Wake();
}

std::optional<int64_t> CNotify::Send(uint32_t message, int64_t wParam, int64_t lParam,
                                     std::stop_token stop) {
    const Notification n{message, wParam, lParam};
    if (IsOwnerThread()) return Handle(n);
    auto state = std::make_shared<SendState>();
    {
        std::lock_guard lock(mutex_);
        if (closed_) return std::nullopt;
        queue_.push_back(Item{n, state});
    }
    queued_.notify_one();
    Wake();
    std::unique_lock lock(state->mutex);
    if (!state->cv.wait(lock, stop, [&] { return state->done; })) {
        state->abandoned = true;
        return std::nullopt;
    }
    if (state->abandoned) return std::nullopt;
    return state->result;
}

bool CNotify::WaitForRoom(size_t limit, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (limit == 0 || queue_.size() < limit || owner_ == std::this_thread::get_id()) return true;
    // Woken when a sixty-fourth has been handled: few wake-ups, and a producer that reads a
    // device resumes before the device's own buffer runs over.
    const size_t at = limit - std::max<size_t>(limit / 64, 1);
    roomAt_ = at;
    const bool room = room_.wait(lock, stop, [&] { return closed_ || queue_.size() <= at; });
    roomAt_.reset();
    return room;
}

int64_t CNotify::Handle(const Notification& n) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        handler = handler_;
    }
    return handler ? handler(n) : 0;
}

size_t CNotify::ProcessPending() {
    size_t count = 0;
    size_t budget = 0;
    {
        std::lock_guard lock(mutex_);
        budget = queue_.size();
    }
    DrainWakeFd();
    // Only what was queued on entry: a handler that posts must not keep us here forever.
    for (; budget > 0; --budget) {
        Item item;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) break;
            item = std::move(queue_.front());
            queue_.pop_front();
            if (queue_.size() == roomAt_) room_.notify_all();
        }
        if (item.send) {
            {
                std::lock_guard lock(item.send->mutex);
                if (item.send->abandoned) continue;
            }
            const int64_t result = Handle(item.n);
            {
                std::lock_guard lock(item.send->mutex);
                item.send->result = result;
                item.send->done = true;
            }
            item.send->cv.notify_all();
        } else {
            Handle(item.n);
        }
        ++count;
    }
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) Wake();
    }
    return count;
}

size_t CNotify::WaitAndProcess(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        queued_.wait_for(lock, timeout, [&] { return !queue_.empty() || closed_; });
    }
    return ProcessPending();
}

size_t CNotify::PendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void CNotify::Close() {
    std::deque<Item> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(queue_);
    }
    room_.notify_all();
    for (auto& item : dropped) {
        if (!item.send) continue;
        {
            std::lock_guard lock(item.send->mutex);
            item.send->abandoned = true;
            item.send->done = true;
        }
        item.send->cv.notify_all();
    }
    queued_.notify_all();
}

}  // namespace orva
