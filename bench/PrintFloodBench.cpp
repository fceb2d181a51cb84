// Scripts that print on every input, both programs fed the same flood from the simulated board:
// the time until the last input's script has run, the desktop program (print monitor shown) over
// the headless program; each program's resident memory after a million printed lines; and the
// desktop program's time per print with its monitor shown, closed and paused (MonitorStates.h).
// Arguments name the measurements to run (ratio, memory, states); none runs all three.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "GuiEnv.h"
#include "MonitorStates.h"
#include "PrintFlood.h"
#include "support/Process.h"
#include "support/TestEnv.h"

using namespace orva;
using namespace std::chrono_literals;

namespace {

constexpr long long kRatioInputs = 200000;
constexpr long long kMemoryInputs = 1000000;
constexpr long long kWarmUp = 1000;
constexpr int kRounds = 3;

struct Program {
    const char* name;
    const char* binary;
};
constexpr Program kHeadless{"headless", "orvapanel-headless"};
constexpr Program kDesktop{"desktop", "orvapanel"};

// One program on a new flood instance, connected and warmed up (its monitor shown).
class CRunning {
public:
    CRunning(const Program& program, bench::Simulators& sims, const bench::Env& env, int base)
        : sims_(sims), flood_(sims, base) {
        process_ = std::make_unique<test::Process>(test::BinPath(program.binary),
                                                   std::vector<std::string>{"/FLOOD"}, env);
        ready_ = flood_.WaitReady() && flood_.Feed(bench::kPrintPin, kWarmUp) > 0;
        if (!ready_) std::fprintf(stderr, "the %s program did not start\n", program.name);
    }
    ~CRunning() {
        process_->Signal(SIGTERM);
        process_->Wait(60s);
        sims_.server->Command("wait-clients 0 10000");
    }
    bool Ready() const { return ready_; }
    bench::CFlood& Flood() { return flood_; }
    pid_t Pid() const { return process_->Pid(); }

private:
    bench::Simulators& sims_;
    bench::CFlood flood_;
    std::unique_ptr<test::Process> process_;
    bool ready_ = false;
};

bool Wanted(int argc, char** argv, const char* part) {
    if (argc < 2) return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], part) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    test::TempHome home;
    std::unique_ptr<test::Process> xserver;
    auto env = bench::GuiDisplayEnv(xserver);
    auto sims = bench::StartSimulators();
    if (!sims) return 1;
    const auto folder = home.MakeUserFolder();
    int base = 100;
    const auto start = [&](const Program& program) {
        base += 10;
        bench::WriteFloodInstance(folder, "flood", sims->server->Port(), base);
        return std::make_unique<CRunning>(program, *sims, env, base);
    };

    // Turn about, so that both see the same machine.
    double best[2] = {1e300, 1e300};
    for (int round = 1; round <= kRounds && Wanted(argc, argv, "ratio"); ++round) {
        for (const Program* program : {&kHeadless, &kDesktop}) {
            auto running = start(*program);
            if (!running->Ready()) return 1;
            const double s = running->Flood().Feed(bench::kPrintPin, kRatioInputs);
            if (s < 0) return 1;
            std::printf("round %d, %s: %lld printing inputs in %.2f s (%.1f us each)\n", round,
                        program->name, kRatioInputs, s, s / kRatioInputs * 1e6);
            double& b = best[program == &kDesktop];
            b = std::min(b, s);
        }
    }
    if (Wanted(argc, argv, "ratio")) {
        std::printf("best: headless %.2f s, desktop with its print monitor shown %.2f s\n", best[0],
                    best[1]);
        bench::Figure("gui_print_flood_vs_headless", best[1] / best[0], "x");
    }

    for (const Program* program : {&kHeadless, &kDesktop}) {
        if (!Wanted(argc, argv, "memory")) break;
        auto running = start(*program);
        if (!running->Ready()) return 1;
        const double s = running->Flood().Feed(bench::kPrintPin, kMemoryInputs - kWarmUp);
        if (s < 0) return 1;
        std::this_thread::sleep_for(1s);  // the monitor shows the last lines
        const double rss = bench::RssMb(running->Pid());
        std::printf("%s: %lld printed lines in %.1f s; resident %.1f MB, peak %.1f MB\n",
                    program->name, kMemoryInputs, s, rss, bench::PeakRssMb(running->Pid()));
        bench::Figure(program == &kDesktop ? "gui_rss_after_print_flood_mb"
                                           : "headless_rss_after_print_flood_mb",
                      rss, "MB");
    }

    if (!Wanted(argc, argv, "states")) return 0;
    base += 10;
    bench::WriteFloodInstance(folder, "flood", sims->server->Port(), base);
    return bench::MeasureMonitorStates(argc, argv, env, *sims, base) ? 0 : 1;
}
