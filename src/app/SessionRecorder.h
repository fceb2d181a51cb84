// A session recorded as a scenario: what the board and the servers did become steps (with the
// time between them), what the program did in answer (lines sent, outputs and digits changed)
// becomes expectations; the state of both at the connect is set before it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/Scenario.h"
#include "app/SessionObserver.h"
#include "card/OrvaCard.h"

namespace orva {

class CConnectionController;

class CSessionRecorder final : public ISessionObserver {
public:
    using Clock = std::chrono::steady_clock;

    // onFinished runs (on the owner thread, inside the controller's disconnect) when the
    // recorded session has ended; the owner then writes the file and detaches the recorder.
    explicit CSessionRecorder(CConnectionController& controller,
                              std::function<void()> onFinished = {});

    // Begins with the session the controller is connected in now, as it stands.
    void StartConnected();
    // Ends the recording without waiting for the disconnect.
    void Stop();

    bool Started() const;
    // The scenario file of what was recorded so far.
    std::string Text() const;
    // Writes it (replacing the file whole); false with the reason when it cannot.
    bool Write(const std::filesystem::path& file, std::string& error) const;

    void OnConnecting() override;
    void OnConnected() override;
    void OnDisconnecting() override;
    void OnDisconnected() override;
    void OnNotification(const Notification& n) override;
    void OnNotificationHandled(const Notification& n) override;
    void OnSent(size_t server, std::string_view line) override;

private:
    enum class State { Idle, Connecting, Connected, Done };
    struct Server {
        std::string alias;
        std::map<int32_t, int32_t> known;  // what the server holds, as far as we know
        std::map<int32_t, int32_t> initial;
        // Values the program wrote, per offset, whose return from the server is still due.
        std::map<int32_t, std::deque<int32_t>> echoes;
        bool primed = false;  // its state at the connect is known
    };

    void PrepareLocked();
    void BeginLocked(bool alreadyConnected);
    void InputLocked(int64_t pin, int64_t level);
    void AnalogLocked(int64_t channel, int64_t value);
    void ValuesLocked(int64_t code, int64_t type);
    void SentLocked(size_t server, std::string_view line);
    void AddInputStepLocked(ScenarioStep step);
    void AddWaitLocked();
    void AddSentLocked(size_t server, std::string line);
    void FlushGroupLocked();
    void EndGroupLocked();
    void DiffLocked();
    void DiffOutputsLocked();
    void DiffDigitsLocked();
    std::map<int32_t, int32_t> ServerValues(size_t server) const;
    void Add(ScenarioStep step) { steps_.push_back(std::move(step)); }

    CConnectionController& controller_;
    std::function<void()> onFinished_;
    mutable std::mutex mutex_;  // the senders' threads add lines too
    State state_ = State::Idle;
    bool servo_ = false;
    bool senseVcc_ = false;
    std::vector<Server> servers_;
    std::vector<std::pair<size_t, std::string>> sentWhileConnecting_;
    std::array<uint8_t, kReportSize> inputs_{};  // raw bits, as the board sends them
    std::array<uint8_t, kReportSize> initialInputs_{};
    std::array<int, 9> analog_{};
    std::array<int, 9> initialAnalog_{};
    Report outputs_{};
    std::array<DisplayReport, kDisplayCards> displays_{};
    std::vector<ScenarioStep> steps_;
    // Notifications handled back to back, while more were waiting: the lines their scripts
    // sent wait for the group's end.
    struct {
        bool active = false;
        bool awaitingInput = false;  // an encoder stepped: its pins' change is still to come
        bool connectState = false;   // a server's first values: the connect's state, not a step
        std::vector<std::pair<size_t, std::string>> sent;
    } group_;
    Clock::time_point lastInput_;
};

}  // namespace orva
