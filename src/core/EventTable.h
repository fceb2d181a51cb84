// The event record and the fixed table of 200 events of a running instance.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ScriptRunner.h"

namespace orva {

enum EventType : uint8_t {
    kEventAfterConnect = 0,
    kEventBeforeDisconnect = 1,
    kEventDigitalPin = 2,
    kEventAnalogChannel = 3,
    kEventEncoder = 4,
    kEventIoError = 5,
    kEventFirstIocp = 6,
    kEventLastIocp = 15,
};

inline constexpr int kMaxIocpTypedServers = kEventLastIocp - kEventFirstIocp + 1;

// value and lastValue are written by network threads and read by the dispatcher without a lock.
struct EventRecord {
    uint8_t type = 0;
    std::u16string name;
    std::u16string script;
    int32_t id = -1;  // negative: the end of the used part of the table
    std::atomic<int32_t> value{0};
    std::atomic<int32_t> lastValue{0};
    bool disabled = false;
    bool errorMark = false;
    ScriptMemo memo;  // the script runner's, not part of the event

    EventRecord() = default;
    EventRecord(const EventRecord& other) { *this = other; }
    EventRecord& operator=(const EventRecord& other);
    // A free record: type 0, id -1, no name or script, both flags off.
    void Free();
};

class CEventTable {
public:
    static constexpr size_t kSize = 200;
    static constexpr int32_t kNotDispatched = -9999;

    EventRecord& operator[](size_t position) { return records_[position]; }
    const EventRecord& operator[](size_t position) const { return records_[position]; }

    // The number of records before the first negative id.
    size_t UsedCount() const;
    // Clears the table for loading: type 0, id -1 and no error mark in every record.
    void ClearForLoad();
    void SetAllLastValues(int32_t lastValue);

    // The value of the record at a position (any of the 200); false when out of range.
    bool ValueAt(int64_t position, int32_t& value) const;
    // Adds 1 to lastValue so that the next notification of its server dispatches it again.
    bool Reset(int64_t position);
    // The position of the first used record whose name equals name without regard to case.
    int PositionByName(std::u16string_view name) const;
    // The first used record of that type and id, or nullptr.
    const EventRecord* FindByTypeAndId(uint8_t type, int32_t id) const;

private:
    std::array<EventRecord, kSize> records_;
};

}  // namespace orva
