// What the I/O monitor shows, decided without widgets: the cards and their pins, the lamps
// from the board object's snapshots, the analog history, the output test and its conflicts.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "card/OrvaCard.h"
#include "core/EventTable.h"

namespace orva {

// One card's pins as the monitor groups them.
struct IoCardGroup {
    int addr = 0;  // 15: the main board's own pins
    std::u16string title;
    int firstPin = 0;
    int count = 0;
};

// The input and output groups of a board: its own pins, then each extension card present.
std::vector<IoCardGroup> InputGroups(const CardSnapshot& s);
std::vector<IoCardGroup> OutputGroups(const CardSnapshot& s);
// The display cards present (ADDR 15-19), as indexes 0-4 of the display images.
std::vector<int> DisplayCards(const CardSnapshot& s);

// A lamp of an input: its level now, and whether it changed since the last look (a change
// shorter than a refresh still flashes it).
struct Lamp {
    bool on = false;
    bool changed = false;
};
Lamp InputLamp(const CardSnapshot& s, int pin);
bool OutputOn(const CardSnapshot& s, int pin);

// The names of the DIGITAL PIN events by pin id, for the lamps' labels.
std::map<int, std::u16string> PinEventNames(const CEventTable& table);

// A servo's position byte, channels 1-8.
int ServoPosition(const CardSnapshot& s, int channel);
// An analog channel's value as the scripts read it.
int AnalogValue(const CardSnapshot& s, int channel);
inline constexpr int kAnalogMax = 1023;

// The last seconds of each analog channel, sampled at each refresh.
class CAnalogHistory {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kSpan{10};

    void Add(const CardSnapshot& s, Clock::time_point now);
    // Samples of channel 1-8, oldest first, as (seconds before now, value).
    std::vector<std::pair<double, int>> Samples(int channel, Clock::time_point now) const;
    // Whether the channel is switched on or has ever moved.
    bool Active(int channel) const;
    void Clear();

private:
    struct Sample {
        Clock::time_point at;
        int value;
    };
    std::deque<Sample> samples_[8];
    bool moved_[8] = {};
    uint16_t mask_ = 0;
};

// The outputs the user tests, and those a script changed meanwhile.
class COutputTest {
public:
    // The user set the pin to on; the monitor writes it through the board object.
    void Set(int pin, bool on) {
        wanted_[pin] = on;
        overridden_.erase(pin);
    }
    void Forget() {
        wanted_.clear();
        overridden_.clear();
    }
    // Marks the tested pins whose output is no longer what the user set.
    void Check(const CardSnapshot& s);
    bool Testing(int pin) const { return wanted_.count(pin) != 0; }
    bool Overridden(int pin) const { return overridden_.count(pin) != 0; }

private:
    std::map<int, bool> wanted_;
    std::map<int, bool> overridden_;
};

}  // namespace orva
