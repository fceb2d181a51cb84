#include "app/SimulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/UnixSocket.h"

extern char** environ;

namespace orva {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadyWait = std::chrono::seconds(10);
constexpr auto kStopWait = std::chrono::seconds(5);

// The word after marker in line, up to the next blank.
std::string WordAfter(const std::string& line, const std::string& marker) {
    const size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    const size_t from = at + marker.size();
    return line.substr(from, line.find(' ', from) - from);
}

// Waits for the child to end, up to timeout; true when it has.
bool Reap(pid_t pid, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        if (Clock::now() >= deadline) return false;
        ::usleep(5000);
    }
}

}  // namespace

std::unique_ptr<CSimulatorProcess> CSimulatorProcess::Start(const std::filesystem::path& program,
                                                            const std::vector<std::string>& args,
                                                            LineHandler onLine,
                                                            std::string& error) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("no pipe: ") + std::strerror(errno);
        return nullptr;
    }
    // Everything the child needs is made before the fork: only async-signal-safe calls after it.
    const std::string path = program.string();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A runner that is killed takes its simulators with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int devnull = ::open("/dev/null", O_RDONLY);
        if (devnull >= 0) ::dup2(devnull, 0);
        ::dup2(out[1], 1);
        // The runner blocks SIGINT and SIGTERM for its own loop; the simulator must not.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(path.c_str(), argv.data(), environ);
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        error = std::string("cannot start ") + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<CSimulatorProcess> sim(new CSimulatorProcess());
    sim->pid_ = pid;
    sim->out_ = out[0];
    sim->onLine_ = std::move(onLine);
    if (!sim->ReadReady(error)) {
        error = path + " " + (args.empty() ? "" : args[0]) + ": " + error;
        return nullptr;
    }
    sim->reader_ = std::thread([s = sim.get()] { s->ReadLines(); });
    return sim;
}

bool CSimulatorProcess::ReadReady(std::string& error) {
    const auto deadline = Clock::now() + kReadyWait;
    for (;;) {
        const size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            const std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (line.find("ready") == std::string::npos) continue;
            const std::string port = WordAfter(line, "127.0.0.1:");
            if (!port.empty()) port_ = std::atoi(port.c_str());
            control_ = ConnectUnixSocket(WordAfter(line, "control socket "));
            if (control_ < 0) error = "its control socket cannot be reached";
            return control_ >= 0;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{out_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) {
            error = "it did not report ready";
            return false;
        }
        char buf[1024];
        const ssize_t n = ::read(out_, buf, sizeof(buf));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "it ended before it was ready";
            return false;
        }
        pending_.append(buf, static_cast<size_t>(n));
    }
}

void CSimulatorProcess::ReadLines() {
    char buf[4096];
    for (;;) {
        for (size_t nl = pending_.find('\n'); nl != std::string::npos; nl = pending_.find('\n')) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (onLine_) onLine_(line);
        }
        const ssize_t n = ::read(out_, buf, sizeof(buf));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the child ended
        pending_.append(buf, static_cast<size_t>(n));
    }
}

std::string CSimulatorProcess::Command(const std::string& line) {
    if (control_ < 0) return "error: the simulator's control socket is closed";
    const std::string request = line + "\n";
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n =
            ::send(control_, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "error: the simulator is gone";
        sent += static_cast<size_t>(n);
    }
    for (;;) {
        const size_t nl = controlPending_.find('\n');
        if (nl != std::string::npos) {
            std::string answer = controlPending_.substr(0, nl);
            controlPending_.erase(0, nl + 1);
            return answer;
        }
        char buf[4096];
        const ssize_t n = ::recv(control_, buf, sizeof(buf), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return "error: the simulator is gone";
        controlPending_.append(buf, static_cast<size_t>(n));
    }
}

CSimulatorProcess::~CSimulatorProcess() {
    if (control_ >= 0) ::close(control_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!Reap(pid_, kStopWait)) {
            ::kill(pid_, SIGKILL);
            Reap(pid_, kStopWait);
        }
    }
    if (reader_.joinable()) reader_.join();  // the child's output has ended with it
    if (out_ >= 0) ::close(out_);
}

}  // namespace orva
