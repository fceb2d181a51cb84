// The code repository without windows: reading its document, the list filter, and taking a
// downloaded copy into the cache only when it is whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class IUserPrompt;
class XmlElement;

// One snippet of the catalogue. A missing type, from or description reads as "(null)", as the
// list shows it; a missing script (or one that says "(null)") reads as empty.
struct Snippet {
    std::u16string type;
    std::u16string from;
    std::u16string description;
    std::u16string script;

    bool CanInsert() const { return !script.empty(); }
    bool operator==(const Snippet&) const = default;
};

inline constexpr std::u16string_view kRepositoryRoot = u"repository";
inline constexpr std::u16string_view kRepositoryVersion = u"1.0";

// The snippets of a "repository" root in document order; nothing for an empty handle, another
// root or a Version other than "1.0".
std::optional<std::vector<Snippet>> ReadRepository(const XmlElement& root);
// The same from the bytes of a document (UTF-8, UTF-16LE or ASCII).
std::optional<std::vector<Snippet>> ReadRepositoryBytes(std::string_view bytes);

// What the cache file holds: nothing when there is no file; otherwise its snippets, none when it
// is not a repository this program reads. With a prompt, a file the XML reader rejects is also
// reported to the user.
std::optional<std::vector<Snippet>> LoadRepositoryFile(const std::filesystem::path& file,
                                                       IUserPrompt* prompt = nullptr);

// The filter as it is applied: the typed text, lower-cased.
std::u16string RepositoryFilterKey(std::u16string_view typed);
// Whether a snippet passes a filter key: an empty key passes everything; otherwise the key must
// occur in the type, from or description (lower-cased). The script is not searched.
bool SnippetMatches(const Snippet& snippet, std::u16string_view filterKey);
std::vector<Snippet> FilterSnippets(const std::vector<Snippet>& snippets,
                                    std::u16string_view filterKey);

// The repository that ships with the program, beside the program's folder: share/orvapanel/
// above it (the build tree's bin/, or a test's folder) or two levels up (an installed
// lib/orvapanel/). The first that exists; empty when none does.
std::filesystem::path FindBundledRepository(const std::filesystem::path& programFolder);

// "<host>/iocp/orva/<app>/repository/repository.xml": the path lower-cased as the help pages
// are, the host as configured; empty when there is no host (downloads are switched off).
std::u16string RepositoryAddress(std::u16string_view host, std::u16string_view appName);

// A new empty file in the temporary folder for a download to write; empty when none could be
// made.
std::filesystem::path MakeRepositoryDownloadFile();

enum class CacheUpdate { Replaced, NotRepository, CannotWrite };

// Takes a finished download into the cache: only a document that reads as a repository replaces
// it, and atomically, so the cache is always either the old file or the whole new one. The
// downloaded file is removed in every case.
CacheUpdate InstallRepositoryDownload(const std::filesystem::path& downloaded,
                                      const std::filesystem::path& cache);

}  // namespace orva
