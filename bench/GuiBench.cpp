// The desktop program as a process, connected to the simulators with its window shown: its CPU
// while idle and its peak memory against a bare Qt window on the same display.
#include <signal.h>

#include <cstdio>
#include <thread>

#include "BenchSimulators.h"
#include "BenchSupport.h"
#include "GuiEnv.h"
#include "platform/Paths.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

using namespace orva;
using namespace std::chrono_literals;

int main() {
    test::TempHome home;
    std::unique_ptr<test::Process> xserver;
    auto env = bench::GuiDisplayEnv(xserver);
    auto sims = bench::StartSimulators();
    if (!sims) return 1;
    auto& [board, server] = *sims;
    const auto folder = home.MakeUserFolder();
    bench::WriteInstance(folder, "bench", server->Port(),
                         "<offset type=\"0\" name=\"HELLO\" id=\"0\" "
                         "script=\"print('connected')\"/>");
    test::Process panel(test::BinPath("orvapanel"), {"/BENCH"}, env);
    if (server->Command("wait-clients 1 15000") != "ok") {
        std::fprintf(stderr, "the desktop program did not connect\n");
        return 1;
    }
    std::this_thread::sleep_for(1s);  // the window and the print monitor settle
    const double before = bench::CpuSeconds(panel.Pid());
    std::this_thread::sleep_for(10s);
    const double idle = (bench::CpuSeconds(panel.Pid()) - before) / 10.0 * 100.0;
    std::printf("connected, window shown, idle for 10 s: %.2f %% of one core\n", idle);
    bench::Figure("gui_idle_cpu_percent", idle, "%");

    test::Process bare(std::string(ORVA_BUILD_DIR) + "/bench/barewindow", {}, env);
    if (!bare.WaitForLine("shown", 15s)) {
        std::fprintf(stderr, "the bare window did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(1s);
    const double panelMb = bench::PeakRssMb(panel.Pid());
    const double bareMb = bench::PeakRssMb(bare.Pid());
    std::printf("peak memory: orvapanel %.1f MB, bare Qt window %.1f MB\n", panelMb, bareMb);
    bench::Figure("gui_rss_vs_bare_qt", panelMb / bareMb, "x");
    bench::Figure("gui_rss_mb", panelMb, "MB");
    panel.Signal(SIGTERM);
    panel.Wait();

    // The I/O monitor shown (it opens again as it was left), the board's switch toggling a
    // hundred times a second.
    test::WriteBytes(AppProfileFile(), "[Windows]\nIoMonitor=1\n");
    test::Process watched(test::BinPath("orvapanel"), {"/BENCH"}, env);
    if (server->Command("wait-clients 1 15000") != "ok") {
        std::fprintf(stderr, "the desktop program did not connect again\n");
        return 1;
    }
    std::this_thread::sleep_for(1s);
    const double start = bench::CpuSeconds(watched.Pid());
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) {
        board->Command("toggle 20");
        next += 10ms;
        std::this_thread::sleep_until(next);
    }
    const double busy = (bench::CpuSeconds(watched.Pid()) - start) / 10.0 * 100.0;
    std::printf("I/O monitor shown, an input toggling 100 times a second: %.2f %% of one core\n",
                busy);
    bench::Figure("io_monitor_cpu_percent", busy, "%");
    watched.Signal(SIGTERM);
    watched.Wait();
    return 0;
}
