// The whole chain as processes: a switch change on the simulated board to the matching
// "Arn.Resp:" line at the test server, through the headless program and through the desktop
// program (its windows shown, the I/O monitor closed); and the headless program's idle CPU and
// peak memory.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BenchSimulators.h"
#include "BenchSupport.h"
#include "GuiEnv.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

using namespace orva;
using namespace std::chrono_literals;

namespace {

constexpr int kChanges = 5000;

// An instance whose switch script sends a counter on its own offset, so that each change's
// line at the server is told apart from any other run's.
void WriteSwitchInstance(const std::filesystem::path& folder, const std::string& name, int port,
                         int pin, int offset) {
    bench::WriteInstance(folder, name, port,
                         "<offset type=\"2\" name=\"SWITCH\" id=\"" + std::to_string(pin) +
                             "\" script=\"n = (n or 0) + 1 iocp.offset.value.set('P3D', " +
                             std::to_string(offset) + ", n)\"/>");
}

// One instance's switch and the offset its script sends, with the changes made so far.
struct Chain {
    int pin = 0;
    int offset = 0;
    int changes = 0;
    std::vector<double> ms;  // each change's report to its line at the server
};

// Flips the chain's switch once and times it; false when the line never came.
bool Change(test::SimProcess& board, test::SimProcess& server, Chain& chain) {
    const int n = ++chain.changes;
    board.Command("set " + std::to_string(chain.pin) + " " + std::to_string(n & 1));
    // The report's time is asked for after the line: asked before, the question and its
    // answer would run beside the chain they time.
    const std::string at =
        server.Command("wait-line-time Arn.Resp:" + std::to_string(chain.offset) + "=" +
                       std::to_string(n) + ": 3000");
    const int64_t written = std::stoll(board.Command("last-report-time"));
    if (at == "timeout") {
        std::fprintf(stderr, "change %d on pin %d never reached the server: %s | board %s\n", n,
                     chain.pin, server.Command("log").c_str(), board.Command("info").c_str());
        return false;
    }
    chain.ms.push_back(static_cast<double>(std::stoll(at) - written) / 1e6);
    return true;
}

}  // namespace

int main() {
    test::TempHome home;
    auto sims = bench::StartSimulators();
    if (!sims) return 1;
    auto& [board, server] = *sims;
    const auto folder = home.MakeUserFolder();
    WriteSwitchInstance(folder, "bench", server->Port(), 20, 330);
    test::Process panel(test::BinPath("orvapanel-headless"), {"/BENCH"}, {{"ORVA_WEB_HOST", ""}});
    if (!panel.WaitForLine("Current status: Connected.", 10s)) {
        std::fprintf(stderr, "the headless program did not connect\n");
        return 1;
    }
    // A bare round trip after each change: how fast a thread wakes depends on how busy the
    // machine just was, so the two are taken under the same conditions.
    Chain headless{20, 330, 0, {}};
    std::vector<double> rtts;
    bench::CLoopbackEcho echo;
    for (int i = 0; i < kChanges; ++i) {
        if (!Change(*board, *server, headless)) return 1;
        rtts.push_back(echo.RoundTripMicros() / 1000.0);
    }
    const double rttMs = bench::Quantile(rtts, 0.5);
    const double median = bench::Quantile(headless.ms, 0.5);
    const double p99 = bench::Quantile(headless.ms, 0.99);
    std::printf(
        "switch to Arn.Resp at the server: median %.3f ms, p99 %.3f ms; loopback round trip "
        "%.3f ms\n",
        median, p99, rttMs);
    bench::Figure("e2e_median_vs_rtt", median / rttMs, "x");
    bench::Figure("e2e_p99_ms", p99, "ms");

    const double before = bench::CpuSeconds(panel.Pid());
    std::this_thread::sleep_for(10s);
    const double idle = (bench::CpuSeconds(panel.Pid()) - before) / 10.0 * 100.0;
    std::printf("connected and idle for 10 s: %.2f %% of one core\n", idle);
    bench::Figure("idle_cpu_percent", idle, "%");
    bench::Figure("headless_rss_mb", bench::PeakRssMb(panel.Pid()), "MB");

    // The same chain through the desktop program, when it is built, beside the headless one on
    // a switch of its own: the changes alternate between the two, so both see the same machine.
    if (std::filesystem::exists(test::BinPath("orvapanel"))) {
        std::unique_ptr<test::Process> xserver;
        bench::Env env = bench::GuiDisplayEnv(xserver);
        WriteSwitchInstance(folder, "benchgui", server->Port(), 21, 331);
        test::Process gui(test::BinPath("orvapanel"), {"/BENCHGUI"}, env);
        if (server->Command("wait-clients 2 15000") != "ok") {
            std::fprintf(stderr, "the desktop program did not connect\n");
            return 1;
        }
        Chain turnHeadless{20, 330, headless.changes, {}};
        Chain desktop{21, 331, 0, {}};
        for (int i = 0; i < kChanges; ++i) {
            if (!Change(*board, *server, turnHeadless) || !Change(*board, *server, desktop))
                return 1;
        }
        const double headlessMedian = bench::Quantile(turnHeadless.ms, 0.5);
        const double guiMedian = bench::Quantile(desktop.ms, 0.5);
        std::printf(
            "changes taken in turn: headless median %.3f ms, desktop program (I/O monitor "
            "closed) median %.3f ms\n",
            headlessMedian, guiMedian);
        bench::Figure("io_monitor_closed_overhead", guiMedian / headlessMedian, "x");
        gui.Signal(SIGTERM);
        gui.Wait();
    }
    panel.Signal(SIGTERM);
    panel.Wait();
    return 0;
}
