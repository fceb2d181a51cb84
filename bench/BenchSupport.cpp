#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>

namespace orva::bench {

void Figure(std::string_view name, double value, std::string_view unit) {
    std::printf("FIGURE %.*s=%.3f %.*s\n", static_cast<int>(name.size()), name.data(), value,
                static_cast<int>(unit.size()), unit.data());
    std::fflush(stdout);
}

double Quantile(std::vector<double>& samples, double q) {
    if (samples.empty()) return 0.0;
    std::sort(samples.begin(), samples.end());
    const size_t at = std::min(samples.size() - 1, static_cast<size_t>(q * (samples.size() - 1) + 0.5));
    return samples[at];
}

}  // namespace orva::bench
