// A run of 7-segment digits on the display cards, and how values are drawn on it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orva {

class COrvaCard;

// The segment code of a character (bit 7 is the decimal point); characters outside the
// table draw blank.
uint8_t SegmentCode(char16_t c);
inline constexpr uint8_t kDecimalPoint = 0x80;

// The digits live here; the card's display images and their writes belong to the card. Every
// operation runs under the card's display lock (the card calls them so).
class CCardDisplay {
public:
    CCardDisplay(COrvaCard& owner, int64_t first, int64_t last);

    void SetOn(bool on) { on_ = on; }
    bool IsOn() const { return on_; }
    void ShowHeading(int32_t value);
    void ShowSpeed(int32_t value);
    void ShowFrequency(int32_t value);
    void ShowText(std::u16string_view text);
    void Clear();
    // Puts the digits into the images and writes the image of the first digit's card.
    void Refresh();

    int64_t First() const { return first_; }
    int64_t Last() const { return last_; }
    const std::vector<uint8_t>& Digits() const { return digits_; }
    int32_t LastHeading() const { return lastHeading_; }

private:
    COrvaCard& owner_;
    int64_t first_;
    int64_t last_;
    std::vector<uint8_t> digits_;  // index 0 at the last digit id
    bool descending_;
    bool on_ = true;
    int32_t lastHeading_ = 0;
};

}  // namespace orva
