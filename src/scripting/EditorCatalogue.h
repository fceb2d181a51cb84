// The script editor's fixed helper data: function hints with their help pages, keywords, operators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orva {

// The kinds of the editor's words; each kind has a colour of its own (3 has one but no source).
enum HelperKind : uint8_t {
    kHelperFunction = 1,  // a global function or a Lua keyword; every catalogue entry
    kHelperTable = 2,     // a table (its word ends with ".") or a member of one
    kHelperValue = 4,     // a global boolean, number or string
};

// A name the editor knows and its parameter hint.
struct DescriptorRow {
    std::u16string_view name;
    std::u16string_view params;
};

// A name and the file name of its page on the help server.
struct HelpPageRow {
    std::u16string_view name;
    std::u16string_view page;
};

struct CatalogueEntry {
    uint8_t kind = 0;
    std::u16string_view name;
    std::u16string_view params;
    std::u16string_view helpPage;  // empty when the name has no page
};

// The constant tables in their fixed order; the first two end with an empty row.
std::span<const DescriptorRow> DescriptorRows();
std::span<const HelpPageRow> HelpPageRows();
// Appended to every names list.
std::span<const std::u16string_view> LuaKeywords();
// The texts coloured wherever they occur; "/" is there twice.
std::span<const std::u16string_view> OperatorTexts();
// The lead-in lookup strips only the slots before "." and "_VERSION".
inline constexpr size_t kLeadInOperatorCount = 22;

// Fills the catalogue the first time it runs in the process (InitLuaState calls it); safe from
// any thread.
void InitEditorCatalogue();
// One entry per descriptor row; empty until InitEditorCatalogue has run.
std::span<const CatalogueEntry> EditorCatalogue();

// What the parameter tool box shows for a word.
struct CatalogueHints {
    std::vector<size_t> entries;   // catalogue indices whose name equals the word, in order
    std::u16string_view helpPage;  // the page of the last of them
};
CatalogueHints FindCatalogueHints(std::u16string_view name);

}  // namespace orva
