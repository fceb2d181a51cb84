// The two event tables the killed writer saves in turn, for it and for the test that checks
// what it left.
#pragma once

#include <string>

#include "core/EventTable.h"
#include "platform/Text.h"

namespace orva::test {

inline constexpr const char16_t* kKilledInstance = u"KILLED";

// 150 events with long scripts, so that each save takes a while; variant 0 or 1.
inline void FillKilledWriterTable(CEventTable& table, int variant) {
    for (size_t i = 0; i < 150; ++i) {
        EventRecord& r = table[i];
        r.type = kEventDigitalPin;
        r.id = static_cast<int32_t>(16 + i);
        r.name = u"PIN" + Widen(std::to_string(i));
        r.script = u"-- variant " + Widen(std::to_string(variant)) + u"\n";
        for (int line = 0; line < 8; ++line) {
            r.script += u"orva.dout.state.set(" + Widen(std::to_string(100 + line + variant)) +
                        u", Value) print('event', Id, Value)\n";
        }
    }
    table[150].id = -1;
}

}  // namespace orva::test
