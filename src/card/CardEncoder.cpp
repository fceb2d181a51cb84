#include "card/CardEncoder.h"

namespace orva {

int CCardEncoder::Step(uint8_t a, uint8_t b) {
    const uint8_t oldA = levelA_.load(std::memory_order_relaxed);
    const uint8_t oldB = levelB_.load(std::memory_order_relaxed);
    if (a == oldA && b == oldB) return 0;
    levelA_.store(a, std::memory_order_relaxed);
    levelB_.store(b, std::memory_order_relaxed);
    int steps = 0;
    if (a != oldA && b != oldB) {
        // Both pins in one report: a knob turned faster than the reports, so an edge fell in
        // between. It went on the way it was going; with no step yet there is no way to know.
        steps = 2 * lastDirection_;
    } else {
        const auto state = [](uint8_t x, uint8_t y) { return (x ? 2 : 0) | (y ? 1 : 0); };
        const int from = state(oldA, oldB);
        const int to = state(a, b);
        // The quadrature order (A,B): 00 -> 10 -> 11 -> 01 -> 00 is forward.
        const bool forward = (from == 0 && to == 2) || (from == 2 && to == 3) ||
                             (from == 3 && to == 1) || (from == 1 && to == 0);
        steps = forward ? 1 : -1;
    }
    if (steps != 0) lastDirection_ = steps > 0 ? 1 : -1;
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) Apply(steps > 0);
    return steps;
}

void CCardEncoder::Apply(bool forward) {
    const int64_t low = low_.load(std::memory_order_relaxed);
    const int64_t high = high_.load(std::memory_order_relaxed);
    const bool cyclic = cyclic_.load(std::memory_order_relaxed);
    const int64_t value = value_.load(std::memory_order_relaxed);
    // In 64 bits, so a step never wraps past the 32-bit range.
    int64_t next = forward ? value + step_ : value - step_;
    if (forward && next > high) next = cyclic ? low : value;
    if (!forward && next < low) next = cyclic ? high : value;
    value_.store(static_cast<int32_t>(next), std::memory_order_relaxed);
}

void CCardEncoder::SetLimits(int32_t low, int32_t high, bool cyclic) {
    low_.store(low, std::memory_order_relaxed);
    high_.store(high, std::memory_order_relaxed);
    cyclic_.store(cyclic, std::memory_order_relaxed);
    ClampedValue();
}

int32_t CCardEncoder::ClampedValue() {
    int32_t v = value_.load(std::memory_order_relaxed);
    const int32_t low = low_.load(std::memory_order_relaxed);
    const int32_t high = high_.load(std::memory_order_relaxed);
    if (v < low) {
        v = low;
    } else if (v > high) {
        v = high;
    }
    value_.store(v, std::memory_order_relaxed);
    return v;
}

}  // namespace orva
