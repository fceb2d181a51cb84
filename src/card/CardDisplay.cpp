#include "card/CardDisplay.h"

#include <array>

#include "card/OrvaCard.h"

namespace orva {
namespace {

constexpr std::array<uint8_t, 18> kSegments = {0x7E, 0x30, 0x6D, 0x79, 0x33, 0x5B,
                                               0x5F, 0x70, 0x7F, 0x7B, 0x00, 0x01,
                                               0x1C, 0x15, 0x77, 0x7F, 0x4F, 0x37};

uint8_t DigitCode(int64_t value) {
    return kSegments[static_cast<size_t>(value % 10)];
}

// abs(first - last) + 1, modulo 256. Unsigned, because scripts may pass ids whose difference
// does not fit in 64 signed bits.
size_t DigitCount(int64_t first, int64_t last) {
    const uint64_t distance = first > last
                                  ? static_cast<uint64_t>(first) - static_cast<uint64_t>(last)
                                  : static_cast<uint64_t>(last) - static_cast<uint64_t>(first);
    return static_cast<size_t>((distance + 1) & 0xFF);
}

}  // namespace

uint8_t SegmentCode(char16_t c) {
    const int index = static_cast<int>(c) - '0';
    if (index < 0 || index >= static_cast<int>(kSegments.size())) return 0x00;
    return kSegments[static_cast<size_t>(index)];
}

CCardDisplay::CCardDisplay(COrvaCard& owner, int64_t first, int64_t last)
    : owner_(owner),
      first_(first),
      last_(last),
      digits_(DigitCount(first, last), 0),
      descending_(first > last) {}

void CCardDisplay::Clear() {
    std::fill(digits_.begin(), digits_.end(), 0);
}

void CCardDisplay::ShowHeading(int32_t value) {
    lastHeading_ = value;
    int64_t h = value;
    if (value > 360) {
        h = value - 360;
    } else if (value < 0) {
        h = value + 360;
    } else if (value == 360) {
        h = 0;
    }
    // Beyond one turn either way the heading is taken modulo 360, so no digit goes negative.
    if (h < 0 || h > 360) h = ((h % 360) + 360) % 360;
    for (auto& d : digits_) {
        d = DigitCode(h);
        h /= 10;
    }
    Refresh();
}

void CCardDisplay::ShowSpeed(int32_t value) {
    int64_t v = value < 0 ? 0 : (value > 999 ? 999 : value);
    Clear();
    if (v == 0) {
        if (!digits_.empty()) digits_[0] = DigitCode(0);
    } else {
        for (size_t i = 0; i < digits_.size() && v >= 1; ++i, v /= 10) digits_[i] = DigitCode(v);
    }
    Refresh();
}

void CCardDisplay::ShowFrequency(int32_t value) {
    int64_t v = value < 0 ? 0 : value;  // a frequency is never negative
    Clear();
    const size_t count = digits_.size();
    for (size_t i = count >= 6 ? 1 : 0; i < count; ++i, v /= 10) digits_[i] = DigitCode(v);
    if (count >= 6) {
        const bool quarter = digits_[1] == DigitCode(2) || digits_[1] == DigitCode(7);
        digits_[0] = DigitCode(quarter ? 5 : 0);
    }
    if (count >= 3) digits_[count - 3] |= kDecimalPoint;
    if (count >= 1) digits_[count - 1] = DigitCode(1);
    Refresh();
}

void CCardDisplay::ShowText(std::u16string_view text) {
    Clear();
    auto position = static_cast<int64_t>(digits_.size()) - 1;
    for (char16_t c : text) {
        if (position < 0) break;
        if (c == u'.') {
            // Marks the digit written just before; before any digit there is none to mark.
            if (position + 1 < static_cast<int64_t>(digits_.size())) {
                digits_[static_cast<size_t>(position + 1)] |= kDecimalPoint;
            }
            continue;
        }
        digits_[static_cast<size_t>(position--)] = SegmentCode(c);
    }
    Refresh();
}

void CCardDisplay::Refresh() {
    const int64_t stepDir = descending_ ? 1 : -1;
    int64_t d = last_;
    for (size_t i = 0; i < digits_.size(); ++i) {
        // Stepped before each digit but the first, never past the first digit id: a display
        // at either end of the integer range would overflow one step beyond it.
        if (i > 0) d += stepDir;
        owner_.PutDigit(d, on_ ? digits_[i] : 0);
    }
    owner_.WriteDisplayImageOf(first_);
}

}  // namespace orva
