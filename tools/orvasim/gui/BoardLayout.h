// Which pins, digits and knobs the board window shows for a board's kind and extension cards.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "BoardSim.h"

namespace orva::sim {

// A run of consecutive pin ids on one card (the main board counts as a card).
struct PinGroup {
    std::u16string title;
    int addr = -1;  // -1 for the main board's own pins
    int firstPin = 0;
    int count = 0;
};

using KnobPins = std::pair<int, int>;

inline constexpr int kKnobCount = 4;
inline constexpr int kDigitsPerCard = 32;

// The main board's own inputs first, then the input-bearing cards by ADDR.
std::vector<PinGroup> InputGroups(const BoardOptions& options);
std::vector<PinGroup> OutputGroups(const BoardOptions& options);
// ADDRs of the display cards the board carries, ascending.
std::vector<int> DisplayCards(const BoardOptions& options);
// The knobs' pin pairs: those asked for, then the first pairs of the main board's own inputs
// that none of them uses.
std::vector<KnobPins> KnobPinPairs(const std::vector<KnobPins>& asked);
int AnalogChannels(BoardKind kind);

}  // namespace orva::sim
