#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace orva::test {

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& env) {
    int inPipe[2];
    int outPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0) return;
    // Everything the child needs is made before the fork: between fork and exec only
    // async-signal-safe calls are sound while other threads run (setenv is not).
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        const bool replaced =
            std::any_of(env.begin(), env.end(), [&](const auto& kv) { return kv.first == key; });
        if (!replaced) environment.push_back(entry);
    }
    for (const auto& [k, v] : env) environment.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(inPipe[0], 0);
        ::dup2(outPipe[1], 1);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    in_ = inPipe[1];
    out_ = outPipe[0];
    drainer_ = std::thread([this] { Drain(); });
}

Process::~Process() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Wait(std::chrono::seconds(5));
    }
    if (in_ >= 0) ::close(in_);
    if (drainer_.joinable()) drainer_.join();  // ends at the end of the child's output
    if (out_ >= 0) ::close(out_);
}

void Process::Drain() {
    std::string pending;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(out_, buf, sizeof(buf));
        if (n <= 0) break;
        pending.append(buf, static_cast<size_t>(n));
        std::lock_guard lock(mutex_);
        for (size_t nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            lines_.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
        }
        arrived_.notify_all();
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    arrived_.notify_all();
}

std::vector<std::string> Process::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::optional<std::string> Process::ReadLine(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [&] { return next_ < lines_.size() || ended_; })) {
        return std::nullopt;
    }
    if (next_ >= lines_.size()) return std::nullopt;
    return lines_[next_++];
}

std::optional<std::string> Process::WaitForLine(const std::string& text,
                                                std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        const auto line = ReadLine(left);
        if (!line) return std::nullopt;
        if (line->find(text) != std::string::npos) return line;
    }
}

void Process::Write(const std::string& text) {
    if (in_ >= 0) [[maybe_unused]]
        auto n = ::write(in_, text.data(), text.size());
}

void Process::CloseInput() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
}

void Process::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

int Process::Wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return exitCode_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            // What the child wrote last may still be in the pipe: Lines() after Wait() has it
            // all. Bounded, for a descendant that keeps the pipe open.
            std::unique_lock lock(mutex_);
            arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return ended_; });
            return exitCode_;
        }
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string BinPath(const std::string& name) {
    const char* build = std::getenv("ORVA_BUILD_DIR");
    return std::string(build ? build : ".") + "/bin/" + name;
}

ControlClient::ControlClient(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof(addr.sun_path)) return;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ControlClient::~ControlClient() {
    if (fd_ >= 0) ::close(fd_);
}

std::string ControlClient::Command(const std::string& line) {
    if (fd_ < 0) return "error: not connected";
    const std::string request = line + "\n";
    if (::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) < 0) return "error: send";
    for (;;) {
        const size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            std::string answer = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return answer;
        }
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
        if (n <= 0) return "error: closed";
        pending_.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace orva::test
