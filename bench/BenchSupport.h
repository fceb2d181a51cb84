// Timing and figure printing shared by the benchmarks.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string_view>
#include <vector>

namespace orva::bench {

using Clock = std::chrono::steady_clock;

// Seconds taken by fn, best of `repeats` runs (the least disturbed run).
template <typename Fn>
double BestSeconds(int repeats, Fn&& fn) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const auto start = Clock::now();
        fn();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        if (s < best) best = s;
    }
    return best;
}

// Prints "FIGURE name=value unit" on a line of its own, for scripts to collect.
void Figure(std::string_view name, double value, std::string_view unit);

// The q-quantile (0..1) of the samples (sorted in place).
double Quantile(std::vector<double>& samples, double q);

// The median time, in microseconds, of one short line sent to a loopback TCP echo (Nagle off,
// as every link of ours has it) and back.
double LoopbackRoundTripMicros(int rounds);

// utime + stime of a process so far, in seconds.
double CpuSeconds(pid_t pid);
// The peak resident memory of a process (VmHWM), in MB.
double PeakRssMb(pid_t pid);

}  // namespace orva::bench
