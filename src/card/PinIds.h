// Pin ids of the bit-mapped reports, and the names of the extension cards by ADDR.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

inline constexpr int kFirstPin = 16;
inline constexpr int kLastPin = 511;
// Pins from here on (the main board's own outputs) are least significant bit first.
inline constexpr int kFirstLsbOutputPin = 496;

inline bool IsIoPin(int64_t pin) {
    return pin >= kFirstPin && pin <= kLastPin;
}

// Where a pin lives in a 65-byte report: byte index (report id at 0) and bit mask.
struct PinBit {
    size_t byte;
    uint8_t mask;
};
inline PinBit InputBit(int pin) {
    return {static_cast<size_t>(1 + pin / 8), static_cast<uint8_t>(0x80u >> (pin % 8))};
}
inline PinBit OutputBit(int pin) {
    const auto b = static_cast<size_t>(1 + pin / 8);
    return pin >= kFirstLsbOutputPin ? PinBit{b, static_cast<uint8_t>(1u << (pin % 8))}
                                     : PinBit{b, static_cast<uint8_t>(0x80u >> (pin % 8))};
}

enum class PinIdError { None, Addr, Io };

struct PinIdResult {
    int pin = 0;
    PinIdError error = PinIdError::None;
};

// ADDR 0-15 and the card's I/O number from 1. ADDR 16-63 name no I/O card (they hold displays
// or nothing) and are answered with an I/O error; ADDR above 63 is an ADDR error.
PinIdResult CalcPinId(int64_t addr, int64_t io);

// The pins a card's inputs or outputs occupy: ADDR 0-14 the extension cards, 15 the main
// board's own 16. Input and output reports use the same ids; a card has only the kinds its ADDR
// gives (0-4 inputs, 5-9 outputs, 10-15 both). Empty (count 0) for other ADDRs.
struct PinRange {
    int first = 0;
    int count = 0;
};
inline constexpr int kMainBoardAddr = 15;
PinRange CardPins(int addr);
bool CardHasInputs(int addr);
bool CardHasOutputs(int addr);

std::u16string ExtensionShortName(int addr);
std::u16string ExtensionLongName(int addr);

}  // namespace orva
