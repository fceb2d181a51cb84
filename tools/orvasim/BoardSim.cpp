#include "BoardSim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <utility>

#include "SimCommands.h"
#include "SimSupport.h"
#include "card/SegmentText.h"
#include "card/VirtualBoard.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace orva::sim {
namespace {

constexpr uint16_t kVendor = 0x04D8;
constexpr uint16_t kMain = 0xDDD0;
constexpr uint16_t kServo = 0xDDD3;

// How many reports a board's socket holds by itself with the smallest send buffer; the rest of
// the depth waits in the link's queue.
size_t ReportsASocketHolds() {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) return 0;
    const int smallest = 1;  // the kernel raises it to its minimum
    ::setsockopt(sv[0], SOL_SOCKET, SO_SNDBUF, &smallest, sizeof(smallest));
    const std::array<uint8_t, 65> report{};
    size_t held = 0;
    while (held<CBoardSim::kReportDepth&& ::send(sv[0], report.data(), report.size(),
                                                 MSG_DONTWAIT | MSG_NOSIGNAL)> 0) {
        ++held;
    }
    ::close(sv[0]);
    ::close(sv[1]);
    return held;
}

}  // namespace

CBoardSim::CBoardSim(BoardOptions options) : options_(std::move(options)) {
    name_ = "board-" + std::to_string(::getpid()) + "-" +
            std::to_string(reinterpret_cast<uintptr_t>(this) % 100000);
}

CBoardSim::~CBoardSim() {
    Stop();
}

bool CBoardSim::Start() {
    const auto folder = VirtualBoardFolder();
    infoPath_ = (folder / (name_ + ".info")).string();
    socketPath_ = (folder / (name_ + ".sock")).string();
    controlPath_ = (folder / (name_ + ".ctl")).string();
    reportListen_ = ListenUnix(socketPath_, SOCK_SEQPACKET);
    controlListen_ = ListenUnix(controlPath_, SOCK_STREAM);
    if (reportListen_ < 0 || controlListen_ < 0) return false;

    // The info file appears already locked: written and locked under a temporary name, then
    // renamed into place, so nobody takes a live board for a dead one.
    const std::string tmp = infoPath_ + ".tmp";
    infoFd_ = ::open(tmp.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (infoFd_ < 0 || ::flock(infoFd_, LOCK_EX) != 0) return false;
    HidDeviceInfo info;
    info.vendor = kVendor;
    info.product = options_.kind == BoardKind::Main ? kMain : kServo;
    info.serial = FromUtf8(options_.serial);
    info.productText =
        options_.kind == BoardKind::Main ? u"ORVA BOARD USBMAIN" : u"ORVA BOARD SERVO";
    const std::string text = FormatBoardInfo(info);
    if (::write(infoFd_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return false;
    if (::rename(tmp.c_str(), infoPath_.c_str()) != 0) return false;

    waitingDepth_ = std::max<size_t>(1, kReportDepth - ReportsASocketHolds());
    running_ = true;
    acceptThreads_.emplace_back([this] { AcceptReports(); });
    acceptThreads_.emplace_back([this] { AcceptControl(); });
    Changed();
    return true;
}

void CBoardSim::Stop() {
    if (!running_.exchange(false)) return;
    ::unlink(infoPath_.c_str());
    ::unlink(socketPath_.c_str());
    ::unlink(controlPath_.c_str());
    ::shutdown(reportListen_, SHUT_RDWR);
    ::shutdown(controlListen_, SHUT_RDWR);
    for (auto& t : acceptThreads_) t.join();
    acceptThreads_.clear();
    {
        std::lock_guard lock(mutex_);
        for (int fd : clients_) ::shutdown(fd >= 0 ? fd : -fd - 1, SHUT_RDWR);
    }
    changed_.notify_all();
    linkWork_.notify_all();
    linkRoom_.notify_all();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (auto& t : threads) t.join();
    ::close(reportListen_);
    ::close(controlListen_);
    if (infoFd_ >= 0) ::close(infoFd_);
    Changed();
}

bool CBoardSim::HasClient() const {
    std::lock_guard lock(mutex_);
    return !clients_.empty();
}

void CBoardSim::SetReportHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    reportHook_ = std::move(hook);
}

void CBoardSim::AcceptReports() {
    AcceptEach(reportListen_, running_, [this](int fd) {
        const int smallest = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &smallest, sizeof(smallest));
        std::unique_lock lock(mutex_);
        clients_.push_back(fd);
        links_[fd] = std::make_shared<Link>();
        // A new link starts with the board's present state, as a freshly enumerated device does.
        if (options_.kind == BoardKind::Main) SendInputsLocked(lock);
        if (std::any_of(analog_.begin(), analog_.end(), [](uint16_t w) { return w != 0; })) {
            SendAnalogLocked(lock);
        }
        threads_.emplace_back([this, fd] { ServeClient(fd); });
        Changed();
        changed_.notify_all();
    });
}

void CBoardSim::AcceptControl() {
    AcceptEach(controlListen_, running_, [this](int fd) {
        std::lock_guard lock(mutex_);
        clients_.push_back(-fd - 1);  // control clients are kept negative, so Stop wakes them too
        threads_.emplace_back([this, fd] { ServeControl(fd); });
    });
}

void CBoardSim::ServeClient(int fd) {
    std::shared_ptr<Link> link;
    {
        std::lock_guard lock(mutex_);
        link = links_.at(fd);
    }
    std::thread writer([this, fd, link] { WriteWaiting(fd, *link); });
    std::array<uint8_t, 128> buffer{};
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        HandleCommandReport(buffer.data(), static_cast<size_t>(n), fd);
    }
    {
        std::lock_guard lock(mutex_);
        link->gone = true;
        links_.erase(fd);
    }
    // A writer blocked on a panel that reads nothing more is woken by the shutdown.
    ::shutdown(fd, SHUT_RDWR);
    linkWork_.notify_all();
    writer.join();
    std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), fd), clients_.end());
    ::close(fd);
    Changed();
    changed_.notify_all();
    linkRoom_.notify_all();
}

void CBoardSim::WriteWaiting(int fd, Link& link) {
    std::unique_lock lock(mutex_);
    for (;;) {
        linkWork_.wait(lock, [&] { return !link.waiting.empty() || link.gone || !running_; });
        if (link.gone || !running_) return;
        const Report report = link.waiting.front();
        lock.unlock();
        // Blocking: the socket takes it as soon as the panel has read enough.
        const ssize_t n = ::send(fd, report.data(), report.size(), MSG_NOSIGNAL);
        lock.lock();
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;  // the panel is gone; its reader thread ends the link
        link.waiting.pop_front();
        linkRoom_.notify_all();
    }
}

void CBoardSim::ServeControl(int fd) {
    ServeCommandLines(fd, [this](const std::string& line) { return Execute(line); });
    std::lock_guard lock(mutex_);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), -fd - 1), clients_.end());
    ::close(fd);
}

void CBoardSim::HandleCommandReport(const uint8_t* r, size_t n, int fd) {
    if (n < 3 || r[0] != 0) return;
    std::unique_lock lock(mutex_);
    ++reportsReceived_;
    if (received_.size() >= 4096) received_.pop_front();
    received_.emplace_back(r, r + n);
    const uint8_t command = r[1];
    if (options_.kind == BoardKind::Main) {
        if (command == 1 && n >= 65) {
            std::copy(r, r + 65, outputs_.begin());
        } else if (command == 2 && n >= 66 && r[2] >= 15 && r[2] <= 19) {
            std::copy(r, r + 66, displays_[static_cast<size_t>(r[2] - 15)].begin());
        } else if (command == 4) {
            adcMask_ = r[2];
        } else if (command == 0xFF) {
            // The answer queues behind the reports already waiting, as on the board's endpoint.
            if (const auto it = links_.find(fd); it != links_.end()) {
                const std::shared_ptr<Link> link = it->second;
                SendLocked(lock, fd, *link, CardInfo());
            }
        }
    } else {
        if (command == 1) {
            adcMask_ = r[2];
        } else if (command == 2) {
            servoEnable_ = r[2];
        } else if (command == 3 && n >= 10) {
            std::copy(r + 2, r + 10, servos_.begin());
        }
    }
    Changed();
    changed_.notify_all();
}

CBoardSim::Report CBoardSim::CardInfo() const {
    Report r{};
    r[1] = 0xFF;
    for (int addr : options_.extensions) {
        if (addr >= 0 && addr < 64) r[3 + addr / 8] |= static_cast<uint8_t>(0x80 >> (addr % 8));
    }
    r[11] = 2;
    r[12] = 1;
    const std::u16string serial = FromUtf8(options_.serial);
    const auto number = static_cast<uint16_t>(
        serial.size() > 5 ? ParseLeadingInt(std::u16string_view(serial).substr(5)) : 0);
    r[13] = static_cast<uint8_t>(number & 0xFF);
    r[14] = static_cast<uint8_t>(number >> 8);
    return r;
}

void CBoardSim::SendLocked(std::unique_lock<std::mutex>& lock, int fd, Link& link,
                           const Report& report) {
    // Straight into the socket while nothing waits before it: no hand-over, no delay.
    if (link.waiting.empty()) {
        if (::send(fd, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) return;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return;  // the panel is going away
    }
    const bool room = linkRoom_.wait_for(lock, kRoomWait, [&] {
        return link.waiting.size() < waitingDepth_ || link.gone || !running_;
    });
    if (!room || link.gone || !running_) return;
    link.waiting.push_back(report);
    linkWork_.notify_all();
}

void CBoardSim::Broadcast(std::unique_lock<std::mutex>& lock, const Report& report) {
    // A copy: waiting for room lets the lock go, and links may come and go meanwhile.
    const std::vector<std::pair<const int, std::shared_ptr<Link>>> links(links_.begin(),
                                                                         links_.end());
    if (reportHook_) reportHook_();
    lastReportAt_ = std::chrono::steady_clock::now().time_since_epoch().count();
    for (const auto& [fd, link] : links) SendLocked(lock, fd, *link, report);
}

void CBoardSim::SendInputsLocked(std::unique_lock<std::mutex>& lock) {
    Report r = inputs_;
    r[0] = 0;
    r[1] = 0;
    Broadcast(lock, r);
}

void CBoardSim::SendAnalogLocked(std::unique_lock<std::mutex>& lock) {
    Report r{};
    for (size_t i = 0; i < analog_.size(); ++i) {
        r[1 + 2 * i] = static_cast<uint8_t>(analog_[i] & 0xFF);
        r[2 + 2 * i] = static_cast<uint8_t>(analog_[i] >> 8);
    }
    if (options_.kind == BoardKind::Main) r[1] = 1;  // the report type is w0's low byte
    Broadcast(lock, r);
}

void CBoardSim::SetInputs(const std::vector<std::pair<int, bool>>& pins) {
    std::unique_lock lock(mutex_);
    for (const auto& [pin, level] : pins) {
        if (pin < 8 || pin > 511) continue;
        const auto byte = static_cast<size_t>(1 + pin / 8);
        const auto mask = static_cast<uint8_t>(0x80u >> (pin % 8));
        inputs_[byte] = level ? (inputs_[byte] | mask) : (inputs_[byte] & ~mask);
    }
    Changed();
    if (options_.kind == BoardKind::Main) SendInputsLocked(lock);
}

void CBoardSim::Burst(int pin, uint64_t count) {
    if (pin < 8 || pin > 511 || options_.kind != BoardKind::Main) return;
    const auto byte = static_cast<size_t>(1 + pin / 8);
    const auto mask = static_cast<uint8_t>(0x80u >> (pin % 8));
    std::unique_lock lock(mutex_);
    for (uint64_t i = 0; i < count && running_; ++i) {
        inputs_[byte] ^= mask;
        SendInputsLocked(lock);
    }
    Changed();
}

void CBoardSim::SetAnalog(int channel, uint16_t value) {
    std::unique_lock lock(mutex_);
    // Main board channels 1-7 are words w1-w7; servo board channels 1-8 are w0-w7.
    const int index = options_.kind == BoardKind::Main ? channel : channel - 1;
    if (index < 0 || index > 7 || (options_.kind == BoardKind::Main && index == 0)) return;
    analog_[static_cast<size_t>(index)] = value;
    Changed();
    SendAnalogLocked(lock);
}

void CBoardSim::TurnEncoder(int pinA, int pinB, int detents) {
    // The quadrature cycle (A,B) 00 -> 10 -> 11 -> 01, four edges a detent.
    static constexpr std::array<std::pair<bool, bool>, 4> kCycle = {
        {{false, false}, {true, false}, {true, true}, {false, true}}};
    const auto level = [this](int pin) {
        std::lock_guard lock(mutex_);
        return (inputs_[static_cast<size_t>(1 + pin / 8)] & (0x80u >> (pin % 8))) != 0;
    };
    size_t at = 0;
    for (size_t i = 0; i < kCycle.size(); ++i) {
        if (kCycle[i] == std::make_pair(level(pinA), level(pinB))) at = i;
    }
    const int edges = 4 * std::abs(detents);
    for (int e = 0; e < edges; ++e) {
        at = detents > 0 ? (at + 1) % 4 : (at + 3) % 4;
        SetInputs({{pinA, kCycle[at].first}, {pinB, kCycle[at].second}});
    }
}

bool CBoardSim::OutputOn(int pin) const {
    if (pin < 16 || pin > 511) return false;
    const auto byte = static_cast<size_t>(1 + pin / 8);
    const auto mask = pin >= 496 ? static_cast<uint8_t>(1u << (pin % 8))
                                 : static_cast<uint8_t>(0x80u >> (pin % 8));
    std::lock_guard lock(mutex_);
    return (outputs_[byte] & mask) != 0;
}

BoardImage CBoardSim::Image() const {
    BoardImage image;
    std::lock_guard lock(mutex_);
    image.inputs = inputs_;
    image.outputs = outputs_;
    image.displays = displays_;
    image.analog = analog_;
    image.servos = servos_;
    image.servoEnable = servoEnable_;
    image.adcMask = adcMask_;
    image.panels = static_cast<int>(
        std::count_if(clients_.begin(), clients_.end(), [](int fd) { return fd >= 0; }));
    image.plugged = running_;
    return image;
}

std::vector<std::vector<uint8_t>> CBoardSim::TakeReceived() {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<uint8_t>> taken(std::make_move_iterator(received_.begin()),
                                            std::make_move_iterator(received_.end()));
    received_.clear();
    return taken;
}

bool CBoardSim::WaitReceived(size_t count, long long timeoutMs) {
    return WaitFor(
        [&] {
            std::lock_guard lock(mutex_);
            return received_.size() >= count;
        },
        timeoutMs);
}

std::string CBoardSim::DigitsText(int first, int last) const {
    std::lock_guard lock(mutex_);
    return orva::DigitsText(displays_, first, last);
}

std::string CBoardSim::OutputsText() const {
    std::string text = "on:";
    for (int pin = 16; pin <= 511; ++pin) {
        if (OutputOn(pin)) text += " " + std::to_string(pin);
    }
    return text;
}

std::string CBoardSim::DisplaysText() const {
    std::string text;
    for (int g = 0; g < 5; ++g) {
        bool used = false;
        {
            std::lock_guard lock(mutex_);
            for (int b = 35; b < 39; ++b) used = used || displays_[static_cast<size_t>(g)][b] != 0;
        }
        if (!used) continue;
        std::string digits = DigitsText(32 * g + 1, 32 * g + 32);
        while (!digits.empty() && digits.back() == ' ') digits.pop_back();
        if (!text.empty()) text += "\n";
        text += "ADDR " + std::to_string(15 + g) + ": " + digits;
    }
    return text.empty() ? "no display" : text;
}

bool CBoardSim::WaitFor(const std::function<bool()>& ready, long long timeoutMs) {
    return WaitUntil(mutex_, changed_, running_, ready, timeoutMs);
}

std::string CBoardSim::Wait(const std::vector<std::string>& w) {
    // wait-out PIN LEVEL [MS] | wait-digits FIRST LAST TEXT [MS] | wait-client [MS]; the digits'
    // TEXT may be quoted, so that blank digits can be waited for
    if (w[0] == "wait-out" && w.size() >= 3) {
        const auto pin = ParseNumber(w[1]);
        const auto level = ParseNumber(w[2]);
        const long long ms = w.size() > 3 ? ParseNumber(w[3]).value_or(5000) : 5000;
        if (!pin || !level) return "error: wait-out PIN LEVEL [MS]";
        return WaitFor([&] { return OutputOn(static_cast<int>(*pin)) == (*level != 0); }, ms)
                   ? "ok"
                   : "timeout";
    }
    if (w[0] == "wait-digits" && w.size() >= 4) {
        const auto first = ParseNumber(w[1]);
        const auto last = ParseNumber(w[2]);
        const long long ms = w.size() > 4 ? ParseNumber(w[4]).value_or(5000) : 5000;
        if (!first || !last) return "error: wait-digits FIRST LAST TEXT [MS]";
        const bool ok = WaitFor(
            [&] { return DigitsText(static_cast<int>(*first), static_cast<int>(*last)) == w[3]; },
            ms);
        return ok ? "ok"
                  : "timeout: " + DigitsText(static_cast<int>(*first), static_cast<int>(*last));
    }
    if (w[0] == "wait-client") {
        const long long ms = w.size() > 1 ? ParseNumber(w[1]).value_or(5000) : 5000;
        return WaitFor([&] { return HasClient(); }, ms) ? "ok" : "timeout";
    }
    return "error: unknown wait";
}

std::string CBoardSim::Execute(const std::string& line) {
    const std::vector<std::string> w = SplitWords(line);
    if (w.empty()) return "";
    const std::string& c = w[0];
    if (c.rfind("wait", 0) == 0) return Wait(c == "wait-digits" ? SplitQuotedWords(line) : w);
    if (c == "set" && w.size() == 3) {
        const auto pin = ParseNumber(w[1]);
        const auto level = ParseNumber(w[2]);
        if (!pin || !level) return "error: set PIN 0|1";
        SetInputs({{static_cast<int>(*pin), *level != 0}});
        return "ok";
    }
    if (c == "setmany" && w.size() >= 2) {
        std::vector<std::pair<int, bool>> pins;
        for (size_t i = 1; i < w.size(); ++i) {
            const size_t eq = w[i].find('=');
            const auto pin = ParseNumber(w[i].substr(0, eq));
            if (eq == std::string::npos || !pin) return "error: setmany PIN=0|1 ...";
            pins.emplace_back(static_cast<int>(*pin), w[i].substr(eq + 1) != "0");
        }
        SetInputs(pins);
        return "ok";
    }
    if (c == "toggle" && w.size() == 2) {
        const auto pin = ParseNumber(w[1]);
        if (!pin || *pin < 8 || *pin > 511) return "error: toggle PIN";
        bool level = false;
        {
            std::lock_guard lock(mutex_);
            level = (inputs_[static_cast<size_t>(1 + *pin / 8)] & (0x80u >> (*pin % 8))) != 0;
        }
        SetInputs({{static_cast<int>(*pin), !level}});
        return "ok";
    }
    if (c == "burst" && w.size() == 3) {
        const auto pin = ParseNumber(w[1]);
        const auto count = ParseNumber(w[2]);
        if (!pin || !count || *pin < 8 || *pin > 511 || *count < 0) return "error: burst PIN COUNT";
        Burst(static_cast<int>(*pin), static_cast<uint64_t>(*count));
        return "ok";
    }
    if (c == "adc" && w.size() == 3) {
        const auto ch = ParseNumber(w[1]);
        const auto value = ParseNumber(w[2]);
        if (!ch || !value || *value < 0 || *value > 0xFFFF) return "error: adc CHANNEL 0-65535";
        SetAnalog(static_cast<int>(*ch), static_cast<uint16_t>(*value));
        return "ok";
    }
    if (c == "encoder" && w.size() == 4) {
        const auto a = ParseNumber(w[1]);
        const auto b = ParseNumber(w[2]);
        const auto n = ParseNumber(w[3]);
        if (!a || !b || !n || *a < 8 || *a > 511 || *b < 8 || *b > 511) {
            return "error: encoder PINA PINB DETENTS (negative turns backward)";
        }
        TurnEncoder(static_cast<int>(*a), static_cast<int>(*b), static_cast<int>(*n));
        return "ok";
    }
    if (c == "out" && w.size() == 2) {
        const auto pin = ParseNumber(w[1]);
        return pin && OutputOn(static_cast<int>(*pin)) ? "1" : "0";
    }
    if (c == "outputs") return OutputsText();
    if (c == "display" || c == "displays") return DisplaysText();
    if (c == "digits" && w.size() == 3) {
        const auto first = ParseNumber(w[1]);
        const auto last = ParseNumber(w[2]);
        if (!first || !last) return "error: digits FIRST LAST";
        return DigitsText(static_cast<int>(*first), static_cast<int>(*last));
    }
    std::lock_guard lock(mutex_);
    std::ostringstream out;
    if (c == "servo") {
        out << "enable=" << static_cast<int>(servoEnable_) << " positions=";
        for (size_t i = 0; i < servos_.size(); ++i)
            out << (i ? "," : "") << static_cast<int>(servos_[i]);
        return out.str();
    }
    if (c == "mask") return "adc=" + std::to_string(adcMask_);
    if (c == "last-report-time") return std::to_string(lastReportAt_);
    if (c == "info") {
        out << "serial=" << options_.serial
            << " kind=" << (options_.kind == BoardKind::Main ? "main" : "servo") << " clients="
            << std::count_if(clients_.begin(), clients_.end(), [](int fd) { return fd >= 0; })
            << " reports=" << reportsReceived_ << " control=" << controlPath_;
        return out.str();
    }
    if (c == "quit") return "bye";
    return UnknownCommandAnswer("board");
}

}  // namespace orva::sim
