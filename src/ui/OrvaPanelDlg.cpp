#include "ui/OrvaPanelDlg.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Autostart.h"
#include "app/HelpPages.h"
#include "app/OrvaPanelApp.h"
#include "app/UpdateCheck.h"
#include "platform/Paths.h"
#include "ui/AboutDlg.h"
#include "ui/Buttons.h"
#include "ui/CalcPinIdDlg.h"
#include "ui/DebugMonitor.h"
#include "ui/EditorServices.h"
#include "ui/EventsListDlg.h"
#include "ui/IoMonitor.h"
#include "ui/IocpConfig.h"
#include "ui/OrvaConfigDlg.h"
#include "ui/RestoreDlg.h"
#include "ui/SessionRecording.h"
#include "ui/TrayIcon.h"

namespace orva {
namespace {

QString Text(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// A button's caption with its mnemonic: the first letter.
QString WithMnemonic(const std::u16string& caption) {
    return QStringLiteral("&") + Text(caption);
}

}  // namespace

COrvaPanelDlg::COrvaPanelDlg(IUserPrompt& prompt, IShellOpener& opener, QWidget* parent)
    : QDialog(parent), prompt_(prompt), opener_(opener) {
    setWindowIcon(QIcon(QStringLiteral(":/icons/orvapanel.svg")));
    BuildWindow();
    tray_ = new CTrayIcon(
        {[this] {
             if (controller_) controller_->ToggleConnection();
         },
         [this] { ToggleWindow(); }, [this] { ShowIoMonitor(); }, [this] { ExitProgram(); },
         [this] { SetWindowVisible(true); }, [this] { AskExit(); }},
        this);
    qApp->installEventFilter(this);
}

COrvaPanelDlg::~COrvaPanelDlg() {
    qApp->removeEventFilter(this);
}

void COrvaPanelDlg::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    auto* menuBar = new QMenuBar(this);
    QMenu* program = menuBar->addMenu(QStringLiteral("&Program"));
    program->addAction(QStringLiteral("Show print &monitor"), QKeySequence(Qt::CTRL | Qt::Key_M),
                       this, [this] { ShowMonitor(); });
    program->addAction(QStringLiteral("&I/O monitor"), QKeySequence(Qt::CTRL | Qt::Key_I), this,
                       [this] { ShowIoMonitor(); });
    calculator_ = program->addAction(QStringLiteral("&Calculate I/O pin ID..."), this,
                                     [this] { ShowPinCalculator(); });
    new CSessionRecording(program, prompt_, this);
    restore_ = program->addAction(QStringLiteral("Restore a &previous version..."), this,
                                  [this] { RestoreBackup(); });
    restore_->setObjectName(QStringLiteral("restoreBackup"));
    program->addSeparator();
    autostart_ = program->addAction(QStringLiteral("&Start with my desktop session"));
    autostart_->setCheckable(true);
    connect(autostart_, &QAction::toggled, this, [this](bool on) {
        if (!controller_) return;
        const auto program = COrvaPanelApp::ProgramFolder() / "orvapanel";
        if (!SetAutostart(controller_->InstanceName(), on, program)) {
            prompt_.ShowMessage(u"The desktop session's start list could not be changed:\r\n" +
                                    PathText(AutostartFile(controller_->InstanceName())),
                                u"Start with my desktop session", PromptIcon::Warning);
            const QSignalBlocker block(autostart_);
            autostart_->setChecked(IsAutostartOn(controller_->InstanceName()));
        }
    });
    program->addSeparator();
    program->addAction(QStringLiteral("&About OrvaPanel..."), this, [this] { ShowAbout(); });
    QAction* help =
        program->addAction(QStringLiteral("Go OnLine &Help"), this, [this] { OpenHelp(); });
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetShortcut);  // F1 itself is handled everywhere, below
    program->addSeparator();
    program->addAction(QStringLiteral("E&xit"), this, [this] { ExitProgram(); });
    layout->setMenuBar(menuBar);

    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/orvapanel.svg")).pixmap(40, 40));
    head->addWidget(icon);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    QFont bold = status_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    status_->setFont(bold);
    head->addWidget(status_, 1);
    layout->addLayout(head);

    auto* configGroup = new QGroupBox(QStringLiteral("Configuration"), this);
    auto* config = new QHBoxLayout(configGroup);
    orvaConfig_ = new QPushButton(QStringLiteral("&Orva Config"), this);
    orvaConfig_->setObjectName(QStringLiteral("orvaConfig"));
    eventsConfig_ = new QPushButton(QStringLiteral("&Events Config"), this);
    eventsConfig_->setObjectName(QStringLiteral("eventsConfig"));
    iocpConfig_ = new QPushButton(QStringLiteral("&IOCP Config"), this);
    iocpConfig_->setObjectName(QStringLiteral("iocpConfig"));
    for (QPushButton* b : {orvaConfig_, eventsConfig_, iocpConfig_}) {
        b->setAutoDefault(false);
        config->addWidget(b);
    }
    layout->addWidget(configGroup);
    connect(orvaConfig_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->SelectCard();
    });
    connect(eventsConfig_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->EditEvents();
    });
    connect(iocpConfig_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->EditServers();
    });

    autoConnect_ = new QCheckBox(QStringLiteral("&Auto connect"), this);
    autoConnect_->setObjectName(QStringLiteral("autoConnect"));
    autoHide_ = new QCheckBox(QStringLiteral("Auto &hide after a successful connection"), this);
    autoHide_->setObjectName(QStringLiteral("autoHide"));
    reconnect_ = new QCheckBox(
        QStringLiteral("&Reconnect when the simulator or the board comes back"), this);
    reconnect_->setObjectName(QStringLiteral("autoReconnect"));
    auto* optionsGroup = new QGroupBox(QStringLiteral("Options"), this);
    auto* options = new QVBoxLayout(optionsGroup);
    options->addWidget(autoConnect_);
    options->addWidget(autoHide_);
    options->addWidget(reconnect_);
    layout->addWidget(optionsGroup);
    // Each change is written at once.
    connect(autoConnect_, &QCheckBox::toggled, this, [this](bool on) {
        if (controller_) controller_->SetAutoConnect(on);
    });
    connect(autoHide_, &QCheckBox::toggled, this, [this](bool on) {
        if (controller_) controller_->SetAutoHide(on);
    });
    connect(reconnect_, &QCheckBox::toggled, this, [this](bool on) {
        if (controller_) controller_->SetAutoReconnect(on);
    });

    auto* bottom = new QHBoxLayout;
    connect_ = MakeButton(QStringLiteral("&Connect"), "connect", this, true);
    auto* exit = new QPushButton(QStringLiteral("E&xit"), this);
    exit->setObjectName(QStringLiteral("exit"));
    exit->setAutoDefault(false);
    bottom->addStretch(1);
    bottom->addWidget(connect_);
    bottom->addWidget(exit);
    layout->addLayout(bottom);
    connect(connect_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->ToggleConnection();
    });
    connect(exit, &QPushButton::clicked, this, [this] { ExitProgram(); });
    SetConfigButtonsEnabled(true);
}

void COrvaPanelDlg::Attach(CConnectionController& controller) {
    controller_ = &controller;
    monitor_ = std::make_unique<CDebugMonitor>(controller.Monitor(), prompt_);
    if (backend_) ioMonitor_ = std::make_unique<CIoMonitor>(controller, *backend_);
    findChild<CSessionRecording*>()->Attach(controller);
    if (!HasTray()) status_->setToolTip(QString::fromUtf8(kNoTrayNote));
    {
        const QSignalBlocker block(reconnect_);
        reconnect_->setChecked(controller.AutoReconnect());
    }
    const QSignalBlocker block(autostart_);
    autostart_->setChecked(IsAutostartOn(controller.InstanceName()));
    controller.RefreshStatus();
}

void COrvaPanelDlg::Detach() {
    ioMonitor_.reset();
    monitor_.reset();
    controller_ = nullptr;
}

bool COrvaPanelDlg::HasTray() {
    return CTrayIcon::Available();
}

void COrvaPanelDlg::ShowStatus(const StatusInfo& status) {
    status_->setText(Text(status.text));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(status.colour));
    status_->setPalette(palette);
    // Within a connect's questions another connect must not start.
    connect_->setEnabled(!status.busy);
    tray_->Update(status);
    if (ioMonitor_) ioMonitor_->UpdateSource();
    // The connect blocks this thread; the cursor says so meanwhile.
    if (status.connecting && !waitCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursor_ = true;
    } else if (!status.connecting && waitCursor_) {
        QApplication::restoreOverrideCursor();
        waitCursor_ = false;
    }
    status_->repaint();
}

bool COrvaPanelDlg::IsWindowVisible() const {
    return isVisible() && !isMinimized();
}

void COrvaPanelDlg::SetWindowVisible(bool visible) {
    if (visible) {
        showNormal();
        raise();
        activateWindow();
    } else if (HasTray()) {
        hide();
    } else {
        // Never leave a running instance without a window or a tray icon.
        status_->setToolTip(QString::fromUtf8(kNoTrayNote));
        showMinimized();
    }
}

void COrvaPanelDlg::SetTitle(const std::u16string& title) {
    setWindowTitle(Text(title));
}

void COrvaPanelDlg::SetConfigButtonsEnabled(bool enabled) {
    configEnabled_ = enabled;
    orvaConfig_->setEnabled(enabled);
    iocpConfig_->setEnabled(enabled);
    eventsConfig_->setEnabled(enabled);
    // The tools open a board object of their own: only while the connection holds none.
    calculator_->setEnabled(enabled);
    // A restore while connected would be saved over or half used.
    restore_->setEnabled(enabled);
}

void COrvaPanelDlg::SetConnectCaption(const std::u16string& caption) {
    connect_->setText(WithMnemonic(caption));
}

void COrvaPanelDlg::SetOptionChecks(bool autoConnect, bool autoHide) {
    const QSignalBlocker blockConnect(autoConnect_);
    const QSignalBlocker blockHide(autoHide_);
    autoConnect_->setChecked(autoConnect);
    autoHide_->setChecked(autoHide);
}

void COrvaPanelDlg::EndDialog() {
    done(QDialog::Rejected);
}

bool COrvaPanelDlg::SelectCard(CardChoice& choice) {
    if (!backend_) return false;
    COrvaConfigDlg dialog(*backend_, choice, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.Choice();
    return true;
}

bool COrvaPanelDlg::EditServers(ServerList& servers) {
    CIocpConfig dialog(servers, prompt_, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    servers = dialog.Servers();
    return true;
}

bool COrvaPanelDlg::EditEvents(CEventTable& table, const CEventTypeNames& typeNames) {
    if (!controller_) return false;
    const CConfiguration& config = controller_->Configuration();
    // A test run prints to the monitor and knows the events, but reaches no board and no link.
    ScriptServices testRun{&table, &controller_->Configuration().servers, &controller_->Monitor(),
                           nullptr, nullptr};
    EditorServices services{prompt_, backend_, config.cardSerial, config.senseVcc, names_, testRun};
    return CEventsListDlg::EditEvents(table, typeNames, services, this);
}

void COrvaPanelDlg::ExitProgram() {
    // Through the controller, so a question open meanwhile stores nothing.
    if (controller_) {
        controller_->EndInstance();
    } else {
        done(QDialog::Rejected);
    }
}

void COrvaPanelDlg::AskExit() {
    if (prompt_.AskQuestion(u"Exit?", u"Ask", PromptButtons::YesNo) == PromptAnswer::Yes) {
        ExitProgram();
    }
}

void COrvaPanelDlg::ToggleWindow() {
    SetWindowVisible(!IsWindowVisible());
    if (controller_) controller_->RefreshStatus();
}

void COrvaPanelDlg::OpenHelp() {
    const std::u16string address = CHelpPages::Shared().HelpAddress(
        WebHost(), kProductKey, ManualFolder(COrvaPanelApp::ProgramFolder()));
    if (!address.empty()) opener_.Open(address);
}

void COrvaPanelDlg::ShowAbout() {
    if (!controller_) return;
    CAboutDlg about(controller_->InstanceName(), controller_->Configuration().Folder(), opener_,
                    this);
    about.exec();
}

void COrvaPanelDlg::ShowMonitor() {
    if (!monitor_) return;
    monitor_->Show();
    monitor_->raise();
    monitor_->activateWindow();
}

void COrvaPanelDlg::ShowIoMonitor() {
    if (!ioMonitor_) return;
    ioMonitor_->show();
    ioMonitor_->raise();
    ioMonitor_->activateWindow();
}

void COrvaPanelDlg::ShowPinCalculator() {
    if (!backend_ || !controller_ || controller_->HasSession()) return;
    CCalcPinIdDlg calculator(*backend_, controller_->Configuration().cardSerial, this);
    calculator.exec();
}

void COrvaPanelDlg::RestoreBackup() {
    if (!controller_ || controller_->HasSession()) return;
    CRestoreDlg dialog(*controller_, *this, prompt_, this);
    dialog.exec();
}

void COrvaPanelDlg::closeEvent(QCloseEvent* event) {
    // The controller decides: hidden while connected, the end otherwise.
    event->ignore();
    if (controller_) {
        controller_->CloseWindow();
    } else {
        done(QDialog::Rejected);
    }
}

// The tray menu's "Show"/"Hide" follows the window however it came or went.
void COrvaPanelDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (controller_) controller_->RefreshStatus();
}

void COrvaPanelDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (controller_) controller_->RefreshStatus();
}

void COrvaPanelDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && controller_) controller_->RefreshStatus();
}

void COrvaPanelDlg::reject() {
    // Esc must not end a cockpit's link by accident: it does what the close box does.
    if (controller_) {
        controller_->CloseWindow();
    } else {
        QDialog::reject();
    }
}

bool COrvaPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            OpenHelp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace orva
