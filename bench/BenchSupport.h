// Timing and figure printing shared by the benchmarks.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string_view>
#include <thread>
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

// A loopback TCP echo (Nagle off, as every link of ours has it), timed one short line at a time,
// so that a benchmark can take its round trips between its own samples: how long a thread takes
// to wake depends on how busy the machine was just before, and both then see the same machine.
class CLoopbackEcho {
public:
    CLoopbackEcho();
    ~CLoopbackEcho();
    CLoopbackEcho(const CLoopbackEcho&) = delete;
    CLoopbackEcho& operator=(const CLoopbackEcho&) = delete;
    // Microseconds for one line to the echo and back.
    double RoundTripMicros();

private:
    int listener_ = -1;
    int fd_ = -1;
    std::thread echo_;
};

// The median of `rounds` round trips through a CLoopbackEcho, taken back to back.
double LoopbackRoundTripMicros(int rounds);

// utime + stime of a process so far, in seconds.
double CpuSeconds(pid_t pid);
// The peak resident memory of a process (VmHWM), in MB.
double PeakRssMb(pid_t pid);
// The resident memory of a process now (VmRSS), in MB.
double RssMb(pid_t pid);

}  // namespace orva::bench
