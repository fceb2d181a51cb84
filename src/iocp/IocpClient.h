// One connection to one IOCP server: registration, received values, writes, keys, the end.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "iocp/IocpLineParser.h"
#include "platform/Notify.h"

namespace orva {

// Whether a server accepts a connection at host:port within timeoutMs; the connection is closed
// at once, before anything is said on it. A readable cancelFd ends the wait early (false).
bool ServerAccepts(std::string_view host, int port, int timeoutMs, int cancelFd = -1);

// Offsets with the cells their values go to; ends with an entry without a cell.
using OffsetCells = std::vector<std::pair<int32_t, std::atomic<int32_t>*>>;

class CIocpClient final : private IIocpLineActions {
public:
    enum LastError : int32_t {
        kNoError = 0,
        kCannotConnect = 1,
        kAlreadyConnected = 2,
        kNotConnected = 3,
        kNothingToSend = 6,
        kSendFailed = 7,
        kNoSendBuffer = 8,
    };
    static constexpr int kOffsets = 10000;
    static constexpr size_t kQueueSlots = 2048;
    static constexpr size_t kLineBuffer = 8192;
    // The notification code after which the client has closed itself.
    static constexpr int64_t kLinkGone = 9999;

    CIocpClient();
    ~CIocpClient() override;
    CIocpClient(const CIocpClient&) = delete;
    CIocpClient& operator=(const CIocpClient&) = delete;

    // host in the ANSI code page. Always 1; success shows as IsConnected().
    int Connect(std::string_view host, const OffsetCells& offsets, int port);
    void Register(const OffsetCells& offsets);
    int QueueValue(int32_t offset, int32_t value);
    int SendKey(int64_t key, int64_t parameter, bool now);
    int Flush();
    int Disconnect();
    void Close();
    int SetCloseOnEnd(bool closeOnEnd);
    // Where the notifications go; those of lines parsed before there was a target go there now.
    void SetNotify(CNotify* target, uint32_t message, int64_t tag);

    // Hears every line sent (without its line end), on the sending thread; empty: nobody. A
    // recording attaches one; without it a send costs nothing more.
    void SetSendObserver(std::function<void(std::string_view)> observer);

    bool IsConnected() const { return connected_.load(std::memory_order_relaxed); }
    int32_t GetLastError() const { return lastError_.load(std::memory_order_relaxed); }
    // How long a connect may take before the server counts as unreachable.
    static constexpr int kConnectTimeoutMs = 5000;

private:
    void OnValue(int64_t offset, int32_t value) override;
    void OnValuesArrived() override;
    void OnServerEnd() override;
    void OnRegistrationRequested() override;
    void OnKeepAlive() override;

    bool OpenSocket(std::string_view host, int port);
    // Sends one whole message; serialised so that two messages never interleave.
    bool SendMessage(const std::string& message);
    void Notify(int64_t code);
    void ReaderLoop(std::stop_token stop);
    void ParserLoop(std::stop_token stop);
    bool QueueLine(std::string line, std::stop_token stop);
    void JoinThreads();

    std::atomic<int32_t> lastError_{kNoError};
    std::atomic<bool> connected_{false};
    std::atomic<bool> closing_{false};
    std::atomic<bool> closeOnEnd_{false};

    std::mutex sendMutex_;  // guards the message being built, the registration copy and sends
    std::string message_;
    std::string registration_;
    std::function<void(std::string_view)> sendObserver_;

    std::mutex notifyMutex_;
    CNotify* target_ = nullptr;
    uint32_t notifyMessage_ = 0;
    int64_t notifyTag_ = 0;
    std::vector<int64_t> undelivered_;  // codes from before there was a target

    // The subscribed cells sorted by offset: two events on one offset each get its values.
    // Written by Connect before the threads start, read by the parser only.
    std::vector<std::pair<int32_t, std::atomic<int32_t>*>> cells_;

    std::mutex queueMutex_;
    std::condition_variable_any queueReady_;
    std::condition_variable_any queueRoom_;
    std::deque<std::string> lines_;
    bool readerDone_ = false;

    std::mutex closeMutex_;
    std::atomic<int> socket_{-1};
    std::jthread reader_;
    std::jthread parser_;
    std::stop_token parserStop_;  // the parser thread's own, for its waits
};

}  // namespace orva
