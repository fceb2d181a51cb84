#include "ui/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace orva {

CTrayIcon::CTrayIcon(Actions actions, QObject* parent)
    : QObject(parent),
      actions_(std::move(actions)),
      icon_(new QSystemTrayIcon(this)),
      menu_(new QMenu),
      rightClick_(new QTimer(this)) {
    connectAction_ = menu_->addAction(QStringLiteral("Connect"));
    showAction_ = menu_->addAction(QStringLiteral("Hide"));
    QAction* ioAction = menu_->addAction(QStringLiteral("I/O Monitor"));
    menu_->addSeparator();
    QAction* exitAction = menu_->addAction(QStringLiteral("Exit"));
    connect(connectAction_, &QAction::triggered, this, [this] { actions_.toggleConnection(); });
    connect(showAction_, &QAction::triggered, this, [this] { actions_.toggleWindow(); });
    connect(ioAction, &QAction::triggered, this, [this] { actions_.ioMonitor(); });
    connect(exitAction, &QAction::triggered, this, [this] { actions_.exit(); });

    // The menu is ours to pop up, not the tray's: a second right click within the double-click
    // time asks to exit instead.
    rightClick_->setSingleShot(true);
    connect(rightClick_, &QTimer::timeout, this, [this] { menu_->popup(QCursor::pos()); });
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) actions_.showWindow();
                if (reason == QSystemTrayIcon::Context) OnContextClick();
            });
    icon_->setIcon(QIcon(QStringLiteral(":/icons/tray-disconnected.svg")));
    icon_->show();
}

CTrayIcon::~CTrayIcon() {
    icon_->hide();
    delete menu_;
}

bool CTrayIcon::Available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::OnContextClick() {
    if (rightClick_->isActive()) {
        rightClick_->stop();
        actions_.askExit();
        return;
    }
    rightClick_->start(QApplication::doubleClickInterval());
}

void CTrayIcon::Update(const StatusInfo& status) {
    icon_->setIcon(QIcon(status.trayIcon == 130 ? QStringLiteral(":/icons/tray-connected.svg")
                                                : QStringLiteral(":/icons/tray-disconnected.svg")));
    icon_->setToolTip(QString::fromStdU16String(status.trayTip));
    connectAction_->setText(QString::fromStdU16String(status.trayConnectText));
    connectAction_->setEnabled(!status.busy);
    showAction_->setText(QString::fromStdU16String(status.trayShowText));
}

}  // namespace orva
