#include "ui/text/EventRows.h"

#include <algorithm>
#include <utility>

#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

constexpr std::u16string_view kUnnamedServer = u"UNKNWN IOCP";

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

EventRow RowOf(const EventRecord& record) {
    return EventRow{record.type, record.name,     record.script,
                    record.id,   record.disabled, record.errorMark};
}

std::u16string CellText(const EventRow& row, size_t position, int column,
                        const CEventTypeNames& typeNames) {
    switch (column) {
        case kColumnEvent:
            return Format(u"%d", position);
        case kColumnType:
            return typeNames.Name(row.type);
        case kColumnName:
            return row.name;
        case kColumnId:
            return Format(u"%d", row.id);
        case kColumnScript:
            return row.script.empty() ? u"<empty>" : u"Yes";
        case kColumnDisabled:
            return row.disabled ? u"<disabled>" : u"No";
        default:
            return {};
    }
}

CellColours CellColoursOf(const EventRow& row, int column) {
    CellColours colours;
    if (row.disabled) {
        colours.text = kDisabledText;
    } else if (row.script.empty()) {
        colours.text = kEmptyScriptText;
    }
    if (column == kColumnName && IsMarkedEventName(row.name)) colours.back = kMarkedNameBack;
    if (column == kColumnDisabled && row.errorMark) {
        colours.text = kWhite;
        colours.back = kErrorCellBack;
    }
    return colours;
}

std::vector<std::u16string> DefinitionTypeNames(const CEventTypeNames& typeNames) {
    std::vector<std::u16string> names;
    for (size_t type = 0; type < CEventTypeNames::kCount; ++type) {
        const std::u16string& name = typeNames.Name(type);
        if (name.empty() || name == kUnnamedServer) break;
        names.push_back(name);
    }
    return names;
}

IdControls IdControlsFor(int typeSelection) {
    if (typeSelection >= kEventDigitalPin && typeSelection <= kEventEncoder) return {true, true};
    if (typeSelection >= kEventFirstIocp && typeSelection <= kEventLastIocp) return {true, false};
    return {};
}

std::optional<int32_t> ReadEventId(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const size_t digits = i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > kMaxEventId) return std::nullopt;
    }
    if (i == digits) return std::nullopt;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size() || (negative && value != 0)) return std::nullopt;
    return static_cast<int32_t>(value);
}

CEventRows::CEventRows(const CEventTable& table) {
    const size_t used = table.UsedCount();
    rows_.reserve(used);
    for (size_t i = 0; i < used; ++i) rows_.push_back(RowOf(table[i]));
}

bool CEventRows::TableIsEmpty(const CEventTable& table) {
    for (size_t i = 0; i < CEventTable::kSize; ++i) {
        if (table[i].id != -1) return false;
    }
    return true;
}

bool CEventRows::Append(EventRow row) {
    if (Full()) return false;
    rows_.push_back(std::move(row));
    return true;
}

void CEventRows::Replace(size_t position, EventRow row) {
    rows_[position] = std::move(row);
}

void CEventRows::Remove(size_t position) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(position));
}

bool CEventRows::MoveUp(size_t position) {
    if (position == 0 || position >= rows_.size()) return false;
    std::swap(rows_[position], rows_[position - 1]);
    return true;
}

bool CEventRows::MoveDown(size_t position) {
    if (position + 1 >= rows_.size()) return false;
    std::swap(rows_[position], rows_[position + 1]);
    return true;
}

void CEventRows::SetScript(size_t position, std::u16string script) {
    rows_[position].script = std::move(script);
}

void CEventRows::ToggleDisabled(size_t position) {
    rows_[position].disabled = !rows_[position].disabled;
}

void CEventRows::ClearErrorMark(size_t position) {
    rows_[position].errorMark = false;
}

std::optional<size_t> CEventRows::FindTypeAndId(uint8_t type, int32_t id) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].type == type && rows_[i].id == id) return i;
    }
    return std::nullopt;
}

bool CEventRows::HasNameAndId(std::u16string_view name, int32_t id) const {
    return std::any_of(rows_.begin(), rows_.end(), [&](const EventRow& row) {
        return row.id == id && EqualsNoCase(row.name, name);
    });
}

void CEventRows::SaveInto(CEventTable& table) const {
    for (size_t k = 0; k < CEventTable::kSize; ++k) {
        EventRecord& slot = table[k];
        if (k >= rows_.size()) {
            slot.Free();
            continue;
        }
        const EventRow& row = rows_[k];
        slot.type = row.type;
        slot.id = row.id;
        slot.name = row.name;
        slot.script = row.script;
        slot.disabled = row.disabled;
        slot.errorMark = false;
    }
}

std::unique_ptr<CEventTable> CEventRows::ToTable() const {
    auto table = std::make_unique<CEventTable>();
    SaveInto(*table);
    return table;
}

CDeleteWalk::CDeleteWalk(std::vector<size_t> selected) : selected_(std::move(selected)) {
    std::sort(selected_.begin(), selected_.end());
    selected_.erase(std::unique(selected_.begin(), selected_.end()), selected_.end());
}

std::optional<size_t> CDeleteWalk::Next() {
    if (next_ >= selected_.size()) return std::nullopt;
    return selected_[next_++] - removed_;
}

void CDeleteWalk::Removed() {
    ++removed_;
}

bool ConfirmDelete(IUserPrompt& prompt, const EventRow& row, const CEventTypeNames& typeNames) {
    const std::u16string text =
        Format(u"Are you sure you want to delete the event %s named '%s'?",
               CellText(row, 0, kColumnType, typeNames), CellText(row, 0, kColumnName, typeNames));
    return prompt.AskQuestion(text, u"Remove Event", PromptButtons::YesNo, PromptIcon::Question) ==
           PromptAnswer::Yes;
}

}  // namespace orva
