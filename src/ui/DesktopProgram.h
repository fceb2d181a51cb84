// The desktop program as one object: the window-free start-up, the main window over it, and
// the stop signals. main() and the window tests use it alike.
#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/OrvaPanelApp.h"
#include "ui/OrvaPanelDlg.h"
#include "ui/QtShellOpener.h"
#include "ui/QtUserPrompt.h"

class QSocketNotifier;

namespace orva {

class CNotifyPump;

class CDesktopProgram final : public QObject {
    Q_OBJECT

public:
    // Blocks SIGINT and SIGTERM for every thread started from now on: they are read by the
    // event loop instead, so a stop always runs the full disconnect. Call first thing in main.
    static void TakeStopSignals();
    // Numbers are read and printed with a point whatever the user's locale: the application
    // object adopts the environment's locale, which would turn 1.5 into "1,5" for the scripts.
    static void KeepCNumbers();

    CDesktopProgram();
    ~CDesktopProgram() override;

    // Start-up up to the ready window; an exit code when the instance must not run.
    std::optional<int> Start(const std::vector<std::u16string>& params);
    // Shows the window and runs until the instance ends; the exit code.
    int Run();

    COrvaPanelDlg& Window() { return *window_; }
    COrvaPanelApp& Core() { return *core_; }
    CConnectionController& Controller() { return core_->Controller(); }

private:
    // Destroyed in an order of their own (see the destructor): the window's monitors point
    // into the core, the pump drains the core's queue, and the core's last disconnect still
    // reports to the window.
    CQtUserPrompt prompt_;
    CQtShellOpener opener_;
    std::unique_ptr<COrvaPanelDlg> window_;
    std::unique_ptr<COrvaPanelApp> core_;
    std::unique_ptr<CNotifyPump> pump_;
    int signalFd_ = -1;
    QSocketNotifier* signals_ = nullptr;
    bool running_ = false;  // the event loop runs: the window's end may quit it
    bool stopRequested_ = false;
};

}  // namespace orva
