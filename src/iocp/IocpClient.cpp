#include "iocp/IocpClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "iocp/IocpLog.h"
#include "platform/Text.h"
#include "platform/Timers.h"

namespace orva {
namespace {

constexpr int kSocketBuffer = 512;
constexpr std::chrono::milliseconds kRegistrationDelay{500};

std::string Pair(int64_t a, int64_t b) {
    // "%d=%d:" of 32-bit integers.
    return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(a))) + "=" +
           std::to_string(static_cast<int32_t>(static_cast<uint32_t>(b))) + ":";
}

// Connects with a time-out, so that an unreachable address cannot hang the caller; a readable
// cancelFd gives up at once.
bool ConnectWithTimeout(int fd, const sockaddr* addr, socklen_t len, int timeoutMs,
                        int cancelFd = -1) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = ::connect(fd, addr, len);
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p[2] = {{fd, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
        rc = ::poll(p, cancelFd >= 0 ? 2 : 1, timeoutMs) >= 1 && p[0].revents ? 0 : -1;
        int error = 0;
        socklen_t size = sizeof(error);
        if (rc == 0 && (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)) {
            rc = -1;
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return rc == 0;
}

// host as an IPv4 address with the port; false when it is no host.
bool ResolveHost(std::string_view host, int port, sockaddr_in& addr) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const std::string hostText(host);
    if (::getaddrinfo(hostText.c_str(), nullptr, &hints, &result) != 0 || !result) return false;
    addr = *reinterpret_cast<sockaddr_in*>(result->ai_addr);
    ::freeaddrinfo(result);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return true;
}

}  // namespace

bool ServerAccepts(std::string_view host, int port, int timeoutMs, int cancelFd) {
    sockaddr_in addr{};
    if (port < 0 || port > 65535 || !ResolveHost(host, port, addr)) return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return false;
    const bool accepted = ConnectWithTimeout(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr),
                                             timeoutMs, cancelFd);
    ::close(fd);
    return accepted;
}

CIocpClient::CIocpClient() = default;

CIocpClient::~CIocpClient() {
    Disconnect();
    Close();
}

bool CIocpClient::OpenSocket(std::string_view host, int port) {
    sockaddr_in addr{};
    if (!ResolveHost(host, port, addr)) {
        IocpLog(Format(u"ERROR: Host inv\u00E1lido: %s\n", std::string(host)));
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        IocpLog(u"ERROR: Imposible crear el socket.\n");
        return false;
    }
    if (port < 0 || port > 65535 ||
        !ConnectWithTimeout(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr),
                            kConnectTimeoutMs)) {
        ::close(fd);
        IocpLog(u"ERROR: Imposible conectar con el server 1.\n");
        return false;
    }
    const int size = kSocketBuffer;
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    socket_.store(fd);
    return true;
}

int CIocpClient::Connect(std::string_view host, const OffsetCells& offsets, int port) {
    if (IsConnected()) {
        lastError_ = kAlreadyConnected;
        return 1;
    }
    Close();  // the threads and socket of a link that ended by itself
    closing_ = false;
    if (!OpenSocket(host, port)) {
        lastError_ = kCannotConnect;
        return 1;
    }
    cells_.clear();
    for (const auto& [offset, cell] : offsets) {
        if (!cell) break;
        // Offsets outside the table cannot be received; they are still registered.
        if (offset >= 0 && offset < kOffsets) cells_.emplace_back(offset, cell);
    }
    std::stable_sort(cells_.begin(), cells_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    {
        std::lock_guard lock(queueMutex_);
        lines_.clear();
        readerDone_ = false;
    }
    {
        std::lock_guard lock(notifyMutex_);
        undelivered_.clear();
    }
    connected_ = true;
    lastError_ = kNoError;
    try {
        reader_ = std::jthread([this](std::stop_token stop) { ReaderLoop(stop); });
        parser_ = std::jthread([this](std::stop_token stop) { ParserLoop(stop); });
    } catch (const std::system_error&) {
        IocpLog(u"ERROR: Imposible crear el Thread de recepci\u00F3n.\n");
        connected_ = false;  // so that Close does not report the end of a link never made
        Close();
        lastError_ = kCannotConnect;
        return 1;
    }
    Register(offsets);
    return 1;
}

void CIocpClient::Register(const OffsetCells& offsets) {
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return;
    }
    if (offsets.empty() || !offsets.front().second) return;
    std::string message = "Arn.Inicio:";
    for (const auto& [offset, cell] : offsets) {
        if (!cell) break;
        message += std::to_string(offset) + ":";
    }
    {
        std::lock_guard lock(sendMutex_);
        registration_ = message;
    }
    lastError_ = SendMessage(message + "\r\n") ? kNoError : kSendFailed;
}

int CIocpClient::QueueValue(int32_t offset, int32_t value) {
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return 0;
    }
    std::lock_guard lock(sendMutex_);
    if (message_.empty()) message_ = "Arn.Resp:";
    message_ += Pair(offset, value);
    lastError_ = kNoError;
    return 1;
}

int CIocpClient::SendKey(int64_t key, int64_t parameter, bool now) {
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return 0;
    }
    {
        std::lock_guard lock(sendMutex_);
        if (message_.empty()) message_ = "Arn.Key:";
        message_ += Pair(key >= 0x10000 ? key - 0x10000 : key, parameter);
    }
    lastError_ = kNoError;
    return now ? Flush() : 1;
}

int CIocpClient::Flush() {
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return 0;
    }
    std::string message;
    {
        std::lock_guard lock(sendMutex_);
        if (message_.empty()) {
            lastError_ = kNothingToSend;
            return 0;
        }
        message.swap(message_);
    }
    if (!SendMessage(message + "\r\n")) {
        lastError_ = kSendFailed;
        return 0;
    }
    lastError_ = kNoError;
    return 1;
}

bool CIocpClient::SendMessage(const std::string& message) {
    if (message.size() < 3) return true;
    std::lock_guard lock(sendMutex_);
    const int fd = socket_.load();
    size_t sent = 0;
    while (fd >= 0 && sent < message.size()) {
        const ssize_t n = ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    if (sent == message.size()) {
        if (sendObserver_) sendObserver_(std::string_view(message).substr(0, message.size() - 2));
        return true;
    }
    IocpLog(u"ERROR: Enviando mensaje.\n");
    return false;
}

int CIocpClient::Disconnect() {
    closing_ = true;
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return 0;
    }
    SendMessage("Arn.Fin:\r\n");
    Close();
    return 1;
}

void CIocpClient::Close() {
    const bool wasConnected = connected_.exchange(false);
    // The parser is told first, so that the end of the reader it is about to see is ours.
    parser_.request_stop();
    reader_.request_stop();
    const int fd = socket_.load();
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    queueReady_.notify_all();
    queueRoom_.notify_all();
    JoinThreads();
    {
        std::lock_guard lock(sendMutex_);
        const int old = socket_.exchange(-1);
        if (old >= 0) ::close(old);
        message_.clear();
    }
    if (wasConnected && closeOnEnd_) {
        std::lock_guard lock(notifyMutex_);
        if (target_) target_->Post(WM_CLOSE, 0, notifyTag_);
    }
}

void CIocpClient::JoinThreads() {
    std::lock_guard lock(closeMutex_);
    if (reader_.joinable()) reader_.join();
    if (parser_.joinable()) parser_.join();
}

int CIocpClient::SetCloseOnEnd(bool closeOnEnd) {
    if (!IsConnected()) {
        lastError_ = kNotConnected;
        return 0;
    }
    closeOnEnd_ = closeOnEnd;
    lastError_ = kNoError;
    return 1;
}

void CIocpClient::SetSendObserver(std::function<void(std::string_view)> observer) {
    std::lock_guard lock(sendMutex_);
    sendObserver_ = std::move(observer);
}

void CIocpClient::SetNotify(CNotify* target, uint32_t message, int64_t tag) {
    std::lock_guard lock(notifyMutex_);
    target_ = target;
    notifyMessage_ = message;
    notifyTag_ = tag;
    if (!target_) return;
    for (const int64_t code : undelivered_) target_->Post(notifyMessage_, code, notifyTag_);
    undelivered_.clear();
}

void CIocpClient::Notify(int64_t code) {
    std::lock_guard lock(notifyMutex_);
    if (target_) {
        target_->Post(notifyMessage_, code, notifyTag_);
        return;
    }
    // The answer to the registration can arrive before the application has said where the
    // notifications go: its values are told once it has, or their events would not run until
    // the server sends something else. Each code once is enough, the receiver re-checks all.
    if (std::find(undelivered_.begin(), undelivered_.end(), code) == undelivered_.end()) {
        undelivered_.push_back(code);
    }
}

bool CIocpClient::QueueLine(std::string line, std::stop_token stop) {
    std::unique_lock lock(queueMutex_);
    // A full queue holds the reader back (the server then waits on TCP) instead of losing lines.
    if (!queueRoom_.wait(lock, stop, [&] { return lines_.size() < kQueueSlots; })) return false;
    lines_.push_back(std::move(line));
    lock.unlock();  // the parser wakes to a free lock
    queueReady_.notify_one();
    return true;
}

void CIocpClient::ReaderLoop(std::stop_token stop) {
    const int fd = socket_.load();
    std::string pending;
    bool discarding = false;
    std::array<char, kLineBuffer> buffer{};
    while (!stop.stop_requested()) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[static_cast<size_t>(i)];
            if (c == '\n') {
                if (!discarding) {
                    if (!pending.empty() && pending.back() == '\r') pending.pop_back();
                    // An empty line says nothing; it is skipped.
                    if (!pending.empty() && !QueueLine(std::move(pending), stop)) return;
                }
                pending.clear();
                discarding = false;
            } else if (!discarding) {
                pending.push_back(c);
                // The line buffer holds 8191 bytes and the "\n" that ends them.
                if (pending.size() >= kLineBuffer) {
                    // Too long for a line of this protocol: dropped, the link kept.
                    IocpLog(u"ERROR: Se ha descartado una l\u00EDnea recibida demasiado larga.\n");
                    pending.clear();
                    discarding = true;
                }
            }
        }
    }
    std::lock_guard lock(queueMutex_);
    readerDone_ = true;
    queueReady_.notify_all();
}

void CIocpClient::ParserLoop(std::stop_token stop) {
    parserStop_ = stop;
    for (;;) {
        std::string line;
        {
            std::unique_lock lock(queueMutex_);
            queueReady_.wait(lock, stop, [&] { return !lines_.empty() || readerDone_; });
            if (stop.stop_requested()) return;  // the application closes the client
            if (lines_.empty()) break;          // the reader ended and every line is parsed
            line = std::move(lines_.front());
            lines_.pop_front();
            queueRoom_.notify_one();
        }
        ParseIocpLine(line, *this);
    }
    // The link ended by itself: close (without joining ourselves) and say so.
    const bool wasConnected = connected_.exchange(false);
    if (const int fd = socket_.load(); fd >= 0) ::shutdown(fd, SHUT_RDWR);
    std::lock_guard lock(notifyMutex_);
    if (wasConnected && closeOnEnd_ && target_) target_->Post(WM_CLOSE, 0, notifyTag_);
    if (target_) target_->Post(notifyMessage_, kLinkGone, notifyTag_);
}

void CIocpClient::OnValue(int64_t offset, int32_t value) {
    auto it = std::lower_bound(cells_.begin(), cells_.end(), offset,
                               [](const auto& entry, int64_t o) { return entry.first < o; });
    if (it == cells_.end() || it->first != offset) {
        IocpLog(Format(u"ERROR: Se ha recibido la variable %d no solicitada.\n", offset));
        return;
    }
    for (; it != cells_.end() && it->first == offset; ++it) {
        it->second->store(value, std::memory_order_relaxed);
    }
}

void CIocpClient::OnValuesArrived() {
    Notify(0);
}

void CIocpClient::OnServerEnd() {
    Notify(2);
    if (!closeOnEnd_) return;
    bool hasTarget = false;
    {
        std::lock_guard lock(notifyMutex_);
        hasTarget = target_ != nullptr;
        if (target_) target_->Post(WM_CLOSE, 0, notifyTag_);
    }
    // Nobody to ask: the link is ended here rather than the whole program.
    if (!hasTarget) {
        if (const int fd = socket_.load(); fd >= 0) ::shutdown(fd, SHUT_RDWR);
    }
}

void CIocpClient::OnRegistrationRequested() {
    Notify(1);
    if (!SleepUnlessStopped(parserStop_, kRegistrationDelay)) return;
    std::string registration;
    {
        std::lock_guard lock(sendMutex_);
        registration = registration_;
    }
    if (!registration.empty()) SendMessage(registration + "\r\n");
}

void CIocpClient::OnKeepAlive() {
    // Servers that send keep-alives drop clients that do not answer them.
    SendMessage("Arn.Vivo:\r\n");
}

}  // namespace orva
