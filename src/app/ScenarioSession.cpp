#include "app/ScenarioSession.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/Text.h"

namespace orva {
namespace {

// The steps' requests to the loop: ours, beyond the program's own notifications.
constexpr uint32_t kScenarioRequest = WM_USER + 310;

// A message as one line of text.
std::string OneLine(std::u16string_view text) {
    std::string out = ToUtf8(text);
    for (size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at)) {
        out.replace(at, 2, " ");
    }
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace

CScenarioSession::CScenarioSession(CScenarioLog& log) : log_(log) {
    controller_ = std::make_unique<CConnectionController>(
        notify_, backend_, static_cast<IUserPrompt&>(*this), static_cast<IControllerView&>(*this),
        static_cast<IControllerDialogs&>(*this));
    controller_->SetReadOnly(true);
    // The expectations read the printed text from the run's own log: the monitor keeps none.
    controller_->Monitor().SetKeepText(false);
    controller_->Monitor().SetView(static_cast<IPrintMonitorView*>(this));
    notify_.SetHandler([this](const Notification& n) -> int64_t {
        if (n.message == kScenarioRequest) {
            Handle(static_cast<Request>(n.wParam));
            return 0;
        }
        // Only the steps connect (AutoConnect's own request would race them).
        if (n.message == WM_APP_CONNECT) return 0;
        return controller_->HandleNotification(n) ? 0 : 1;
    });
}

CScenarioSession::~CScenarioSession() {
    controller_->Destroy();
    controller_->Monitor().SetView(nullptr);
    notify_.Close();
}

void CScenarioSession::Initialise(const std::u16string& instance,
                                  const std::vector<int>& serverPorts,
                                  const std::filesystem::path& quivrPath) {
    controller_->Initialise(instance, quivrPath);
    ServerList& servers = controller_->Configuration().servers;
    for (size_t i = 0; i < servers.size() && i < serverPorts.size(); ++i) {
        servers[i].address = u"127.0.0.1";
        servers[i].port = serverPorts[i];
    }
    log_.Update([&](ScenarioObservations& o) { o.serverLines.resize(servers.size()); });
}

void CScenarioSession::Run(int signalFd) {
    bool signalled = false;
    while (!quit_) {
        pollfd fds[2] = {{notify_.WakeFd(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        ::poll(fds, signalFd >= 0 ? 2 : 1, -1);
        if (signalFd >= 0 && (fds[1].revents & POLLIN)) {
            signalfd_siginfo info{};
            [[maybe_unused]] auto n = ::read(signalFd, &info, sizeof(info));
            if (signalled) break;  // a second signal: no more waiting for the steps
            signalled = true;
            log_.Update([](ScenarioObservations& o) { o.stopped = true; });
        }
        notify_.ProcessPending();
        Publish();
    }
    log_.Update([](ScenarioObservations& o) { o.stopped = true; });
}

void CScenarioSession::Post(Request request) {
    notify_.Post(kScenarioRequest, static_cast<int64_t>(request), 0);
}

void CScenarioSession::Handle(Request request) {
    switch (request) {
        case Request::Connect:
            if (!controller_->HasSession()) controller_->Connect();
            break;
        case Request::Disconnect:
            controller_->Disconnect();
            break;
        case Request::Sync:
            break;
        case Request::Quit:
            quit_ = true;
            break;
    }
    Publish();
    log_.Update([](ScenarioObservations& o) { ++o.requestsDone; });
}

void CScenarioSession::Publish() {
    const bool connected = controller_->HasSession();
    log_.Update([&](ScenarioObservations& o) { o.connected = connected; });
}

PromptAnswer CScenarioSession::Ask(const PromptRequest& request) {
    const bool scriptError = request.caption == u"LUA Script Error";
    std::string line = OneLine(request.text);
    if (!scriptError) line = "[" + OneLine(request.caption) + "] " + line;
    log_.Update([&](ScenarioObservations& o) {
        (scriptError ? o.scriptErrors : o.messages).push_back(line);
    });
    return SafeDefaultAnswer(request.buttons);
}

void CScenarioSession::EndDialog() {
    log_.Update([](ScenarioObservations& o) { o.ended = true; });
}

void CScenarioSession::Changed(std::u16string_view appended) {
    if (appended.empty()) return;
    // Line ends as "\n" only: an expectation cannot hold a carriage return anyway.
    std::string text = ToUtf8(appended);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    if (text.empty()) return;
    log_.Update([&](ScenarioObservations& o) { o.printed += text; });
}

}  // namespace orva
