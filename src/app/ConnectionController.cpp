#include "app/ConnectionController.h"

#include <thread>

#include "app/DeviceWatcher.h"
#include "app/InstanceName.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace orva {
namespace {

constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kOrange = 0xFA460A;
constexpr uint32_t kRed = 0xC80000;

constexpr std::u16string_view kConnectedCardMissing = u"Connected, but the Orva card is missing";
constexpr std::u16string_view kCardNotFound =
    u"Your selected Orva Card is not present.\r\nDo you want to change the Orva Card?";

}  // namespace

CConnectionController::CConnectionController(CNotify& notify, IHidBackend& backend,
                                             IUserPrompt& prompt, IControllerView& view,
                                             IControllerDialogs& dialogs)
    : notify_(notify),
      prompt_(prompt),
      view_(view),
      dialogs_(dialogs),
      card_(backend, &notify),
      dispatcher_(table_, typeNames_, prompt, *this),
      sleeper_([](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }) {
    monitor_.SetView(nullptr);
}

CConnectionController::~CConnectionController() {
    Destroy();
}

ScriptServices CConnectionController::Services() {
    return ScriptServices{&table_, &config_.servers, &monitor_, &card_, &clientList_};
}

void CConnectionController::Initialise(const std::u16string& instanceName,
                                       const std::filesystem::path& quivrPath) {
    config_.SetInstanceName(instanceName);
    view_.SetTitle(InstanceTitle(instanceName));
    config_.LoadConfiguration(table_, prompt_);
    card_.Configure(-1, config_.cardSerial);
    card_.SetSense(config_.senseVcc);
    reconnect_ = config_.ReadOption(u"AutoReconnect") == 1;
    // Reconnecting, a missing board is waited for at the connect rather than asked about.
    if (!reconnect_ && !card_.IsPresent()) {
        // Closed by the program, as No, when the board is plugged in meanwhile.
        cardQuestion_ = CardQuestion::QuestionOpen;
        if (AskCardNotFound() == PromptAnswer::Yes && !ending_) SelectCard();
        cardQuestion_ = CardQuestion::None;
    }
    quivr_.Load(quivrPath, prompt_);
    view_.SetOptionChecks(config_.autoConnect, config_.autoHide);
    // Connects once the window is up, as a command the window posts to itself.
    if (config_.autoConnect) notify_.Post(WM_APP_CONNECT, 0, 0);
    RefreshStatus();
}

bool CConnectionController::IsConnected() const {
    // A connection without servers counts as connected from a completed connect until the
    // disconnect; with servers, only while every link is up.
    if (!session_) return false;
    for (const auto& c : clients_) {
        if (!c->IsConnected()) return false;
    }
    return true;
}

StatusInfo CConnectionController::Status() const {
    StatusInfo s;
    s.connected = IsConnected();
    s.connecting = connecting_;
    s.busy = busy_;
    s.waiting = waiting_ && !connecting_;
    s.cardMissing = s.connected && card_.IsSuspended();
    const std::u16string_view state = s.connected
                                          ? (s.cardMissing ? kConnectedCardMissing : u"Connected")
                                          : (connecting_ ? u"Connecting..." : u"NOT connected");
    if (s.waiting) {
        // What the waiting is for, ending in "...", as the connect's own text does.
        const std::u16string waitingFor = WaitingText();
        s.text = u"Current status: " + waitingFor;
        s.trayTip = config_.InstanceName() + u": " + waitingFor;
    } else {
        s.text = Format(u"Current status: %s.", state);
        s.trayTip = Format(u"%s: %s.", config_.InstanceName(),
                           s.connected ? state : std::u16string_view(u"NOT connected"));
    }
    s.colour = s.connected && !s.cardMissing                 ? kGreen
               : (connecting_ || s.cardMissing || s.waiting) ? kOrange
                                                             : kRed;
    // Every control follows the session: what the toggle does is what it says.
    s.connectCaption = session_ || waiting_ ? u"Disconnect" : u"Connect";
    s.configEnabled = !session_ && !busy_ && !waiting_;
    s.trayConnectText = s.connectCaption;
    s.trayShowText = view_.IsWindowVisible() ? u"Hide" : u"Show";
    s.trayIcon = s.connected && !s.cardMissing ? 130 : 129;
    return s;
}

std::u16string CConnectionController::WaitingText() const {
    if (boardAway_) return u"Waiting for the Orva card...";
    const auto& servers = config_.servers;
    const size_t silent = silentServer_ < 0 ? 0 : static_cast<size_t>(silentServer_);
    if (silent >= servers.size()) return u"Waiting to connect again...";
    return Format(u"Waiting for the server %s...", servers[silent].alias);
}

void CConnectionController::RefreshStatus() {
    const StatusInfo status = Status();
    view_.SetConfigButtonsEnabled(status.configEnabled);
    view_.SetConnectCaption(status.connectCaption);
    view_.ShowStatus(status);
}

void CConnectionController::Connect() {
    // Its questions run nested loops, where the tray and the window could start another
    // connect inside this one.
    if (busy_ || ending_) return;
    StopWaiting();
    busy_ = true;
    if (session_) Disconnect();  // a link that ended still held it: start from what is stored
    if (observer_) observer_->OnConnecting();
    ConnectSequence();
    busy_ = false;
    RefreshStatus();
}

void CConnectionController::ConnectSequence() {
    connecting_ = true;
    RefreshStatus();
    if (!OpenCard()) {
        connecting_ = false;
        if (reconnect_) return StartWaiting();  // the board is waited for, not asked about
        RefreshStatus();
        const PromptAnswer answer = prompt_.Ask(
            {u"Could not connect to Orva Card.\r\nDo you want to change Orva Configuration?",
             u"Card not connected..", PromptButtons::YesNo, PromptIcon::Warning, false});
        if (answer == PromptAnswer::Yes && !ending_) SelectCard();
        return;
    }
    config_.LoadEvents(table_, prompt_);
    table_.SetAllLastValues(CEventTable::kNotDispatched);
    CloseClients();
    if (!ConnectServers()) {
        ConnectFailed();
        return;
    }
    AskFirstConnectQuestions();
    if (ending_) {  // the program ends under an open question: no session is started
        AbortConnect();
        return;
    }
    state_ = CScriptState::Create(Services());
    DropUnsentWhileReconnecting();
    dispatcher_.SetScriptRunner(state_.get());
    connecting_ = false;
    session_ = true;
    RefreshStatus();
    dispatcher_.PublishEventNames();
    dispatcher_.RunAfterConnectEvents();
    if (observer_ && session_) observer_->OnConnected();
}

void CConnectionController::AbortConnect() {
    connecting_ = false;
    CloseClients();
    CloseCard();
    RefreshStatus();
}

bool CConnectionController::ConnectServers() {
    for (size_t i = 0; i < config_.servers.size(); ++i) {
        const ServerRecord& server = config_.servers[i];
        const bool typed = i < static_cast<size_t>(kMaxIocpTypedServers);
        const auto type = static_cast<int64_t>(kEventFirstIocp + i);
        if (typed) typeNames_.NameServers(config_.servers);
        std::u16string address = server.address;
        int port = server.port;
        if (server.NeedsLookup() && quivr_.IsLoaded()) {
            if (const auto found = quivr_.FindServer(server.alias, nullptr, sleeper_)) {
                address = found->address;
                port = found->port;
            }
        }
        if (address.empty() || address == ServerRecord::kLookupAddress) return false;
        auto client = std::make_unique<CIocpClient>();
        if (observer_) ObserveSends(*client, i);  // the registration is a line sent too
        // Servers past the tenth have no event type: connected, but nothing is registered.
        const SubscriptionList offsets =
            typed ? dispatcher_.BuildSubscriptionList(static_cast<uint8_t>(type))
                  : SubscriptionList{{0, nullptr}};
        client->Connect(ToAnsi(address), offsets, port);
        client->SetCloseOnEnd(true);
        client->SetNotify(&notify_, WM_IOCP_NOTIFY, type);
        const bool up = client->IsConnected();
        clientList_.push_back(client.get());
        clients_.push_back(std::move(client));
        if (!up) return false;
    }
    return true;
}

void CConnectionController::ConnectFailed() {
    AbortConnect();
    if (reconnect_) return StartWaiting();  // the servers are waited for, not asked about
    const PromptAnswer answer = prompt_.AskQuestion(
        u"Could not find the IOCPServer.\r\nDo you want to change IOCP Configuration?",
        u"Server not found...", PromptButtons::YesNo);
    if (answer == PromptAnswer::Yes && !ending_) EditServers();
}

void CConnectionController::AskOption(std::u16string_view key, std::u16string text,
                                      std::u16string caption, bool& flag) {
    int32_t value = config_.ReadOption(key);
    if (value == -1) {
        value = prompt_.AskQuestion(std::move(text), std::move(caption), PromptButtons::YesNo) ==
                        PromptAnswer::Yes
                    ? 1
                    : 0;
        // A question closed by the program's end was answered by nobody: nothing is stored.
        if (ending_) return;
        config_.SaveOption(key, value == 1);
    }
    flag = value == 1;
}

void CConnectionController::AskFirstConnectQuestions() {
    if (readOnly_) {
        view_.SetOptionChecks(config_.autoConnect, config_.autoHide);
        return;
    }
    AskOption(u"AutoConnect", u"Try auto connection directly next time you run the App?",
              u"Auto connect...", config_.autoConnect);
    if (ending_) return;
    AskOption(u"AutoHide", u"Hide these window directly after a succesfull connection next time?",
              u"Auto hide window...", config_.autoHide);
    if (ending_) return;
    if (config_.autoHide) view_.SetWindowVisible(false);
    view_.SetOptionChecks(config_.autoConnect, config_.autoHide);
    monitor_.Reset(prompt_);
}

void CConnectionController::Disconnect() {
    if (disconnecting_) return;
    StopWaiting();
    disconnecting_ = true;
    const bool observed = observer_ && session_;
    if (observed) observer_->OnDisconnecting();
    dispatcher_.RunBeforeDisconnectEvents();
    dispatcher_.SetScriptRunner(nullptr);
    state_.reset();
    CloseClients();
    CloseCard();
    session_ = false;
    disconnecting_ = false;
    if (observed && observer_) observer_->OnDisconnected();
    RefreshStatus();
}

void CConnectionController::ToggleConnection() {
    if (busy_) return;
    // A session whose link ended, or the waiting for its return, is still one to end: the
    // toggle never connects over it.
    if (session_ || waiting_) {
        Disconnect();
    } else {
        Connect();
    }
    RefreshStatus();
}

void CConnectionController::CloseClients() {
    // Each client says goodbye and its threads are joined, so no fixed pause is needed.
    for (auto& c : clients_) {
        c->SetCloseOnEnd(false);
        c->Disconnect();
    }
    clientList_.clear();
    clients_.clear();
}

bool CConnectionController::OpenCard() {
    config_.LoadCardSettings();
    card_.Configure(-1, config_.cardSerial);
    card_.SetSense(config_.senseVcc);
    card_.SetNotifyTarget(&notify_);
    card_.Open();
    card_.StartThreads();
    if (card_.IsMainBoard()) card_.SetAllOutputs(false);
    card_.SetAdcMask(0);
    return card_.IsConnected();
}

void CConnectionController::CloseCard() {
    if (card_.IsMainBoard() && card_.IsConnected()) card_.SetAllOutputs(false);
    card_.Close();
}

void CConnectionController::CloseWindow() {
    // Waiting to connect again is as good as connected: the instance stays, hidden.
    if (IsConnected() || waiting_) {
        view_.SetWindowVisible(false);
        RefreshStatus();
    } else {
        EndInstance();
    }
}

void CConnectionController::Destroy() {
    Disconnect();
}

void CConnectionController::EndInstance() {
    ending_ = true;
    StopWaiting();
    view_.EndDialog();
}

void CConnectionController::SetAutoReconnect(bool on, bool store) {
    reconnect_ = on;
    DropUnsentWhileReconnecting();
    if (store) config_.SaveOption(u"AutoReconnect", on);
    if (!on && waiting_) {
        StopWaiting();
        RefreshStatus();
    }
}

void CConnectionController::StartWaiting() {
    std::vector<CServerWaiter::Server> servers;
    for (const ServerRecord& s : config_.servers) {
        servers.push_back({s.NeedsLookup() ? std::string() : ToAnsi(s.address), s.port});
    }
    waiting_ = true;
    boardAway_ = !card_.IsPresent();
    silentServer_ = 0;
    waiter_ = std::make_unique<CServerWaiter>(notify_, WM_APP_SERVERS, std::move(servers));
    RefreshStatus();
}

void CConnectionController::StopWaiting() {
    waiter_.reset();  // a round in progress ends at once
    waiting_ = false;
}

void CConnectionController::OnServersAsked(int64_t silent) {
    if (!waiting_) return;  // asked before the waiting ended
    silentServer_ = silent;
    // A full connect: registration, AFTER CONNECT, and what the scripts write.
    if (silent < 0 && !boardAway_) return Connect();
    RefreshStatus();
}

void CConnectionController::DropUnsentWhileReconnecting() {
    // A link can drop at any moment, and the scripts run on until its end is handled (their
    // goodbye after it too): what cannot reach a server that is gone is no failure of theirs,
    // when the program waits for that server's return anyway.
    if (state_) state_->Context().dropUnsent = reconnect_;
}

void CConnectionController::LinkLost() {
    Disconnect();
    StartWaiting();
}

PromptAnswer CConnectionController::AskCardNotFound() {
    return prompt_.Ask({std::u16string(kCardNotFound), u"Card not found...", PromptButtons::YesNo,
                        PromptIcon::Warning, false});
}

void CConnectionController::OnDeviceChange() {
    if (waiting_) {
        boardAway_ = !card_.IsPresent();
        if (!boardAway_ && silentServer_ < 0) return Connect();
        return RefreshStatus();
    }
    if (cardQuestion_ == CardQuestion::QuestionOpen) {
        if (card_.IsPresent()) prompt_.CloseQuestion(u"Card not found..");
        return;
    }
    // The card selection follows the boards itself; a board away since the question was asked
    // is only waited for.
    if (cardQuestion_ != CardQuestion::None) return;
    if (card_.IsSuspended()) return ResumeCardIfBack();
    if (card_.IsPresent()) return;
    // The scripts and the servers carry on. In a session the board's state is kept for its
    // return, so inputs made afterwards run their events and the outputs come back as set.
    if (session_ && card_.IsConnected()) {
        card_.Suspend();
    } else {
        card_.Close();
    }
    RefreshStatus();
    if (reconnect_) return;  // waited for without a question: the next device change looks
    cardQuestion_ = CardQuestion::QuestionOpen;
    if (AskCardNotFound() == PromptAnswer::Yes && !ending_) SelectCard();
    cardQuestion_ = CardQuestion::None;
    ResumeCardIfBack();
}

void CConnectionController::ResumeCardIfBack() {
    if (session_ && card_.IsSuspended() && card_.IsPresent()) card_.Resume();
    RefreshStatus();
}

void CConnectionController::SelectCard() {
    if (readOnly_) return;
    cardQuestion_ = CardQuestion::SelectionOpen;
    CardChoice choice{config_.cardSerial, config_.card.cardName, config_.senseVcc};
    if (dialogs_.SelectCard(choice)) {
        config_.cardSerial = choice.serial;
        config_.card.cardName = choice.cardName;
        config_.senseVcc = choice.senseVcc;
        const CProfile cards(config_.CardSettingsPath());
        cards.WriteString(choice.serial, u"Alias", choice.cardName);
        cards.WriteString(choice.serial, u"Sense", choice.senseVcc ? u"Vcc" : u"Gnd");
        // Any product: the chosen board is found again whichever kind it is.
        card_.Configure(-1, choice.serial);
        card_.SetSense(choice.senseVcc);
        if (!EqualsNoCase(choice.cardName, config_.InstanceName())) RenameInstance(choice.cardName);
        config_.SaveConfiguration(table_, prompt_);
        RefreshStatus();
    }
    cardQuestion_ = CardQuestion::None;
    ResumeCardIfBack();
}

bool CConnectionController::TakeInstanceName(const std::u16string& name) {
    return !onRename_ || onRename_(name);
}

void CConnectionController::RenameInstance(const std::u16string& cardName) {
    const std::u16string old = config_.InstanceName();
    const PromptAnswer answer = prompt_.AskQuestion(
        Format(
            u"The Card Name you have selected (%s) is diferent than this OrvaPanel instance name "
            u"(%s).\r\n\r\nYou can change this instance name to that card name.\r\n\r\nChange the "
            u"current OrvaPanel instance name from %s to %s?",
            cardName, old, old, cardName),
        u"Change name...", PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes) return;
    // The name becomes file names: refused as at start-up, and the names of folders with it.
    if (cardName.empty() || cardName == u"." || cardName == u".." ||
        HasForbiddenNameCharacter(cardName)) {
        prompt_.ShowMessage(InvalidNameMessage(cardName), u"Error", PromptIcon::Error);
        return;
    }
    // Two instances under one name would write the same files.
    if (!TakeInstanceName(cardName)) {
        const std::u16string upper = ToUpper(cardName);
        prompt_.ShowMessage(NameTakenMessage(upper), u"Error", PromptIcon::Error);
        return;
    }
    config_.SetInstanceName(cardName);
    std::error_code ec;
    if (std::filesystem::exists(config_.EventsPath(), ec) ||
        std::filesystem::exists(config_.ConfigPath(), ec)) {
        const PromptAnswer overwrite = prompt_.Ask(
            {Format(
                 u"There are, allready, a configuration file with the name %s.\r\n\r\nYou can:\r\n"
                 u"Click YES to overwite that file with your current configuration.\r\nClick NO, "
                 u"to load that file and overwrite your local configuration.\r\nClick CANCEL to "
                 u"restore local name to %s.",
                 cardName, old),
             u"Overwrite config?", PromptButtons::YesNoCancel, PromptIcon::Warning, false});
        if (overwrite == PromptAnswer::No) {
            config_.LoadConfiguration(table_, prompt_);
            card_.Configure(-1, config_.cardSerial);
            card_.SetSense(config_.senseVcc);
        } else if (overwrite == PromptAnswer::Cancel) {
            config_.SetInstanceName(old);
            TakeInstanceName(old);
        }
    }
    view_.SetTitle(InstanceTitle(config_.InstanceName()));
}

void CConnectionController::EditServers() {
    if (readOnly_) return;
    ServerList copy = config_.servers;
    if (!dialogs_.EditServers(copy)) return;
    config_.servers = std::move(copy);
    config_.SaveConfiguration(table_, prompt_);
    RefreshStatus();
}

void CConnectionController::EditEvents() {
    if (readOnly_) return;
    // The list names the server types after the servers as they are now: a fresh table, so a
    // server no longer in the list shows as unknown rather than by its old name.
    CEventTypeNames names;
    names.NameServers(config_.servers);
    if (!dialogs_.EditEvents(table_, names)) return;
    config_.SaveConfiguration(table_, prompt_);
    RefreshStatus();
}

void CConnectionController::SetAutoConnect(bool on) {
    config_.autoConnect = on;
    config_.SaveOption(u"AutoConnect", on);
}

void CConnectionController::SetAutoHide(bool on) {
    config_.autoHide = on;
    config_.SaveOption(u"AutoHide", on);
}

void CConnectionController::SetSessionObserver(ISessionObserver* observer) {
    observer_ = observer;
    for (size_t i = 0; i < clients_.size(); ++i) {
        if (observer_) {
            ObserveSends(*clients_[i], i);
        } else {
            clients_[i]->SetSendObserver(nullptr);
        }
    }
}

void CConnectionController::ObserveSends(CIocpClient& client, size_t server) {
    client.SetSendObserver(
        [observer = observer_, server](std::string_view line) { observer->OnSent(server, line); });
}

bool CConnectionController::HandleNotification(const Notification& n) {
    if (!observer_) return HandleUnobserved(n);
    ISessionObserver* observer = observer_;
    observer->OnNotification(n);
    const bool handled = HandleUnobserved(n);
    // The observer may have been detached meanwhile (its session ended).
    if (observer_ == observer) observer->OnNotificationHandled(n);
    return handled;
}

bool CConnectionController::HandleUnobserved(const Notification& n) {
    if (dispatcher_.Dispatch(n)) return true;
    switch (n.message) {
        case WM_CLOSE:
            // A link that ended takes the session with it at once, so the window shows what is
            // true whatever becomes of it next; reconnecting, the program waits for its return.
            if (session_ && !IsConnected()) {
                if (reconnect_) {
                    LinkLost();
                    return true;
                }
                Disconnect();
            }
            CloseWindow();
            return true;
        case WM_APP_SERVERS:
            OnServersAsked(n.wParam);
            return true;
        case WM_DEVICECHANGE:
            if (n.wParam == DBT_DEVNODES_CHANGED) OnDeviceChange();
            return true;
        case WM_APP_CONNECT:
            ToggleConnection();
            return true;
        default:
            return false;
    }
}

}  // namespace orva
