// The whole chain as processes: a switch change on the simulated board to the matching
// "Arn.Resp:" line at the test server, through the headless program; and the headless
// program's idle CPU and peak memory.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

using namespace orva;
using namespace std::chrono_literals;

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
    test::WriteBytes(folder / "bench_conf.cnf",
                     "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                         std::to_string(server->Port()) +
                         "\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
    // Each change sends a new value, so each line at the server is told apart.
    test::WriteBytes(
        folder / "bench_vars.xml",
        "<offsets_list version=\"1.0\"><offset type=\"2\" name=\"SWITCH\" id=\"20\" "
        "script=\"n = (n or 0) + 1 iocp.offset.value.set('P3D', 330, n)\"/></offsets_list>");
    test::Process panel(test::BinPath("orvapanel-headless"), {"/BENCH"}, {{"ORVA_WEB_HOST", ""}});
    if (!panel.WaitForLine("Current status: Connected.", 10s)) {
        std::fprintf(stderr, "the headless program did not connect\n");
        return 1;
    }

    constexpr int kChanges = 5000;
    std::vector<double> latencies;
    for (int i = 1; i <= kChanges; ++i) {
        board->Command("set 20 " + std::to_string(i & 1));
        const int64_t written = std::stoll(board->Command("last-report-time"));
        const std::string at =
            server->Command("wait-line-time Arn.Resp:330=" + std::to_string(i) + ": 3000");
        if (at == "timeout") {
            std::fprintf(stderr, "change %d never reached the server: %s | board %s\n", i,
                         server->Command("log").c_str(), board->Command("info").c_str());
            return 1;
        }
        latencies.push_back(static_cast<double>(std::stoll(at) - written) / 1e6);
    }
    const double rttMs = bench::LoopbackRoundTripMicros(kChanges) / 1000.0;
    const double median = bench::Quantile(latencies, 0.5);
    const double p99 = bench::Quantile(latencies, 0.99);
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
    return 0;
}
