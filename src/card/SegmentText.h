// What seven-segment codes show, as text: the simulated board's face and a recorded session's
// expectations read the display images the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orva {

// The character a segment code draws (bit 7, the decimal point, left out); '8' for the code that
// also draws B, '?' for a code no character of the table draws.
char SegmentChar(uint8_t code);

// Digits first to last (either way round) of the five display reports (ADDR 15-19, digit d at
// byte 3 + (d-1) % 32 of report (d-1) / 32), a '.' after each digit with its point lit. Digit
// ids outside 1-160 show nothing.
std::string DigitsText(const std::array<std::array<uint8_t, 66>, 5>& images, int first, int last);

}  // namespace orva
