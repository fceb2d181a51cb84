// orvapanel-headless [OPTION]... [/NAME]: one instance without windows. It connects at start-up,
// prints the print monitor and every question (answered with its safe default) to stdout, and
// stops cleanly on SIGINT or SIGTERM; with --record it writes the session as a scenario when it
// ends. --scenario runs a scenario (ScenarioProgram.h), --check compiles the instance's scripts
// (ScriptCheck.h), --list-backups and --restore N list and restore the instance's backups
// (BackupsProgram.h). The options and the exit codes are in app/HeadlessOptions.cpp.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "app/BackupsProgram.h"
#include "app/HeadlessOptions.h"
#include "app/InstanceName.h"
#include "app/OrvaPanelApp.h"
#include "app/ScenarioProgram.h"
#include "app/ScriptCheck.h"
#include "app/SessionRecorder.h"
#include "platform/Text.h"

using namespace orva;

namespace {

enum ExitCode { kStopped = 0, kRefused = 1, kConnectFailed = 2, kLinkLost = 3, kScriptFailed = 4 };

// Windows line ends as the terminal shows them.
std::string Printable(std::u16string_view text) {
    std::string out = ToUtf8(text);
    for (size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at)) {
        out.replace(at, 2, "\n");
    }
    return out;
}

void Print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

const char* AnswerName(PromptAnswer a) {
    switch (a) {
        case PromptAnswer::Yes:
            return "Yes";
        case PromptAnswer::No:
            return "No";
        case PromptAnswer::Cancel:
            return "Cancel";
        case PromptAnswer::Ok:
            break;
    }
    return "OK";
}

class HeadlessPrompt final : public IUserPrompt {
public:
    PromptAnswer Ask(const PromptRequest& r) override {
        const PromptAnswer answer = SafeDefaultAnswer(r.buttons);
        Print("[" + Printable(r.caption) + "] " + Printable(r.text) + " -> " + AnswerName(answer) +
              "\n");
        return answer;
    }
};

class HeadlessView final : public IControllerView {
public:
    void ShowStatus(const StatusInfo& status) override {
        if (status.text == last_) return;
        last_ = status.text;
        Print("status: " + Printable(status.text) + "\n");
    }
    bool IsWindowVisible() const override { return visible_; }
    void SetWindowVisible(bool visible) override { visible_ = visible; }
    void SetTitle(const std::u16string& title) override { Print(Printable(title) + "\n"); }
    void SetConfigButtonsEnabled(bool) override {}
    void SetConnectCaption(const std::u16string&) override {}
    void SetOptionChecks(bool, bool) override {}
    void EndDialog() override { ended = true; }

    bool ended = false;

private:
    std::u16string last_;
    bool visible_ = true;
};

class HeadlessDialogs final : public IControllerDialogs {
public:
    bool SelectCard(CardChoice&) override {
        Print("(the card selection needs the desktop window; nothing changed)\n");
        return false;
    }
    bool EditServers(ServerList&) override {
        Print("(the servers dialog needs the desktop window; nothing changed)\n");
        return false;
    }
    bool EditEvents(CEventTable&, const CEventTypeNames&) override {
        Print("(the events list needs the desktop window; nothing changed)\n");
        return false;
    }
};

class StdoutMonitor final : public IPrintMonitorView {
public:
    bool IsShown() const override { return true; }
    void Show() override {}
    void Changed(std::u16string_view appended) override { Print(Printable(appended)); }
};

class NoOpener final : public IShellOpener {
public:
    bool Open(std::u16string_view target) override {
        Print("(open " + ToUtf8(target) + " in a browser)\n");
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: --help, --version and a mistake touch no instance.
    const ParsedCommandLine commandLine =
        ParseCommandLine(ArgsFromMain(argc, argv), kHeadlessCommandLine);
    if (const auto code = AnswerCommandLine(commandLine, kHeadlessCommandLine)) return *code;
    const HeadlessOptions options = HeadlessOptionsFrom(commandLine);
    if (!options.error.empty()) {
        // The mistake and the usage, as the command line's own mistakes are told.
        ParsedCommandLine wrong;
        wrong.action = CommandAction::Error;
        wrong.error = options.error;
        return *AnswerCommandLine(wrong, kHeadlessCommandLine);
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);  // before any thread exists, so all inherit it
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    if (options.mode == HeadlessOptions::Mode::Scenario) {
        return RunScenarioProgram(options, signalFd);
    }
    if (options.mode == HeadlessOptions::Mode::Check) return RunScriptCheckProgram(options);
    if (options.mode == HeadlessOptions::Mode::ListBackups ||
        options.mode == HeadlessOptions::Mode::RestoreBackup) {
        return RunBackupsProgram(options);
    }

    HeadlessPrompt prompt;
    HeadlessView view;
    HeadlessDialogs dialogs;
    NoOpener opener;
    StdoutMonitor monitor;
    FrontEnd frontEnd{prompt, view, dialogs, opener};
    COrvaPanelApp app;
    if (const auto code = app.InitInstance(options.instanceParams, frontEnd)) return *code;
    CConnectionController& controller = app.Controller();
    // For this run only: the desktop program's check box is what stores it.
    if (options.reconnect) controller.SetAutoReconnect(true, false);
    // Printed as it comes: nothing is kept where no window will ever show it.
    controller.Monitor().SetKeepText(false);
    controller.Monitor().SetView(&monitor);
    std::optional<CSessionRecorder> recorder;
    if (!options.record.empty()) {
        recorder.emplace(controller);
        controller.SetSessionObserver(&*recorder);
    }
    // Without windows there is nothing to wait for: connect now (AutoConnect has queued it).
    if (!controller.Configuration().autoConnect) app.Notify().Post(WM_APP_CONNECT, 0, 0);

    bool everConnected = false;
    int exitCode = kStopped;
    for (;;) {
        pollfd fds[2] = {{app.Notify().WakeFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        ::poll(fds, 2, 1000);
        if (fds[1].revents) {
            signalfd_siginfo info{};
            [[maybe_unused]] auto n = ::read(signalFd, &info, sizeof(info));
            Print("stopping\n");
            break;
        }
        app.Notify().ProcessPending();
        if (controller.IsConnected()) {
            everConnected = true;
            continue;
        }
        if (view.ended) {
            exitCode = kLinkLost;
            break;
        }
        // A link that went down still holds the session until its close request arrives; a
        // reconnecting instance waits for its servers and its board.
        if (controller.IsConnecting() || controller.HasSession() || controller.IsWaiting() ||
            app.Notify().PendingCount() > 0) {
            continue;
        }
        if (!everConnected) {
            exitCode = kConnectFailed;
        } else {
            exitCode = kScriptFailed;
        }
        break;
    }
    controller.Destroy();
    Print("status: " + Printable(controller.Status().text) + "\n");
    if (recorder) {
        controller.SetSessionObserver(nullptr);
        std::string error;
        if (!recorder->Started()) {
            Print("nothing recorded: the instance never connected\n");
        } else if (recorder->Write(options.record, error)) {
            Print("session recorded in " + options.record.string() + "\n");
        } else {
            std::fprintf(stderr, "orvapanel-headless: %s\n", error.c_str());
        }
    }
    return exitCode;
}
