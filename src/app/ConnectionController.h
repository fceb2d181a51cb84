// The connection controller: brings the board, the IOCP servers and the scripts up and down
// together, asks the user what the sequences need, and reports the status. No window here: a
// front end (the desktop window or the headless program) implements the view interfaces.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ServerWaiter.h"
#include "app/SessionObserver.h"
#include "card/OrvaCard.h"
#include "core/Configuration.h"
#include "core/EventDispatcher.h"
#include "core/PrintMonitor.h"
#include "iocp/IocpClient.h"
#include "iocp/Quivr.h"
#include "platform/Notify.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"

namespace orva {

// What the status display shows.
struct StatusInfo {
    std::u16string text;  // "Current status: %s."
    uint32_t colour = 0;  // 0xRRGGBB
    bool connected = false;
    bool connecting = false;
    // A connect is running, its questions included: the connect toggle does nothing meanwhile.
    bool busy = false;
    bool cardMissing = false;        // connected, but the board went away and is waited for
    bool waiting = false;            // the link was lost: waiting for the servers and the board
    std::u16string connectCaption;   // "Disconnect" while a session runs, else "Connect"
    bool configEnabled = true;       // the configuration buttons, only without a session
    std::u16string trayTip;          // "%s: Connected." without the trailing blank
    std::u16string trayConnectText;  // "Disconnect" / "Connect"
    std::u16string trayShowText;     // "Hide" / "Show"
    int trayIcon = 129;              // 130 while connected
};

// The main window, as the controller sees it.
class IControllerView {
public:
    virtual ~IControllerView() = default;
    virtual void ShowStatus(const StatusInfo& status) = 0;
    virtual bool IsWindowVisible() const = 0;
    virtual void SetWindowVisible(bool visible) = 0;
    virtual void SetTitle(const std::u16string& title) = 0;
    virtual void SetConfigButtonsEnabled(bool enabled) = 0;
    virtual void SetConnectCaption(const std::u16string& caption) = 0;
    virtual void SetOptionChecks(bool autoConnect, bool autoHide) = 0;
    // Ends the dialog, and with it the instance.
    virtual void EndDialog() = 0;
};

// The dialogs the controller opens; each answers false when the user cancels.
struct CardChoice {
    std::u16string serial;
    std::u16string cardName;
    bool senseVcc = false;
};
class IControllerDialogs {
public:
    virtual ~IControllerDialogs() = default;
    virtual bool SelectCard(CardChoice& choice) = 0;
    virtual bool EditServers(ServerList& servers) = 0;
    // The events list: edits the table (only on its own "Save and exit"); true when it saved.
    virtual bool EditEvents(CEventTable& table, const CEventTypeNames& typeNames) = 0;
};

class CConnectionController final : public IConnectionControl {
public:
    enum class CardQuestion { None, QuestionOpen, SelectionOpen };

    CConnectionController(CNotify& notify, IHidBackend& backend, IUserPrompt& prompt,
                          IControllerView& view, IControllerDialogs& dialogs);
    ~CConnectionController() override;

    // Start-up: the settled instance name, the configuration, the board check, the module.
    void Initialise(const std::u16string& instanceName, const std::filesystem::path& quivrPath);

    void Connect();
    void Disconnect() override;
    // The user's Connect/Disconnect: nothing while a connect runs.
    void ToggleConnection();
    bool IsConnected() const;
    bool IsConnecting() const { return connecting_; }
    // A connect completed and no disconnect has run since (the links may be down meanwhile).
    bool HasSession() const { return session_; }
    void RefreshStatus() override;
    StatusInfo Status() const;
    void CloseClients();
    bool OpenCard();
    void CloseCard();
    void SelectCard();
    void EditServers();
    void EditEvents();
    // The close box (or a WM_CLOSE of a lost link): hides while connected, ends otherwise.
    void CloseWindow();
    // The end of the dialog, whatever ended it.
    void Destroy();
    // Ends the instance (Exit, a stop signal, a close while not connected). A question open
    // meanwhile closes without anything being stored, and a connect in progress stops.
    void EndInstance();
    bool IsEnding() const { return ending_; }
    void OnDeviceChange();
    void SetAutoConnect(bool on);
    void SetAutoHide(bool on);
    // Reconnect when the simulator or the board comes back: a lost link (or a connect that finds
    // a server or the board missing) waits for them instead of ending or asking. store: written
    // to the configuration ("Options"/"AutoReconnect"), as the window's check box does.
    void SetAutoReconnect(bool on, bool store = true);
    bool AutoReconnect() const { return reconnect_; }
    // Waiting for the servers and the board to come back.
    bool IsWaiting() const { return waiting_; }

    // Handles one notification of the owner thread; false when it was not ours.
    bool HandleNotification(const Notification& n);

    CConfiguration& Configuration() { return config_; }
    // What is waiting to be handled (a recording tells a burst by it).
    CNotify& Notifications() { return notify_; }
    CEventTable& Events() { return table_; }
    CPrintMonitor& Monitor() { return monitor_; }
    COrvaCard& Card() { return card_; }
    IUserPrompt& Prompt() { return prompt_; }
    CEventDispatcher& Dispatcher() { return dispatcher_; }
    CEventTypeNames& TypeNames() { return typeNames_; }
    const std::u16string& InstanceName() const { return config_.InstanceName(); }
    const std::u16string& CardName() const { return config_.card.cardName; }
    CardQuestion CardQuestionState() const { return cardQuestion_; }
    // Waits between the module's counts; tests and the headless loop may replace it.
    void SetSleeper(std::function<void(std::chrono::milliseconds)> sleeper) {
        sleeper_ = std::move(sleeper);
    }
    // Takes the instance name for this process when the card selection renames the instance;
    // false when another running instance has it.
    void SetInstanceChanged(std::function<bool(const std::u16string&)> onRename) {
        onRename_ = std::move(onRename);
    }
    // The instance's files are only read (a scenario run): the first-connect questions are not
    // asked, the dialogs that save do not open, nothing is written.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    // A recording of the session; nullptr detaches it (it hears nothing more once this returns).
    void SetSessionObserver(ISessionObserver* observer);

private:
    void ConnectSequence();
    bool ConnectServers();
    bool HandleUnobserved(const Notification& n);
    void ConnectFailed();
    void AskFirstConnectQuestions();
    void AskOption(std::u16string_view key, std::u16string text, std::u16string caption,
                   bool& flag);
    void RenameInstance(const std::u16string& cardName);
    bool TakeInstanceName(const std::u16string& name);
    PromptAnswer AskCardNotFound();
    void StartWaiting();
    void StopWaiting();
    void OnServersAsked(int64_t silent);
    std::u16string WaitingText() const;
    void LinkLost();
    void DropUnsentWhileReconnecting();
    void ResumeCardIfBack();
    void AbortConnect();
    void ObserveSends(CIocpClient& client, size_t server);
    ScriptServices Services();

    CNotify& notify_;
    IUserPrompt& prompt_;
    IControllerView& view_;
    IControllerDialogs& dialogs_;
    CConfiguration config_;
    CEventTable table_;
    CEventTypeNames typeNames_;
    CPrintMonitor monitor_;
    COrvaCard card_;
    CQuivr quivr_;
    CEventDispatcher dispatcher_;
    std::vector<std::unique_ptr<CIocpClient>> clients_;
    std::vector<CIocpClient*> clientList_;
    std::unique_ptr<CScriptState> state_;
    bool connecting_ = false;
    bool session_ = false;  // a connect completed and no disconnect has happened since
    bool disconnecting_ = false;
    bool busy_ = false;  // Connect runs, its questions and failure dialogs included
    bool reconnect_ = false;
    bool waiting_ = false;
    bool boardAway_ = false;    // while waiting: the board is not there
    int64_t silentServer_ = 0;  // while waiting: the first server that did not answer; -1 none
    std::unique_ptr<CServerWaiter> waiter_;
    bool ending_ = false;  // the instance is ending: answers from now on are nobody's
    bool readOnly_ = false;
    ISessionObserver* observer_ = nullptr;
    CardQuestion cardQuestion_ = CardQuestion::None;
    std::function<void(std::chrono::milliseconds)> sleeper_;
    std::function<bool(const std::u16string&)> onRename_;
};

}  // namespace orva
