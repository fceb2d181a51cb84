// A simulated Orva board: announced in the virtual-board folder, reached over a Unix socket
// like a HID device, driven by text commands (stdin or its control socket) or directly.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva::sim {

enum class BoardKind { Main, Servo };

struct BoardOptions {
    std::string serial = "ORVA-12345";
    BoardKind kind = BoardKind::Main;
    std::vector<int> extensions;  // ADDRs reported present
};

// What the board holds at one moment, for a face that draws it.
struct BoardImage {
    std::array<uint8_t, 65> inputs{};                   // as the input report carries them
    std::array<uint8_t, 65> outputs{};                  // the last output image received
    std::array<std::array<uint8_t, 66>, 5> displays{};  // ADDR 15-19
    std::array<uint16_t, 8> analog{};                   // the words of the analog report
    std::array<uint8_t, 8> servos{};
    uint8_t servoEnable = 0;
    uint8_t adcMask = 0;
    int panels = 0;  // report links open
    bool plugged = false;
};

class CBoardSim {
public:
    explicit CBoardSim(BoardOptions options);
    ~CBoardSim();
    CBoardSim(const CBoardSim&) = delete;
    CBoardSim& operator=(const CBoardSim&) = delete;

    // Announces the board and starts serving; false when the sockets cannot be made.
    bool Start();
    // Takes the board away, as an unplug does.
    void Stop();

    // One text command, as given on stdin or the control socket; the answer line(s).
    std::string Execute(const std::string& line);

    // Reports that wait for each panel, as the kernel keeps 64 for a real board's reader. A
    // report that finds them full waits for room, but only so long: a panel that reads
    // nothing for that time loses it, as a reader that stops reading does.
    static constexpr size_t kReportDepth = 64;
    static constexpr std::chrono::milliseconds kRoomWait{1000};

    // Direct drive, for benchmarks in the same process.
    void SetInputs(const std::vector<std::pair<int, bool>>& pins);
    // Toggles a pin count times, one report each, as fast as the panels take them.
    void Burst(int pin, uint64_t count);
    void SetAnalog(int channel, uint16_t value);
    void TurnEncoder(int pinA, int pinB, int detents);
    bool OutputOn(int pin) const;
    // The reports received from the panel since the last call, oldest first (the last 4096).
    std::vector<std::vector<uint8_t>> TakeReceived();
    // Waits until at least count reports are waiting to be taken.
    bool WaitReceived(size_t count, long long timeoutMs);
    std::string DigitsText(int first, int last) const;
    // Called right before every report is written to the clients (for latency measurements).
    void SetReportHook(std::function<void()> hook);

    const std::string& ControlPath() const { return controlPath_; }
    bool HasClient() const;
    const BoardOptions& Options() const { return options_; }

    BoardImage Image() const;
    // Grows with every change of what Image() holds, so a face redraws only after one.
    uint64_t ChangeCount() const { return changes_.load(std::memory_order_acquire); }

private:
    using Report = std::array<uint8_t, 65>;

    // One panel's report link: the reports its socket cannot take yet, in order, sent on by a
    // writer thread of the link's own as the panel reads.
    struct Link {
        std::deque<Report> waiting;
        bool gone = false;
    };

    void AcceptReports();
    void AcceptControl();
    void ServeClient(int fd);
    void WriteWaiting(int fd, Link& link);
    void ServeControl(int fd);
    void HandleCommandReport(const uint8_t* r, size_t n, int fd);
    void Broadcast(std::unique_lock<std::mutex>& lock, const Report& report);
    void SendLocked(std::unique_lock<std::mutex>& lock, int fd, Link& link, const Report& report);
    void SendInputsLocked(std::unique_lock<std::mutex>& lock);
    void SendAnalogLocked(std::unique_lock<std::mutex>& lock);
    Report CardInfo() const;
    std::string OutputsText() const;
    std::string DisplaysText() const;
    bool WaitFor(const std::function<bool()>& ready, long long timeoutMs);
    void Changed() { changes_.fetch_add(1, std::memory_order_release); }
    std::string Wait(const std::vector<std::string>& w);

    BoardOptions options_;
    std::string name_;
    std::string infoPath_;
    std::string socketPath_;
    std::string controlPath_;
    int infoFd_ = -1;
    int reportListen_ = -1;
    int controlListen_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<uint64_t> changes_{0};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> clients_;
    std::map<int, std::shared_ptr<Link>> links_;  // by socket
    std::condition_variable linkWork_;            // a report waits, or a link ends
    std::condition_variable linkRoom_;            // a waiting report went out
    size_t waitingDepth_ = kReportDepth;          // what the sockets do not hold themselves

    Report inputs_{};  // raw input bits, as the board sends them
    std::array<uint16_t, 8> analog_{};
    Report outputs_{};  // the last output image received
    std::array<std::array<uint8_t, 66>, 5> displays_{};
    std::array<uint8_t, 8> servos_{};
    uint8_t servoEnable_ = 0;
    uint8_t adcMask_ = 0;
    uint64_t reportsReceived_ = 0;
    int64_t lastReportAt_ = 0;                   // steady-clock nanoseconds of the last report sent
    std::deque<std::vector<uint8_t>> received_;  // the last 4096
    std::function<void()> reportHook_;

    std::vector<std::thread> acceptThreads_;
    std::vector<std::thread> threads_;  // one per client
};

}  // namespace orva::sim
