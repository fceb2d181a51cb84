// The print monitor's cost per print as the output grows: one-line prints into the real window
// (offscreen) after 200 000 printed lines against the same prints into an empty window, beside
// the same ratio for a display that is replaced whole on every print.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "core/PrintMonitor.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "ui/DebugMonitor.h"
#include "ui/text/MonitorText.h"

using namespace orva;

namespace {

constexpr int kAppends = 1000;
constexpr int kBacklog = 200000;

int printed = 0;

std::u16string NextLine() {
    const int n = printed++;
    return Format(u"line %d: altitude=%d heading=%d\r\n", n, n * 7 % 40000, n % 360);
}

// kAppends one-line prints; painted: the event loop runs after each print, as when every print
// comes from its own notification, else once at the end.
void Prints(CPrintMonitor& monitor, bool painted) {
    for (int i = 0; i < kAppends; ++i) {
        monitor.Append(NextLine());
        if (painted) QApplication::processEvents();
    }
    QApplication::processEvents();
}

void FillBacklog(CPrintMonitor& monitor) {
    monitor.SetPaused(true);
    for (int i = 0; i < kBacklog; ++i) monitor.Append(NextLine());
    monitor.SetPaused(false);
    QApplication::processEvents();
}

// Best time of kAppends prints into an empty window and after the backlog; returns the ratio.
double Growth(CPrintMonitor& empty, CPrintMonitor& full, bool painted, const char* what) {
    double emptySeconds = 1e300, fullSeconds = 1e300;
    for (int round = 0; round < 5; ++round) {
        empty.Clear();
        QApplication::processEvents();
        emptySeconds =
            std::min(emptySeconds, bench::BestSeconds(1, [&] { Prints(empty, painted); }));
        fullSeconds = std::min(fullSeconds, bench::BestSeconds(1, [&] { Prints(full, painted); }));
    }
    std::printf("%s: %.2f us per print into an empty window, %.2f us after %d lines\n", what,
                emptySeconds / kAppends * 1e6, fullSeconds / kAppends * 1e6, kBacklog);
    return fullSeconds / emptySeconds;
}

// The display replaced whole on every print, on the same kind of widget.
class CWholeTextView final : public IPrintMonitorView {
public:
    CWholeTextView(const QPlainTextEdit& like, const CPrintMonitor& monitor) : monitor_(monitor) {
        display_.setReadOnly(true);
        display_.setUndoRedoEnabled(false);
        display_.setFont(like.font());
        display_.setPalette(like.palette());
        display_.resize(720, 400);
    }
    bool IsShown() const override { return display_.isVisible(); }
    void Show() override { display_.show(); }
    void Changed(std::u16string_view) override {
        display_.setPlainText(QString::fromStdU16String(MonitorDisplayText(monitor_.Content())));
        display_.verticalScrollBar()->setValue(display_.verticalScrollBar()->maximum());
    }

private:
    const CPrintMonitor& monitor_;
    QPlainTextEdit display_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CRecordingPrompt prompt;

    CPrintMonitor empty, full;
    CDebugMonitor emptyWindow(empty, prompt);
    CDebugMonitor fullWindow(full, prompt);
    emptyWindow.Show();
    fullWindow.Show();
    FillBacklog(full);

    const double growth = Growth(empty, full, false, "appended");
    const double paintedGrowth = Growth(empty, full, true, "appended, painted after each");

    // The whole-text refresh: a few prints after the backlog are enough to see its slope.
    CPrintMonitor wholeEmpty, wholeFull;
    CWholeTextView wholeEmptyView(*emptyWindow.Display(), wholeEmpty);
    CWholeTextView wholeFullView(*emptyWindow.Display(), wholeFull);
    wholeEmpty.SetView(&wholeEmptyView);
    wholeFull.SetView(&wholeFullView);
    wholeEmptyView.Show();
    wholeFullView.Show();
    FillBacklog(wholeFull);
    constexpr int kWholePrints = 5;
    const double wholeEmptySeconds = bench::BestSeconds(3, [&] {
        wholeEmpty.Clear();
        Prints(wholeEmpty, false);
    });
    const double wholeFullSeconds = bench::BestSeconds(2, [&] {
        for (int i = 0; i < kWholePrints; ++i) wholeFull.Append(NextLine());
        QApplication::processEvents();
    });
    const double wholeGrowth = wholeFullSeconds / kWholePrints / (wholeEmptySeconds / kAppends);
    std::printf("replaced whole: %.2f us per print into an empty window, %.0f us after %d lines\n",
                wholeEmptySeconds / kAppends * 1e6, wholeFullSeconds / kWholePrints * 1e6,
                kBacklog);

    bench::Figure("monitor_append_growth", std::max(growth, paintedGrowth), "x");
    bench::Figure("monitor_append_growth_unpainted", growth, "x");
    bench::Figure("monitor_append_growth_painted", paintedGrowth, "x");
    bench::Figure("monitor_whole_refresh_growth", wholeGrowth, "x");
    return 0;
}
