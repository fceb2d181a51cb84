// The main window: the status of the link, the configuration buttons, connect and disconnect,
// the tray icon and the program's menu. The controller decides; this shows and asks.
#pragma once

#include <QDialog>
#include <memory>

#include "app/ConnectionController.h"
#include "scripting/NamesList.h"

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;

namespace orva {

class CDebugMonitor;
class CIoMonitor;
class CTrayIcon;
class IShellOpener;

class COrvaPanelDlg final : public QDialog, public IControllerView, public IControllerDialogs {
    Q_OBJECT

public:
    COrvaPanelDlg(IUserPrompt& prompt, IShellOpener& opener, QWidget* parent = nullptr);
    ~COrvaPanelDlg() override;

    // After start-up: the controller to drive.
    void Attach(CConnectionController& controller);
    // Lets go of the controller and of the windows that point into it (the print monitor and
    // the I/O monitor); the program does this before the controller is destroyed.
    void Detach();
    // The boards the card tools open; given before start-up, whose questions may open them.
    void SetBackend(IHidBackend& backend) { backend_ = &backend; }

    void ShowStatus(const StatusInfo& status) override;
    bool IsWindowVisible() const override;
    void SetWindowVisible(bool visible) override;
    void SetTitle(const std::u16string& title) override;
    void SetConfigButtonsEnabled(bool enabled) override;
    void SetConnectCaption(const std::u16string& caption) override;
    void SetOptionChecks(bool autoConnect, bool autoHide) override;
    void EndDialog() override;

    bool SelectCard(CardChoice& choice) override;
    bool EditServers(ServerList& servers) override;
    bool EditEvents(CEventTable& table, const CEventTypeNames& typeNames) override;

    // The Exit button, the tray's Exit and a stop signal: the instance ends.
    void ExitProgram();
    void OpenHelp();
    void ShowAbout();
    void ShowMonitor();
    void ShowIoMonitor();
    void ShowPinCalculator();
    // "Restore a previous version...", only while disconnected.
    void RestoreBackup();

    CDebugMonitor* Monitor() const { return monitor_.get(); }
    CIoMonitor* IoMonitor() const { return ioMonitor_.get(); }
    CTrayIcon* Tray() const { return tray_; }
    // Without a tray the window is minimised where it would be hidden.
    static bool HasTray();
    static constexpr const char* kNoTrayNote =
        "This desktop has no system tray: the window is minimised where it would be hidden.";

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void ToggleWindow();
    void AskExit();

    IUserPrompt& prompt_;
    IShellOpener& opener_;
    CConnectionController* controller_ = nullptr;
    IHidBackend* backend_ = nullptr;
    QAction* calculator_ = nullptr;
    QAction* autostart_ = nullptr;
    QAction* restore_ = nullptr;
    std::unique_ptr<CDebugMonitor> monitor_;
    std::unique_ptr<CIoMonitor> ioMonitor_;
    CNamesList names_;  // the editor's completion and colours, refreshed by the events list
    CTrayIcon* tray_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* orvaConfig_ = nullptr;
    QPushButton* eventsConfig_ = nullptr;
    QPushButton* iocpConfig_ = nullptr;
    QCheckBox* autoConnect_ = nullptr;
    QCheckBox* autoHide_ = nullptr;
    QCheckBox* reconnect_ = nullptr;
    QPushButton* connect_ = nullptr;
    bool waitCursor_ = false;
    bool configEnabled_ = true;
};

}  // namespace orva
