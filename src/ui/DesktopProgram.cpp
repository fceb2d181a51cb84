#include "ui/DesktopProgram.h"

#include "platform/Paths.h"
#include "platform/Profile.h"
#include "ui/NotifyPump.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <cstdio>

namespace orva {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void CDesktopProgram::TakeStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void CDesktopProgram::KeepCNumbers() {
    std::setlocale(LC_NUMERIC, "C");
}

CDesktopProgram::CDesktopProgram()
    : window_(std::make_unique<COrvaPanelDlg>(prompt_, opener_)),
      core_(std::make_unique<COrvaPanelApp>()),
      // Draining from the start: the start-up's own question follows the boards as they come.
      pump_(std::make_unique<CNotifyPump>(core_->Notify())) {
    QApplication::setQuitOnLastWindowClosed(false);  // hidden in the tray is still running
    window_->SetBackend(core_->Backend());
    // exit, not quit: quit asks every window to close first, and the monitors would note
    // themselves closed (or refuse), while the window's end is the instance's end.
    connect(window_.get(), &QDialog::finished, this, [this] {
        if (running_) QCoreApplication::exit(0);
    });
    const sigset_t set = StopSignals();
    sigset_t blocked;
    pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    // Only when main took the signals: otherwise they keep their default action.
    if (sigismember(&blocked, SIGTERM) == 1) {
        signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        signals_ = new QSocketNotifier(signalFd_, QSocketNotifier::Read, this);
        connect(signals_, &QSocketNotifier::activated, this, [this] {
            signalfd_siginfo info{};
            while (::read(signalFd_, &info, sizeof(info)) == sizeof(info)) {
            }
            // Every loop ends, an open question's included: it then stores nothing, and a
            // start-up question takes its safe answer.
            stopRequested_ = true;
            if (core_->Started()) {
                core_->Controller().EndInstance();
            } else {
                window_->EndDialog();
            }
            QCoreApplication::exit(0);
        });
    }
}

CDesktopProgram::~CDesktopProgram() {
    // The last disconnect (BEFORE DISCONNECT events, outputs off, "Arn.Fin:") runs first, while
    // the window still shows it; then go, in turn, what points into the core (the monitors,
    // the pump on its queue), the core, and the window it reported to.
    if (core_->Started()) core_->Controller().Destroy();
    window_->Detach();
    pump_.reset();
    core_.reset();
    window_.reset();
    if (signalFd_ >= 0) ::close(signalFd_);
}

std::optional<int> CDesktopProgram::Start(const std::vector<std::u16string>& params) {
    FrontEnd frontEnd{prompt_, *window_, *window_, opener_};
    if (const auto code = core_->InitInstance(params, frontEnd)) return code;
    // What the print monitor keeps, in lines (0: everything), before its window is made.
    const int32_t maxLines = CProfile(AppProfileFile())
                                 .ReadInt(u"Monitor", u"MaxLines",
                                          static_cast<int32_t>(CPrintMonitor::kDefaultMaxLines));
    core_->Controller().Monitor().SetMaxLines(maxLines < 0 ? CPrintMonitor::kDefaultMaxLines
                                                           : static_cast<size_t>(maxLines));
    window_->Attach(core_->Controller());
    return std::nullopt;
}

int CDesktopProgram::Run() {
    // An AutoConnect runs from the loop, so AutoHide hides the window only after this.
    if (stopRequested_) {  // stopped during the start-up
        core_->Controller().Destroy();
        return 0;
    }
    // One line for whoever started us from a terminal or a service log.
    std::puts(COrvaPanelDlg::HasTray() ? "The tray icon is shown." : COrvaPanelDlg::kNoTrayNote);
    std::fflush(stdout);
    window_->show();
    // The I/O monitor opens again if it was open when the program last ended.
    if (CProfile(AppProfileFile()).ReadInt(u"Windows", u"IoMonitor", 0) == 1) {
        window_->ShowIoMonitor();
    }
    running_ = true;
    const int code = QApplication::exec();
    running_ = false;
    core_->Controller().Destroy();
    return code;
}

}  // namespace orva
