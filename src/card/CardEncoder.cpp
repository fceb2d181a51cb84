#include "card/CardEncoder.h"

namespace orva {

int CCardEncoder::Step(uint8_t a, uint8_t b) {
    const uint8_t oldA = levelA_.load(std::memory_order_relaxed);
    const uint8_t oldB = levelB_.load(std::memory_order_relaxed);
    if (a == oldA && b == oldB) return 0;
    levelA_.store(a, std::memory_order_relaxed);
    levelB_.store(b, std::memory_order_relaxed);
    const auto state = [](uint8_t x, uint8_t y) { return (x ? 2 : 0) | (y ? 1 : 0); };
    const int from = state(oldA, oldB);
    const int to = state(a, b);
    // The quadrature order (A,B): 00 -> 10 -> 11 -> 01 -> 00 is forward; every other change,
    // both pins at once included, is backward.
    const bool forward = (from == 0 && to == 2) || (from == 2 && to == 3) ||
                         (from == 3 && to == 1) || (from == 1 && to == 0);
    const int64_t low = low_.load(std::memory_order_relaxed);
    const int64_t high = high_.load(std::memory_order_relaxed);
    const bool cyclic = cyclic_.load(std::memory_order_relaxed);
    const int64_t value = value_.load(std::memory_order_relaxed);
    // In 64 bits, so a step never wraps past the 32-bit range.
    int64_t next = forward ? value + step_ : value - step_;
    if (forward && next > high) next = cyclic ? low : value;
    if (!forward && next < low) next = cyclic ? high : value;
    value_.store(static_cast<int32_t>(next), std::memory_order_relaxed);
    return forward ? 1 : -1;
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
