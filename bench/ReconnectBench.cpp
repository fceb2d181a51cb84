// How soon the headless program with --reconnect is back when its server returns: the time from
// the server accepting connections again to the registration line it receives, at a random
// moment of the program's waiting, so the figure is the median over the whole waiting period.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "BenchSimulators.h"
#include "BenchSupport.h"

using namespace orva;
using namespace std::chrono_literals;

int main() {
    test::TempHome home;
    auto sims = bench::StartSimulators();
    if (!sims) return 1;
    auto& server = sims->server;
    const int port = server->Port();
    // One offset subscribed, so that each connect registers it.
    bench::WriteInstance(home.MakeUserFolder(), "bench", port,
                         "<offset type=\"6\" name=\"ALTITUDE\" id=\"100\" script=\"\"/>");
    test::Process panel(test::BinPath("orvapanel-headless"), {"--reconnect", "/BENCH"},
                        {{"ORVA_WEB_HOST", ""}});
    if (server->Command("wait-line Arn.Inicio:100: 15000") != "ok") {
        for (const auto& line : panel.Lines()) std::fprintf(stderr, "%s\n", line.c_str());
        std::fprintf(stderr, "%s\n", server->Command("log").c_str());
        std::fprintf(stderr, "the headless program did not connect\n");
        return 1;
    }
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> phase(0, 2000);
    std::vector<double> samples;
    for (int round = 0; round < 15; ++round) {
        server->Kill();
        if (!panel.WaitForLine("Waiting for the server", 10s)) {
            std::fprintf(stderr, "the program did not wait for its server\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(phase(random)));
        const auto start = bench::Clock::now();
        server = std::make_unique<test::SimProcess>(std::vector<std::string>{
            "iocp", "--port", std::to_string(port), "--alias", "P3D", "--keepalive", "0"});
        // The simulator says it is ready once it listens; the line arrives once registered.
        const auto accepting = bench::Clock::now();
        if (!server->Ready() || server->Command("wait-line Arn.Inicio:100: 15000") != "ok") {
            std::fprintf(stderr, "the program did not come back\n");
            return 1;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(bench::Clock::now() - accepting).count();
        samples.push_back(ms);
        std::printf(
            "return %2d: registered %.0f ms after the server accepted (%.0f ms after its "
            "start)\n",
            round, ms,
            std::chrono::duration<double, std::milli>(bench::Clock::now() - start).count());
    }
    panel.Signal(SIGTERM);
    panel.Wait();
    const double median = bench::Quantile(samples, 0.5);
    std::printf("median %.0f ms, worst %.0f ms\n", median, bench::Quantile(samples, 1.0));
    bench::Figure("reconnect_ms", median, "ms");
    return 0;
}
