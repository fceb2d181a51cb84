#include "ui/text/IoMonitorModel.h"

#include "card/CardShared.h"
#include "card/PinIds.h"
#include "platform/Text.h"

namespace orva {
namespace {

bool Present(const CardSnapshot& s, int addr) {
    return (s.extensions[static_cast<size_t>(addr / 8)] & (0x80u >> (addr % 8))) != 0;
}

std::vector<IoCardGroup> Groups(const CardSnapshot& s, bool (*has)(int)) {
    std::vector<IoCardGroup> groups;
    if (s.product == PID_SERVO) return groups;  // the servo board has no digital pins
    const PinRange own = CardPins(kMainBoardAddr);
    groups.push_back({kMainBoardAddr, u"Main board", own.first, own.count});
    for (int addr = 0; addr < kMainBoardAddr; ++addr) {
        if (!has(addr) || !Present(s, addr)) continue;
        const PinRange pins = CardPins(addr);
        groups.push_back({addr, ExtensionLongName(addr), pins.first, pins.count});
    }
    return groups;
}

bool Bit(const Report& r, PinBit bit) {
    return (r[bit.byte] & bit.mask) != 0;
}

}  // namespace

std::vector<IoCardGroup> InputGroups(const CardSnapshot& s) {
    return Groups(s, CardHasInputs);
}

std::vector<IoCardGroup> OutputGroups(const CardSnapshot& s) {
    return Groups(s, CardHasOutputs);
}

std::vector<int> DisplayCards(const CardSnapshot& s) {
    std::vector<int> cards;
    for (int g = 0; g < kDisplayCards; ++g) {
        if (Present(s, kMainBoardAddr + g)) cards.push_back(g);
    }
    return cards;
}

Lamp InputLamp(const CardSnapshot& s, int pin) {
    if (!IsIoPin(pin)) return {};
    const PinBit bit = InputBit(pin);
    return {InputPolarity::Level(Bit(s.inputs, bit)) == 1, Bit(s.inputChanges, bit)};
}

bool OutputOn(const CardSnapshot& s, int pin) {
    return IsIoPin(pin) && Bit(s.outputs, OutputBit(pin));
}

std::map<int, std::u16string> PinEventNames(const CEventTable& table) {
    std::map<int, std::u16string> names;
    for (size_t i = 0; i < table.UsedCount(); ++i) {
        const EventRecord& e = table[i];
        if (e.type != kEventDigitalPin || !IsIoPin(e.id)) continue;
        std::u16string& name = names[e.id];
        name = name.empty() ? e.name : name + u", " + e.name;
    }
    return names;
}

int ServoPosition(const CardSnapshot& s, int channel) {
    return channel >= 1 && channel <= 8 ? s.servos[static_cast<size_t>(1 + channel)] : 0;
}

int AnalogValue(const CardSnapshot& s, int channel) {
    return channel >= 1 && channel <= 8 ? s.analog[static_cast<size_t>(channel)] : 0;
}

void CAnalogHistory::Add(const CardSnapshot& s, Clock::time_point now) {
    mask_ = s.adcMask;
    for (int c = 1; c <= 8; ++c) {
        auto& samples = samples_[c - 1];
        const int value = AnalogValue(s, c);
        if (!samples.empty() && samples.back().value != value) moved_[c - 1] = true;
        samples.push_back({now, value});
        while (!samples.empty() && now - samples.front().at > kSpan) samples.pop_front();
    }
}

std::vector<std::pair<double, int>> CAnalogHistory::Samples(int channel,
                                                            Clock::time_point now) const {
    std::vector<std::pair<double, int>> out;
    if (channel < 1 || channel > 8) return out;
    for (const Sample& s : samples_[channel - 1]) {
        out.emplace_back(std::chrono::duration<double>(now - s.at).count(), s.value);
    }
    return out;
}

bool CAnalogHistory::Active(int channel) const {
    if (channel < 1 || channel > 8) return false;
    return (mask_ & (1u << (channel - 1))) != 0 || moved_[channel - 1];
}

void CAnalogHistory::Clear() {
    for (auto& s : samples_) s.clear();
    for (bool& m : moved_) m = false;
    mask_ = 0;
}

void COutputTest::Check(const CardSnapshot& s) {
    for (const auto& [pin, on] : wanted_) {
        if (OutputOn(s, pin) != on) overridden_[pin] = true;
    }
}

}  // namespace orva
