// Input reports through the whole chain as processes: the simulated board toggles a switch as
// fast as the headless program takes the reports, a script counts them, and the count reaches
// the test server. The sustained rate against the 1 000 reports a second of a full-speed USB
// board.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "BenchSimulators.h"
#include "BenchSupport.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

using namespace orva;
using namespace std::chrono_literals;

namespace {

constexpr long long kToggles = 100000;
constexpr int kRuns = 3;
constexpr double kFullSpeedBoard = 1000.0;  // one report per 1 ms frame

int64_t NowNs() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

}  // namespace

int main() {
    test::TempHome home;
    auto sims = bench::StartSimulators();
    if (!sims) return 1;
    auto& [board, server] = *sims;
    bench::WriteInstance(home.MakeUserFolder(), "bench", server->Port(),
                         "<offset type=\"0\" name=\"START\" id=\"0\" script=\"n = 0\"/>"
                         "<offset type=\"2\" name=\"COUNTED\" id=\"20\" script=\"n = n + 1\"/>"
                         "<offset type=\"2\" name=\"TELL\" id=\"21\" "
                         "script=\"iocp.offset.value.set('P3D', 100 + Value, n)\"/>");
    test::Process panel(test::BinPath("orvapanel-headless"), {"/BENCH"}, {{"ORVA_WEB_HOST", ""}});
    if (!panel.WaitForLine("Current status: Connected.", 10s)) {
        std::fprintf(stderr, "the headless program did not connect\n");
        return 1;
    }
    double best = 0;
    for (int run = 1; run <= kRuns; ++run) {
        const int64_t start = NowNs();
        board->Command("burst 20 " + std::to_string(kToggles));
        const int level = run & 1;  // each run's count goes to an offset of its own
        board->Command("set 21 " + std::to_string(level));
        const std::string counted = std::to_string(kToggles * run);
        const std::string at = server->Command(
            "wait-line-time Arn.Resp:" + std::to_string(100 + level) + "=" + counted + ": 120000");
        if (at == "timeout") {
            std::fprintf(stderr, "run %d: the count never reached %s: %s\n", run, counted.c_str(),
                         server->Command("get " + std::to_string(100 + level)).c_str());
            return 1;
        }
        const double rate =
            static_cast<double>(kToggles) / (static_cast<double>(std::stoll(at) - start) / 1e9);
        std::printf("run %d: %lld toggles counted at %.0f reports a second\n", run, kToggles, rate);
        if (rate > best) best = rate;
    }
    std::printf("best of %d: %.0f reports a second, %.1f times a full-speed USB board\n", kRuns,
                best, best / kFullSpeedBoard);
    bench::Figure("input_reports_per_s", best, "1/s");
    bench::Figure("input_rate_vs_usb_board", best / kFullSpeedBoard, "x");
    panel.Signal(SIGTERM);
    return panel.Wait() == 0 ? 0 : 1;
}
