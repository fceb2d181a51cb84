#include "card/PinIds.h"

#include <array>

#include "platform/Text.h"

namespace orva {
namespace {

constexpr std::array<int, 11> kBase = {2, 10, 18, 26, 34, 42, 46, 50, 54, 58, 62};
constexpr int kCards = 25;

}  // namespace

PinIdResult CalcPinId(int64_t addr, int64_t io) {
    if (addr < 0 || addr > 63) return {0, PinIdError::Addr};
    const int64_t k = addr < 5 ? addr : addr - 5;
    if (k >= static_cast<int64_t>(kBase.size())) return {0, PinIdError::Io};
    const int64_t limit = k < 5 ? 64 : 16;
    if (io < 1 || io > limit) return {0, PinIdError::Io};
    return {static_cast<int>(8 * kBase[static_cast<size_t>(k)] - 1 + io), PinIdError::None};
}

PinRange CardPins(int addr) {
    if (addr < 0 || addr > kMainBoardAddr) return {};
    const auto k = static_cast<size_t>(addr < 5 ? addr : addr - 5);
    const int width = k < 5 ? 64 : (addr == kMainBoardAddr ? 16 : 32);
    return {8 * kBase[k], width};
}

bool CardHasInputs(int addr) {
    return (addr >= 0 && addr <= 4) || (addr >= 10 && addr <= kMainBoardAddr);
}

bool CardHasOutputs(int addr) {
    return addr >= 5 && addr <= kMainBoardAddr;
}

std::u16string ExtensionShortName(int addr) {
    if (addr < 0 || addr >= kCards) return Format(u"Unknown Ext %d", addr);
    if (addr < 5) return Format(u"64 INS %d", addr + 1);
    if (addr < 10) return Format(u"64 OUTS %d", addr - 4);
    if (addr < 15) return Format(u"32 INS / 32 OUTS %d", addr - 9);
    return Format(u"32 DISPLAYS %d", addr - 14);
}

std::u16string ExtensionLongName(int addr) {
    if (addr < 0 || addr >= kCards) return Format(u"Unknown card with ADDR %d", addr);
    if (addr < 5) return Format(u"64 Inputs ADDR %d", addr);
    if (addr < 10) return Format(u"64 Outputs ADDR %d", addr);
    if (addr < 15) return Format(u"32 Ins / 32 Out ADDR %d", addr);
    return Format(u"32 Displays ADDR %d", addr);
}

}  // namespace orva
