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
void WriteInstance(const std::filesystem::path& folder, const std::string& name, int port,
                   int offset) {
    test::WriteBytes(
        folder / (name + "_conf.cnf"),
        "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" + std::to_string(port) +
            "\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
    test::WriteBytes(folder / (name + "_vars.xml"),
                     "<offsets_list version=\"1.0\"><offset type=\"2\" name=\"SWITCH\" id=\"20\" "
                     "script=\"n = (n or 0) + 1 iocp.offset.value.set('P3D', " +
                         std::to_string(offset) + ", n)\"/></offsets_list>");
}

// Milliseconds from each change's report to its line at the server; nothing on a failure.
std::optional<std::vector<double>> Latencies(test::SimProcess& board, test::SimProcess& server,
                                             int offset) {
    std::vector<double> latencies;
    for (int i = 1; i <= kChanges; ++i) {
        board.Command("set 20 " + std::to_string(i & 1));
        const int64_t written = std::stoll(board.Command("last-report-time"));
        const std::string at = server.Command("wait-line-time Arn.Resp:" + std::to_string(offset) +
                                              "=" + std::to_string(i) + ": 3000");
        if (at == "timeout") {
            std::fprintf(stderr, "change %d never reached the server: %s | board %s\n", i,
                         server.Command("log").c_str(), board.Command("info").c_str());
            return std::nullopt;
        }
        latencies.push_back(static_cast<double>(std::stoll(at) - written) / 1e6);
    }
    return latencies;
}

}  // namespace

int main() {
    test::TempHome home;
    ::setenv("ORVA_BUILD_DIR", ORVA_BUILD_DIR, 1);
    auto board = test::StartBoard("ORVA-12345");
    auto server = test::StartServer("P3D");
    if (!board->Ready() || !server->Ready()) {
        std::fprintf(stderr, "the simulators did not start\n");
        return 1;
    }
    const auto folder = home.MakeUserFolder();
    WriteInstance(folder, "bench", server->Port(), 330);
    test::Process panel(test::BinPath("orvapanel-headless"), {"/BENCH"}, {{"ORVA_WEB_HOST", ""}});
    if (!panel.WaitForLine("Current status: Connected.", 10s)) {
        std::fprintf(stderr, "the headless program did not connect\n");
        return 1;
    }
    auto latencies = Latencies(*board, *server, 330);
    if (!latencies) return 1;
    const double rttMs = bench::LoopbackRoundTripMicros(kChanges) / 1000.0;
    const double median = bench::Quantile(*latencies, 0.5);
    const double p99 = bench::Quantile(*latencies, 0.99);
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
    panel.Signal(SIGTERM);
    panel.Wait();

    // The same chain through the desktop program, when it is built.
    if (!std::filesystem::exists(test::BinPath("orvapanel"))) return 0;
    std::unique_ptr<test::Process> xserver;
    bench::Env env = bench::GuiDisplayEnv(xserver);
    env.emplace_back("ORVA_WEB_HOST", "");
    WriteInstance(folder, "benchgui", server->Port(), 331);
    test::Process gui(test::BinPath("orvapanel"), {"/BENCHGUI"}, env);
    if (server->Command("wait-clients 1 15000") != "ok") {
        std::fprintf(stderr, "the desktop program did not connect\n");
        return 1;
    }
    auto guiLatencies = Latencies(*board, *server, 331);
    if (!guiLatencies) return 1;
    const double guiMedian = bench::Quantile(*guiLatencies, 0.5);
    std::printf("through the desktop program (I/O monitor closed): median %.3f ms\n", guiMedian);
    bench::Figure("io_monitor_closed_overhead", guiMedian / median, "x");
    gui.Signal(SIGTERM);
    gui.Wait();
    return 0;
}
