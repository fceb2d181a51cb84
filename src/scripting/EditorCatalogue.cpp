#include "scripting/EditorCatalogue.h"

#include <atomic>
#include <mutex>

namespace orva {
namespace {

struct Catalogue {
    std::once_flag once;
    std::vector<CatalogueEntry> entries;
    // Set after the fill, so a reader that comes first sees an empty catalogue, never half of one.
    std::atomic<bool> ready{false};
};

Catalogue& TheCatalogue() {
    static Catalogue catalogue;
    return catalogue;
}

std::u16string_view HelpPageOf(std::u16string_view name) {
    for (const HelpPageRow& row : HelpPageRows()) {
        if (row.name == name) return row.page;
    }
    return {};
}

}  // namespace

void InitEditorCatalogue() {
    Catalogue& catalogue = TheCatalogue();
    std::call_once(catalogue.once, [&catalogue] {
        const auto rows = DescriptorRows();
        catalogue.entries.reserve(rows.size());
        for (const DescriptorRow& row : rows) {
            catalogue.entries.push_back(
                {kHelperFunction, row.name, row.params, HelpPageOf(row.name)});
        }
        catalogue.ready.store(true, std::memory_order_release);
    });
}

std::span<const CatalogueEntry> EditorCatalogue() {
    const Catalogue& catalogue = TheCatalogue();
    if (!catalogue.ready.load(std::memory_order_acquire)) return {};
    return catalogue.entries;
}

CatalogueHints FindCatalogueHints(std::u16string_view name) {
    CatalogueHints hints;
    const auto entries = EditorCatalogue();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].name != name) continue;
        hints.entries.push_back(i);
        hints.helpPage = entries[i].helpPage;
    }
    return hints;
}

}  // namespace orva
