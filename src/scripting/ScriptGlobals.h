// What the globals Id and Value hold for each event type: shown beside the words in the script
// editor's Helper list and printed in the user's manual.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orva {

struct EventGlobalsRow {
    std::u16string_view type;     // the type's name in the events list
    std::u16string_view listens;  // what the event's own Id field names
    std::u16string_view runs;     // when its script runs
    std::u16string_view id;       // what the script's Id holds then
    std::u16string_view value;    // what the script's Value holds then
};
// One row per event type, in type order; the ten server types share the last row.
std::span<const EventGlobalsRow> EventGlobalsRows();

// The meaning of Id or Value by event type, one line per type; empty for any other name.
std::u16string ScriptGlobalMeaning(std::u16string_view name);

}  // namespace orva
