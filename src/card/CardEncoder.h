// A pair of input pins read as a quadrature encoder, with its count and limits.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

namespace orva {

class CCardEncoder {
public:
    CCardEncoder(int id, int64_t pinA, int64_t pinB, int32_t step, uint8_t levelA, uint8_t levelB)
        : id_(id), pinA_(pinA), pinB_(pinB), step_(step), levelA_(levelA), levelB_(levelB) {}

    int Id() const { return id_; }
    int64_t PinA() const { return pinA_; }
    int64_t PinB() const { return pinB_; }

    // Decodes the new levels into steps: positive forward, negative backward (two when an edge
    // fell between two reports), 0 none. Applies the step, limits and wrap to the value.
    int Step(uint8_t a, uint8_t b);

    int32_t Value() const { return value_.load(std::memory_order_relaxed); }
    int32_t Low() const { return low_.load(std::memory_order_relaxed); }
    int32_t High() const { return high_.load(std::memory_order_relaxed); }
    bool Cyclic() const { return cyclic_.load(std::memory_order_relaxed); }
    void SetValue(int32_t v) { value_.store(v, std::memory_order_relaxed); }
    void SetLimits(int32_t low, int32_t high, bool cyclic);
    // Brings the value into the limits and stores it back; the result.
    int32_t ClampedValue();

private:
    void Apply(bool forward);

    const int id_;  // 1-256 (a byte would turn 256 into 0, which no event can catch)
    const int64_t pinA_;
    const int64_t pinB_;
    const int32_t step_;
    std::atomic<uint8_t> levelA_;
    std::atomic<uint8_t> levelB_;
    std::atomic<int32_t> value_{0};
    std::atomic<int32_t> low_{std::numeric_limits<int32_t>::min()};
    std::atomic<int32_t> high_{std::numeric_limits<int32_t>::max()};
    std::atomic<bool> cyclic_{false};
    int lastDirection_ = 0;  // of the last step; only the reader thread decodes
};

}  // namespace orva
