#include "card/SegmentText.h"

#include <utility>

namespace orva {

char SegmentChar(uint8_t code) {
    static constexpr std::pair<uint8_t, char> kChars[] = {
        {0x7E, '0'}, {0x30, '1'}, {0x6D, '2'}, {0x79, '3'}, {0x33, '4'}, {0x5B, '5'},
        {0x5F, '6'}, {0x70, '7'}, {0x7F, '8'}, {0x7B, '9'}, {0x00, ' '}, {0x01, '-'},
        {0x1C, 'u'}, {0x15, 'n'}, {0x77, 'A'}, {0x4F, 'E'}, {0x37, 'H'}};
    for (const auto& [c, ch] : kChars) {
        if (c == (code & 0x7F)) return ch;
    }
    return '?';
}

std::string DigitsText(const std::array<std::array<uint8_t, 66>, 5>& images, int first, int last) {
    std::string text;
    const int step = first <= last ? 1 : -1;
    for (int d = first;; d += step) {
        if (d >= 1 && d <= 160) {
            const uint8_t code = images[static_cast<size_t>((d - 1) / 32)][3 + (d - 1) % 32];
            text.push_back(SegmentChar(code));
            if (code & 0x80) text.push_back('.');
        }
        if (d == last) break;
    }
    return text;
}

}  // namespace orva
