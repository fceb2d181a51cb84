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
    config_.LoadConfiguration(table_);
    card_.Configure(-1, config_.cardSerial);
    card_.SetSense(config_.senseVcc);
    if (!card_.IsPresent()) {
        cardQuestion_ = CardQuestion::QuestionOpen;
        const PromptAnswer answer = prompt_.AskQuestion(std::u16string(kCardNotFound),
                                                        u"Card not found...", PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes) SelectCard();
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
    const std::u16string_view state =
        s.connected ? u"Connected" : (connecting_ ? u"Connecting..." : u"NOT connected");
    s.text = Format(u"Current status: %s.", state);
    s.colour = s.connected ? kGreen : (connecting_ ? kOrange : kRed);
    s.trayConnectText = s.connected ? u"Disconnect" : u"Connect";
    s.trayShowText = view_.IsWindowVisible() ? u"Hide" : u"Show";
    s.trayIcon = s.connected ? 130 : 129;
    const std::u16string tip =
        Format(s.connected ? u"%s: Connected. " : u"%s: NOT connected. ", config_.InstanceName());
    s.trayTip = tip.substr(0, tip.size() - 1);
    return s;
}

void CConnectionController::RefreshStatus() {
    view_.ShowStatus(Status());
}

void CConnectionController::Connect() {
    if (observer_) observer_->OnConnecting();
    connecting_ = true;
    RefreshStatus();
    if (!OpenCard()) {
        connecting_ = false;
        RefreshStatus();
        const PromptAnswer answer = prompt_.Ask(
            {u"Could not connect to Orva Card.\r\nDo you want to change Orva Configuration?",
             u"Card not connected..", PromptButtons::YesNo, PromptIcon::Warning, false});
        if (answer == PromptAnswer::Yes) SelectCard();
        return;
    }
    config_.LoadEvents(table_);
    table_.SetAllLastValues(CEventTable::kNotDispatched);
    CloseClients();
    if (!ConnectServers()) {
        ConnectFailed();
        return;
    }
    AskFirstConnectQuestions();
    state_ = CScriptState::Create(Services());
    dispatcher_.SetScriptRunner(state_.get());
    view_.SetConfigButtonsEnabled(false);
    view_.SetConnectCaption(u"Disconnect");
    connecting_ = false;
    session_ = true;
    RefreshStatus();
    dispatcher_.PublishEventNames();
    dispatcher_.RunAfterConnectEvents();
    if (observer_ && session_) observer_->OnConnected();
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
    connecting_ = false;
    RefreshStatus();
    CloseClients();
    CloseCard();
    const PromptAnswer answer = prompt_.AskQuestion(
        u"Could not find the IOCPServer.\r\nDo you want to change IOCP Configuration?",
        u"Server not found...", PromptButtons::YesNo);
    if (answer == PromptAnswer::Yes) EditServers();
}

void CConnectionController::AskOption(std::u16string_view key, std::u16string text,
                                      std::u16string caption, bool& flag) {
    int32_t value = config_.ReadOption(key);
    if (value == -1) {
        value = prompt_.AskQuestion(std::move(text), std::move(caption), PromptButtons::YesNo) ==
                        PromptAnswer::Yes
                    ? 1
                    : 0;
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
    AskOption(u"AutoHide", u"Hide these window directly after a succesfull connection next time?",
              u"Auto hide window...", config_.autoHide);
    if (config_.autoHide) view_.SetWindowVisible(false);
    view_.SetOptionChecks(config_.autoConnect, config_.autoHide);
    monitor_.Reset(prompt_);
}

void CConnectionController::Disconnect() {
    if (disconnecting_) return;
    disconnecting_ = true;
    const bool observed = observer_ && session_;
    if (observed) observer_->OnDisconnecting();
    dispatcher_.RunBeforeDisconnectEvents();
    dispatcher_.SetScriptRunner(nullptr);
    state_.reset();
    CloseClients();
    view_.SetConfigButtonsEnabled(true);
    view_.SetConnectCaption(u"Connect");
    CloseCard();
    session_ = false;
    disconnecting_ = false;
    if (observed && observer_) observer_->OnDisconnected();
}

void CConnectionController::ToggleConnection() {
    if (IsConnected()) {
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
    if (IsConnected()) {
        view_.SetWindowVisible(false);
        RefreshStatus();
    } else {
        view_.EndDialog();
    }
}

void CConnectionController::Destroy() {
    Disconnect();
}

void CConnectionController::OnDeviceChange() {
    if (cardQuestion_ == CardQuestion::None && !card_.IsPresent()) {
        // The scripts and the servers carry on; only the board is let go.
        card_.Close();
        cardQuestion_ = CardQuestion::QuestionOpen;
        const PromptAnswer answer = prompt_.AskQuestion(std::u16string(kCardNotFound),
                                                        u"Card not found...", PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes) SelectCard();
        cardQuestion_ = CardQuestion::None;
    } else if (cardQuestion_ == CardQuestion::QuestionOpen && card_.IsPresent()) {
        prompt_.CloseQuestion(u"Card not found..");
    }
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
            config_.LoadConfiguration(table_);
            card_.Configure(-1, config_.cardSerial);
            card_.SetSense(config_.senseVcc);
        } else if (overwrite == PromptAnswer::Cancel) {
            config_.SetInstanceName(old);
        }
    }
    view_.SetTitle(InstanceTitle(config_.InstanceName()));
    if (onRename_) onRename_(config_.InstanceName());
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
            CloseWindow();
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
