#include "MonitorStates.h"

#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>

#include "BenchSupport.h"
#include "PrintFlood.h"
#include "ui/DebugMonitor.h"
#include "ui/DesktopProgram.h"

namespace orva::bench {
namespace {

constexpr long long kInputs = 100000;
constexpr int kRepeats = 2;

struct MonitorState {
    const char* name;
    const char* figure;
    bool closed;  // closed by the user: the flood's first print brings it up again
    bool paused;
};
constexpr MonitorState kStates[] = {
    {"shown", "print_us_monitor_shown", false, false},
    {"closed", "print_us_monitor_hidden", true, false},
    {"paused", "print_us_monitor_paused", false, true},
};

void OnGuiThread(const std::function<void()>& fn) {
    QMetaObject::invokeMethod(qApp, fn, Qt::BlockingQueuedConnection);
}

// Best seconds of kRepeats floods on pin, the monitor put into state before each.
double BestFlood(CFlood& flood, int pin, CDebugMonitor& monitor, const MonitorState& state) {
    double best = 1e300;
    for (int i = 0; i < kRepeats; ++i) {
        OnGuiThread([&] {
            monitor.findChild<QAction*>("pause")->setChecked(state.paused);
            if (state.closed) {
                monitor.close();
            } else {
                monitor.Show();
            }
        });
        const double s = flood.Feed(pin, kInputs);
        if (s < 0) return -1;
        best = std::min(best, s);
    }
    return best;
}

bool Drive(Simulators& sims, int base, CDebugMonitor& monitor) {
    CFlood flood(sims, base);
    if (!flood.WaitReady() || flood.Feed(kPrintPin, 1000) < 0 || flood.Feed(kSilentPin, 1000) < 0)
        return false;
    for (const MonitorState& state : kStates) {
        // Silent inputs beside each state's printing ones, so that both see the same machine.
        const double printing = BestFlood(flood, kPrintPin, monitor, state);
        const double silent = BestFlood(flood, kSilentPin, monitor, state);
        if (printing < 0 || silent < 0) return false;
        const double perPrint = (printing - silent) / kInputs * 1e6;
        std::printf(
            "desktop program, print monitor %s: %.2f us per printing input, %.2f us per silent "
            "one: %.2f us per print\n",
            state.name, printing / kInputs * 1e6, silent / kInputs * 1e6, perPrint);
        Figure(state.figure, perPrint, "us");
    }
    OnGuiThread([&] { monitor.findChild<QAction*>("pause")->setChecked(false); });
    return true;
}

}  // namespace

bool MeasureMonitorStates(int argc, char** argv, const Env& display, Simulators& sims, int base) {
    for (const auto& [name, value] : display) ::setenv(name.c_str(), value.c_str(), 1);
    ::setenv("QT_NO_GLIB", "1", 1);  // as the desktop program runs
    QApplication app(argc, argv);
    CDesktopProgram::KeepCNumbers();
    CDesktopProgram program;
    if (program.Start({u"/FLOOD"})) return false;
    CDebugMonitor* monitor = program.Window().Monitor();
    if (!monitor) return false;
    bool ok = false;
    std::thread driver([&] {
        ok = Drive(sims, base, *monitor);
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    program.Run();
    driver.join();
    return ok;
}

}  // namespace orva::bench
