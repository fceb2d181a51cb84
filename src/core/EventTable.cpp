#include "core/EventTable.h"

#include "platform/Text.h"

namespace orva {

EventRecord& EventRecord::operator=(const EventRecord& other) {
    if (this == &other) return *this;
    type = other.type;
    name = other.name;
    script = other.script;
    id = other.id;
    value.store(other.value.load(std::memory_order_relaxed), std::memory_order_relaxed);
    lastValue.store(other.lastValue.load(std::memory_order_relaxed), std::memory_order_relaxed);
    disabled = other.disabled;
    errorMark = other.errorMark;
    memo = other.memo;
    return *this;
}

void EventRecord::Free() {
    type = 0;
    id = -1;
    name.clear();
    script.clear();
    disabled = false;
    errorMark = false;
}

size_t CEventTable::UsedCount() const {
    size_t n = 0;
    while (n < kSize && records_[n].id >= 0) ++n;
    return n;
}

void CEventTable::ClearForLoad() {
    for (auto& r : records_) {
        r.type = 0;
        r.id = -1;
        r.errorMark = false;
    }
}

void CEventTable::SetAllLastValues(int32_t lastValue) {
    for (auto& r : records_) r.lastValue.store(lastValue, std::memory_order_relaxed);
}

bool CEventTable::ValueAt(int64_t position, int32_t& value) const {
    if (position < 0 || position >= static_cast<int64_t>(kSize)) return false;
    value = records_[static_cast<size_t>(position)].value.load(std::memory_order_relaxed);
    return true;
}

bool CEventTable::Reset(int64_t position) {
    if (position < 0 || position >= static_cast<int64_t>(kSize)) return false;
    auto& last = records_[static_cast<size_t>(position)].lastValue;
    // Wrapping add: a lastValue at the top of the range must not overflow.
    last.store(
        static_cast<int32_t>(static_cast<uint32_t>(last.load(std::memory_order_relaxed)) + 1u),
        std::memory_order_relaxed);
    return true;
}

int CEventTable::PositionByName(std::u16string_view name) const {
    const size_t used = UsedCount();
    for (size_t i = 0; i < used; ++i) {
        if (EqualsNoCase(records_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

const EventRecord* CEventTable::FindByTypeAndId(uint8_t type, int32_t id) const {
    const size_t used = UsedCount();
    for (size_t i = 0; i < used; ++i) {
        if (records_[i].type == type && records_[i].id == id) return &records_[i];
    }
    return nullptr;
}

}  // namespace orva
