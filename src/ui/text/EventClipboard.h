// What the events list exchanges through the clipboard, without widgets: the private event
// records other instances read, and the "#define" lines of offsets for a cockpit program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventNames.h"
#include "ui/text/EventRows.h"

namespace orva {

class IUserPrompt;

// The clipboard formats of the private records: ours, and the name a Windows build registers,
// which is also the X11 target such a build offers when it runs under Wine.
inline constexpr char kEventsMimeType[] = "application/x-orvapanel-events";
inline constexpr char kEventsFormatName[] = "ORVAPANEL EVENTS";
inline constexpr uint8_t kRecordMarker = 0xFA;
inline constexpr size_t kRecordHeaderSize = 32;

// One record per row, back to back; the error mark is not carried.
std::string EncodeEventRecords(const std::vector<EventRow>& rows);
// The records from the start of the block up to the first that is not one: a missing marker,
// fewer than 32 bytes left, or a name or script that would run past the end of the block.
// Records of a type above 15 are passed over.
std::vector<EventRow> DecodeEventRecords(std::string_view block);

// A name made fit for a #define: capitals, digits and underscores only. changed tells whether
// a character had to be replaced (upper-casing alone does not count).
struct CleanedName {
    std::string text;
    bool changed = false;
};
CleanedName CleanDefineName(std::u16string_view name);

// The header lines, then one #define for each offset event of rows; other events are skipped.
struct DefinitionText {
    std::string text;
    bool namesChanged = false;
};
DefinitionText OffsetDefinitionText(const std::vector<EventRow>& rows);

// The three tokens of a "#define" line; nothing when the line has not all three.
struct DefineTokens {
    std::u16string name;
    std::u16string value;
    std::u16string code;
};
std::optional<DefineTokens> ReadDefineLine(std::u16string_view line);
// Every usable line of a text whose lines end in CR LF, CR or LF.
std::vector<DefineTokens> ReadDefines(std::u16string_view text);
// The id a "#define" value gives: its leading decimal number, 0 when it has none; nothing when
// the number is negative or too large, as no event can have such an id.
std::optional<int32_t> DefineValueId(std::u16string_view value);

// The offset events that the lines of text add to rows, in order: events already in the list
// (same name without regard to case, same id) and those beyond the limit are left out. With
// offer set, the user is asked before the first usable line whether to import at all.
std::vector<EventRow> DefinesToAdd(std::u16string_view text, const CEventRows& rows,
                                   IUserPrompt* offer);

// What one event read from the clipboard does to the list.
struct AddStep {
    enum Kind { Append, Replace, Drop };
    Kind kind = Drop;
    size_t position = 0;  // of the row replaced
    EventRow row;
};
// An event of a type and id already listed asks the duplicate question: Yes appends a copy,
// No overwrites the listed event, Cancel drops it.
AddStep DecideAdd(const CEventRows& rows, EventRow incoming, IUserPrompt& prompt,
                  const CEventTypeNames& typeNames);
void ApplyAddStep(CEventRows& rows, const AddStep& step);

}  // namespace orva
