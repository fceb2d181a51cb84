// Programs of the project run as real processes by the tests, and their control sockets.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orva::test {

// A child process with its stdin and stdout on pipes; stderr is left to the test's own. Its
// output is read all the time, so a chatty child never blocks on a full pipe.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::pair<std::string, std::string>>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // The next line of its output, or nothing at end of output or after the timeout.
    std::optional<std::string> ReadLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Lines until one contains text (that line included); nothing on timeout.
    std::optional<std::string> WaitForLine(
        const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Every line it has written so far.
    std::vector<std::string> Lines() const;
    void Write(const std::string& text);
    void CloseInput();
    void Signal(int signal);
    // Waits for the exit; the exit code, 128 + signal when killed, -1 on timeout.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    void Drain();

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> lines_;
    size_t next_ = 0;  // the first line ReadLine has not handed out
    bool ended_ = false;
    std::thread drainer_;
    int exitCode_ = -1;
};

// The path of a program built into build/bin.
std::string BinPath(const std::string& name);

// One request line, one answer line, over a simulator's control socket.
class ControlClient {
public:
    explicit ControlClient(const std::string& path);
    ~ControlClient();
    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;
    bool Connected() const { return fd_ >= 0; }
    std::string Command(const std::string& line);

private:
    int fd_ = -1;
    std::string pending_;
};

}  // namespace orva::test
