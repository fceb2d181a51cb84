// Arbitrary bytes through the code repository's document reader and its list filter. The first
// byte gives the length of a filter taken from the end of the input; the rest is the document.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Text.h"
#include "ui/text/Repository.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.empty()) return 0;
    const size_t keyLength =
        std::min<size_t>(static_cast<unsigned char>(bytes[0]) % 16, bytes.size() - 1);
    bytes.remove_prefix(1);
    const std::u16string key =
        orva::RepositoryFilterKey(orva::FromAnsi(bytes.substr(bytes.size() - keyLength)));
    bytes.remove_suffix(keyLength);

    const auto snippets = orva::ReadRepositoryBytes(bytes);
    if (!snippets) return 0;
    for (const orva::Snippet& snippet : *snippets) {
        // "(null)" is never a script to insert.
        if (snippet.CanInsert() && orva::EqualsNoCase(snippet.script, u"(null)")) std::abort();
    }
    if (orva::FilterSnippets(*snippets, u"").size() != snippets->size()) std::abort();
    const std::vector<orva::Snippet> shown = orva::FilterSnippets(*snippets, key);
    if (shown.size() > snippets->size()) std::abort();
    for (const orva::Snippet& snippet : shown) {
        if (!orva::SnippetMatches(snippet, key)) std::abort();
    }
    return 0;
}
