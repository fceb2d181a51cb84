// The program's side of a scenario run: the connection controller on the main thread with the
// instance's files only read and the board looked for among the simulated boards only; and what
// the run saw (printed text, questions, script errors, server lines), kept for the thread that
// runs the steps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/ConnectionController.h"
#include "card/VirtualBoard.h"
#include "platform/Notify.h"

namespace orva {

// What the steps can see of the run. One lock and one condition for all of it, so that every
// wait of the steps also ends when the run is stopped.
struct ScenarioObservations {
    std::string printed;                                // everything the scripts printed, UTF-8
    std::vector<std::vector<std::string>> serverLines;  // per server, the lines it received
    std::vector<std::string> scriptErrors;  // the "LUA Script Error" messages, one line each
    std::vector<std::string> messages;      // every other question or message, one line each
    bool connected = false;                 // a connect completed and no disconnect ran since
    bool ended = false;                     // the program ended itself (a lost link)
    bool stopped = false;                   // a signal, or the program's loop has ended
    int requestsDone = 0;
};

class CScenarioLog {
public:
    using Clock = std::chrono::steady_clock;

    template <typename Fn>
    void Update(Fn fn) {
        {
            std::lock_guard lock(mutex_);
            fn(o_);
        }
        changed_.notify_all();
    }
    template <typename Fn>
    auto Read(Fn fn) const {
        std::lock_guard lock(mutex_);
        return fn(o_);
    }
    // Waits until ready(observations) holds, the deadline passes or the run is stopped; the
    // last answer of ready.
    template <typename Ready>
    bool WaitUntil(Clock::time_point deadline, Ready ready) const {
        std::unique_lock lock(mutex_);
        changed_.wait_until(lock, deadline, [&] { return ready(o_) || o_.stopped; });
        return ready(o_);
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    ScenarioObservations o_;
};

class CScenarioSession final : private IControllerView,
                               private IControllerDialogs,
                               private IUserPrompt,
                               private IPrintMonitorView {
public:
    // Sync runs nothing: once it is done, everything the program had queued before it has run.
    enum class Request { Connect, Disconnect, Sync, Quit };

    // On the thread that will run the loop.
    explicit CScenarioSession(CScenarioLog& log);
    ~CScenarioSession() override;

    // Reads the instance (nothing of it is written) and points its servers, in order, at the
    // test servers on these loopback ports; the addresses change in memory only.
    void Initialise(const std::u16string& instance, const std::vector<int>& serverPorts,
                    const std::filesystem::path& quivrPath);
    // Handles notifications until a Quit request; a signal on signalFd stops the run (the steps
    // end), a second one ends the loop at once.
    void Run(int signalFd);
    // From the steps' thread: the request runs on the loop's thread, then requestsDone grows.
    void Post(Request request);

    CConnectionController& Controller() { return *controller_; }

private:
    PromptAnswer Ask(const PromptRequest& request) override;
    void ShowStatus(const StatusInfo&) override {}
    bool IsWindowVisible() const override { return true; }
    void SetWindowVisible(bool) override {}
    void SetTitle(const std::u16string&) override {}
    void SetConfigButtonsEnabled(bool) override {}
    void SetConnectCaption(const std::u16string&) override {}
    void SetOptionChecks(bool, bool) override {}
    void EndDialog() override;
    bool SelectCard(CardChoice&) override { return false; }
    bool EditServers(ServerList&) override { return false; }
    bool EditEvents(CEventTable&, const CEventTypeNames&) override { return false; }
    bool IsShown() const override { return true; }
    void Show() override {}
    void Changed(std::u16string_view appended) override;

    void Handle(Request request);
    void Publish();

    CScenarioLog& log_;
    CNotify notify_;
    CVirtualHidBackend backend_;  // never a real board: one with the same serial may be in use
    std::unique_ptr<CConnectionController> controller_;
    bool quit_ = false;
};

}  // namespace orva
