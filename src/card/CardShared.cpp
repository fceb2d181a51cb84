#include "card/CardShared.h"

namespace orva {
namespace {
std::atomic<uint8_t> g_true{1};
std::atomic<uint8_t> g_false{0};
}  // namespace

void InputPolarity::Set(bool senseVcc) {
    g_true.store(senseVcc ? 0 : 1, std::memory_order_relaxed);
    g_false.store(senseVcc ? 1 : 0, std::memory_order_relaxed);
}

uint8_t InputPolarity::True() {
    return g_true.load(std::memory_order_relaxed);
}
uint8_t InputPolarity::False() {
    return g_false.load(std::memory_order_relaxed);
}

BlinkLists& BlinkLists::Shared() {
    static auto* lists = new BlinkLists;  // outlives every card and thread, by design
    return *lists;
}

}  // namespace orva
