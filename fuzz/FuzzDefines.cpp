// "#define" lines from the clipboard's text: whatever the text, the import adds only offset
// events with a name and an id, never one twice, never past the limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "ui/text/EventClipboard.h"

namespace {

void Check(const std::vector<orva::EventRow>& added, const orva::CEventRows& rows) {
    if (rows.Count() + added.size() > orva::CEventRows::kMaxRows) std::abort();
    for (size_t i = 0; i < added.size(); ++i) {
        const orva::EventRow& row = added[i];
        if (row.type != orva::kEventFirstIocp || row.name.empty() || row.id < 0) std::abort();
        if (!row.script.empty() || row.disabled || row.errorMark) std::abort();
        if (rows.HasNameAndId(row.name, row.id)) std::abort();
        for (size_t j = 0; j < i; ++j) {
            if (added[j].id == row.id && orva::EqualsNoCase(added[j].name, row.name)) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text =
        orva::FromUtf16LeBytes(std::string_view(reinterpret_cast<const char*>(data), size));

    orva::CEventRows rows;
    std::vector<orva::EventRow> added = orva::DefinesToAdd(text, rows, nullptr);
    Check(added, rows);
    for (orva::EventRow& row : added) rows.Append(std::move(row));
    // The same text again adds nothing.
    if (!orva::DefinesToAdd(text, rows, nullptr).empty()) std::abort();

    // What the export writes of the names read back as the cleaned names.
    std::vector<orva::EventRow> exported;
    for (size_t i = 0; i < rows.Count(); ++i) exported.push_back(rows[i]);
    const orva::DefinitionText definitions = orva::OffsetDefinitionText(exported);
    const std::vector<orva::DefineTokens> lines =
        orva::ReadDefines(orva::FromAnsi(definitions.text));
    size_t line = 0;
    for (const orva::EventRow& row : exported) {
        const orva::CleanedName name = orva::CleanDefineName(row.name);
        if (name.text.empty()) continue;  // an empty name leaves a line that reads as nothing
        if (line >= lines.size() || lines[line].name != orva::Widen(name.text)) std::abort();
        if (orva::DefineValueId(lines[line].value) != row.id) std::abort();
        ++line;
    }
    if (line != lines.size()) std::abort();
    return 0;
}
