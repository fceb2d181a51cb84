// The instance's tray icon: the link's state at a glance, and the menu that reaches the window
// while it is hidden.
#pragma once

#include <QObject>
#include <functional>

#include "app/ConnectionController.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace orva {

class CTrayIcon final : public QObject {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> toggleConnection;  // "Connect" / "Disconnect"
        std::function<void()> toggleWindow;      // "Show" / "Hide"
        std::function<void()> ioMonitor;         // "I/O Monitor"
        std::function<void()> exit;              // "Exit"
        std::function<void()> showWindow;        // a double click
        std::function<void()> askExit;           // a double click of the right button
    };

    CTrayIcon(Actions actions, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Whether the desktop has a tray to show the icon in now.
    static bool Available();
    void Update(const StatusInfo& status);
    QMenu* Menu() const { return menu_; }
    QSystemTrayIcon* Icon() const { return icon_; }

private:
    void OnContextClick();

    Actions actions_;
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* connectAction_ = nullptr;
    QAction* showAction_ = nullptr;
    QTimer* rightClick_ = nullptr;
};

}  // namespace orva
