// The events list's rows and what the list decides about them without widgets: the row
// operations, the save into the event table, the cell texts and colours, the Id field's rules.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventNames.h"
#include "core/EventTable.h"

namespace orva {

class IUserPrompt;

// One event as the list edits it: the record without the cells a connection writes.
struct EventRow {
    uint8_t type = 0;
    std::u16string name;
    std::u16string script;
    int32_t id = 0;
    bool disabled = false;
    bool errorMark = false;

    bool operator==(const EventRow&) const = default;
};

EventRow RowOf(const EventRecord& record);

enum EventColumn : int {
    kColumnEvent,
    kColumnType,
    kColumnName,
    kColumnId,
    kColumnScript,
    kColumnDisabled,
    kColumnCount
};

enum class CellAlign { Left, Centre, Right };

struct ColumnLayout {
    std::u16string_view header;
    int width;  // a starting width
    CellAlign align;
};

inline constexpr std::array<ColumnLayout, kColumnCount> kEventColumns{{
    {u"Event", 40, CellAlign::Centre},
    {u"Type", 130, CellAlign::Left},
    {u"Name", 210, CellAlign::Left},
    {u"Id", 100, CellAlign::Right},
    {u"LUA Script", 90, CellAlign::Left},
    {u"Disabled", 90, CellAlign::Left},
}};

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kHeaderBack{80, 80, 80};
inline constexpr Rgb kMarkedNameBack{255, 240, 240};
inline constexpr Rgb kEmptyScriptText{250, 69, 10};
inline constexpr Rgb kDisabledText{200, 0, 0};
inline constexpr Rgb kErrorCellBack{200, 0, 0};

struct CellColours {
    std::optional<Rgb> text;  // none: the list's own text colour
    Rgb back = kWhite;
};

// The text of a cell of the row at position.
std::u16string CellText(const EventRow& row, size_t position, int column,
                        const CEventTypeNames& typeNames);
CellColours CellColoursOf(const EventRow& row, int column);

// The types the definition dialog offers: the names up to the first server type that no server
// has named.
std::vector<std::u16string> DefinitionTypeNames(const CEventTypeNames& typeNames);

// Which of the Id field and the learning button the selected type (-1: none) enables.
struct IdControls {
    bool id = false;
    bool learn = false;
};
IdControls IdControlsFor(int typeSelection);

inline constexpr int32_t kMaxEventId = 99999;
// The Id field's text as an id 0..kMaxEventId: an integer with blanks around it at most.
std::optional<int32_t> ReadEventId(std::u16string_view text);

// The list's private copy of the events, in list order; never more than the table holds.
class CEventRows {
public:
    static constexpr size_t kMaxRows = CEventTable::kSize;

    CEventRows() = default;
    // The used part of the table.
    explicit CEventRows(const CEventTable& table);
    // Every slot free: the list then offers to import "#define" lines.
    static bool TableIsEmpty(const CEventTable& table);

    size_t Count() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }
    bool Full() const { return rows_.size() >= kMaxRows; }
    const EventRow& operator[](size_t position) const { return rows_[position]; }

    // False, and nothing added, when the list is full.
    bool Append(EventRow row);
    void Replace(size_t position, EventRow row);
    void Remove(size_t position);
    // Swap with the row above (below); false at the first (last) row.
    bool MoveUp(size_t position);
    bool MoveDown(size_t position);
    void SetScript(size_t position, std::u16string script);
    void ToggleDisabled(size_t position);
    void ClearErrorMark(size_t position);

    // The first row of that type and id.
    std::optional<size_t> FindTypeAndId(uint8_t type, int32_t id) const;
    // A row with that name (without regard to case) and that id.
    bool HasNameAndId(std::u16string_view name, int32_t id) const;

    // Row k into slot k, every later slot freed, every error mark cleared; the value cells stay.
    void SaveInto(CEventTable& table) const;
    // A table holding the rows, for what reads events from a table.
    std::unique_ptr<CEventTable> ToTable() const;

private:
    std::vector<EventRow> rows_;
};

// The delete question's walk over the selected rows, top to bottom: each Next is the current
// position of the next selected row, which shifts up by one for every row removed above it.
class CDeleteWalk {
public:
    explicit CDeleteWalk(std::vector<size_t> selected);
    std::optional<size_t> Next();
    // The row last returned by Next was removed.
    void Removed();

private:
    std::vector<size_t> selected_;
    size_t next_ = 0;
    size_t removed_ = 0;
};

// "Are you sure...?" for one row; true on Yes.
bool ConfirmDelete(IUserPrompt& prompt, const EventRow& row, const CEventTypeNames& typeNames);

}  // namespace orva
