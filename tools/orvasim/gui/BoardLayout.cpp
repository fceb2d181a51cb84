#include "BoardLayout.h"

#include <algorithm>
#include <set>

#include "card/PinIds.h"
#include "platform/Text.h"

namespace orva::sim {
namespace {

constexpr int kMainBoardAddr = 15;  // the main board's own pins in the pin arithmetic

std::set<int> Cards(const BoardOptions& options) {
    if (options.kind != BoardKind::Main) return {};
    return {options.extensions.begin(), options.extensions.end()};
}

int CardPins(int addr) {
    return addr < 10 ? 64 : 32;
}

PinGroup CardGroup(int addr) {
    const int first = CalcPinId(addr, 1).pin;
    const int count = CardPins(addr);
    return {ExtensionLongName(addr) + u", pins " + FromUtf8(std::to_string(first)) + u"-" +
                FromUtf8(std::to_string(first + count - 1)),
            addr, first, count};
}

std::vector<PinGroup> Groups(const BoardOptions& options, int firstAddr, int lastAddr) {
    if (options.kind != BoardKind::Main) return {};
    const int mainFirst = CalcPinId(kMainBoardAddr, 1).pin;
    std::vector<PinGroup> groups{{u"Main board, pins " + FromUtf8(std::to_string(mainFirst)) +
                                      u"-" + FromUtf8(std::to_string(mainFirst + 15)),
                                  -1, mainFirst, 16}};
    for (int addr : Cards(options)) {
        if ((addr >= firstAddr && addr <= lastAddr) || (addr >= 10 && addr <= 14))
            groups.push_back(CardGroup(addr));
    }
    return groups;
}

}  // namespace

std::vector<PinGroup> InputGroups(const BoardOptions& options) {
    return Groups(options, 0, 4);
}

std::vector<PinGroup> OutputGroups(const BoardOptions& options) {
    return Groups(options, 5, 9);
}

std::vector<int> DisplayCards(const BoardOptions& options) {
    std::vector<int> cards;
    for (int addr : Cards(options)) {
        if (addr >= 15 && addr <= 19) cards.push_back(addr);
    }
    return cards;
}

std::vector<KnobPins> KnobPinPairs(const std::vector<KnobPins>& asked) {
    std::vector<KnobPins> pairs(asked.begin(),
                                asked.begin() + std::min<size_t>(asked.size(), kKnobCount));
    const auto used = [&](int pin) {
        return std::any_of(pairs.begin(), pairs.end(),
                           [pin](const KnobPins& p) { return p.first == pin || p.second == pin; });
    };
    for (int a = CalcPinId(kMainBoardAddr, 1).pin; a < kLastPin && pairs.size() < kKnobCount;
         a += 2) {
        if (!used(a) && !used(a + 1)) pairs.emplace_back(a, a + 1);
    }
    return pairs;
}

int AnalogChannels(BoardKind kind) {
    // The main board's analog report carries channels 1-7 in words 1-7; word 0 holds its type.
    return kind == BoardKind::Main ? 7 : 8;
}

}  // namespace orva::sim
