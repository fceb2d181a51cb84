#include "SimSupport.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace orva::sim {

int ListenUnix(const std::string& path, int type) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadLine(int fd, std::string& pending) {
    for (;;) {
        const size_t nl = pending.find('\n');
        if (nl != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof(buf));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        pending.append(buf, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == ENOTSOCK) {
            const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
            if (w <= 0) return false;
            done += static_cast<size_t>(w);
            continue;
        }
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string OneLine(std::string text) {
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        text.replace(at, 1, " | ");
    }
    return text;
}

bool WaitUntil(std::mutex& mutex, std::condition_variable& changed,
               const std::atomic<bool>& running, const std::function<bool()>& ready,
               long long timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ready()) {
        std::unique_lock lock(mutex);
        if (!running || std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return ready();
        }
        // ready() takes the lock itself, so a change notified between it and this wait goes
        // unseen: short slices, each followed by a fresh look, bound what that costs.
        const auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        changed.wait_until(lock, std::min(deadline, slice));
    }
    return true;
}

void AcceptEach(int listenFd, const std::atomic<bool>& running,
                const std::function<void(int)>& onClient) {
    while (running) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (!running) return;
            continue;
        }
        onClient(fd);
    }
}

void ServeCommandLines(int fd, const std::function<std::string(const std::string&)>& execute) {
    std::string pending;
    while (const auto line = ReadLine(fd, pending)) {
        if (!WriteAll(fd, OneLine(execute(*line)) + "\n") || *line == "quit") break;
    }
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

std::vector<std::string> SplitQuotedWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                word.push_back(line[i]);
            }
            ++i;  // the closing quote
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word.push_back(line[i++]);
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<long long> ParseNumber(const std::string& word) {
    if (word.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(word.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return v;
}

}  // namespace orva::sim
