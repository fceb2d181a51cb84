// State the board objects of one process share: the input polarity and the blink lists.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace orva {

// The levels reported for a set and a clear input bit: 1/0 with the Sense jumper on GND,
// 0/1 with it on VCC.
struct InputPolarity {
    static void Set(bool senseVcc);
    static uint8_t True();
    static uint8_t False();
    static uint8_t Level(bool bitSet) { return bitSet ? True() : False(); }
};

// The output pins that blink (with the copy SaveOutputs keeps) and the display ids that
// blink, each list under its own lock.
struct BlinkLists {
    std::mutex outputLock;
    std::vector<int> outputs;
    std::vector<int> savedOutputs;
    std::mutex displayLock;
    std::vector<int64_t> displays;

    static BlinkLists& Shared();
};

}  // namespace orva
