// orvapanel-headless [OPTION]... [/NAME]: one instance without windows. It connects at start-up,
// prints the print monitor and every question (answered with its safe default) to stdout, and
// stops cleanly on SIGINT or SIGTERM. The exit codes are in the usage text below.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/CommandLine.h"
#include "app/InstanceName.h"
#include "app/OrvaPanelApp.h"
#include "platform/Text.h"

using namespace orva;

namespace {

enum ExitCode { kStopped = 0, kRefused = 1, kConnectFailed = 2, kLinkLost = 3, kScriptFailed = 4 };

// The program's own options go into this table; ParsedCommandLine::Value reads them.
const CommandLineSpec kCommandLine{
    "orvapanel-headless",
    "[OPTION]... [/NAME]",
    "Runs one OrvaPanel instance without windows: connects the board and the IOCP servers at\n"
    "start-up, prints what the scripts print and every question (answered with its safe\n"
    "default), and stops cleanly on SIGINT or SIGTERM (BEFORE DISCONNECT events run).\n",
    {},
    "Exit status:\n"
    "  0  stopped by a signal, or --help or --version\n"
    "  1  the instance name was refused (invalid, or already running), or a crash\n"
    "  2  the connect failed (board or server missing), or a mistake on the command line\n"
    "  3  the link to a server was lost\n"
    "  4  a failing script disconnected the instance\n"};

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
    void Refresh(const std::u16string&, std::u16string_view appended) override {
        Print(Printable(appended));
    }
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
    const ParsedCommandLine commandLine = ParseCommandLine(ArgsFromMain(argc, argv), kCommandLine);
    if (const auto code = AnswerCommandLine(commandLine, kCommandLine)) return *code;

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);  // before any thread exists, so all inherit it
    signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    HeadlessPrompt prompt;
    HeadlessView view;
    HeadlessDialogs dialogs;
    NoOpener opener;
    StdoutMonitor monitor;
    FrontEnd frontEnd{prompt, view, dialogs, opener};
    COrvaPanelApp app;
    if (const auto code = app.InitInstance(commandLine.instanceParams, frontEnd)) return *code;
    CConnectionController& controller = app.Controller();
    controller.Monitor().SetView(&monitor);
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
        // A link that went down still holds the session until its close request arrives.
        if (controller.IsConnecting() || controller.HasSession() ||
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
    return exitCode;
}
