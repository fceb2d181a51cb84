#include "ui/text/Repository.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/Text.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

constexpr std::u16string_view kNull = u"(null)";

std::u16string ShownAttribute(const XmlElement& code, std::u16string_view name) {
    return GetAttribute(code, name).value_or(std::u16string(kNull));
}

std::u16string ScriptAttribute(const XmlElement& code) {
    std::u16string script = GetAttribute(code, u"script").value_or(std::u16string());
    if (EqualsNoCase(script, kNull)) script.clear();
    return script;
}

bool ContainsLowered(std::u16string_view text, std::u16string_view key) {
    return ToLower(text).find(key) != std::u16string::npos;
}

void RemoveQuietly(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
}

}  // namespace

std::optional<std::vector<Snippet>> ReadRepository(const XmlElement& root) {
    if (!root || !EqualsNoCase(root.Name(), kRepositoryRoot)) return std::nullopt;
    if (GetAttribute(root, u"Version") != kRepositoryVersion) return std::nullopt;
    std::vector<Snippet> snippets;
    int index = 0;
    while (const XmlElement code = FindChild(root, u"code", &index)) {
        snippets.push_back({ShownAttribute(code, u"type"), ShownAttribute(code, u"from"),
                            ShownAttribute(code, u"description"), ScriptAttribute(code)});
    }
    return snippets;
}

std::optional<std::vector<Snippet>> ReadRepositoryBytes(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    const auto text = DecodeXmlBytes(bytes);
    if (!text) return std::nullopt;
    XmlParseResult result;
    return ReadRepository(ParseXmlText(*text, kRepositoryRoot, result));
}

std::optional<std::vector<Snippet>> LoadRepositoryFile(const std::filesystem::path& file,
                                                       IUserPrompt* prompt) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return std::nullopt;
    XmlElement root;
    if (prompt) {
        root = ParseXmlFile(file, kRepositoryRoot, *prompt);
    } else {
        XmlParseResult result;
        root = ReadXmlFile(file, kRepositoryRoot, result);
    }
    return ReadRepository(root).value_or(std::vector<Snippet>());
}

std::u16string RepositoryFilterKey(std::u16string_view typed) {
    return ToLower(typed);
}

bool SnippetMatches(const Snippet& snippet, std::u16string_view filterKey) {
    return filterKey.empty() || ContainsLowered(snippet.type, filterKey) ||
           ContainsLowered(snippet.from, filterKey) ||
           ContainsLowered(snippet.description, filterKey);
}

std::vector<Snippet> FilterSnippets(const std::vector<Snippet>& snippets,
                                    std::u16string_view filterKey) {
    std::vector<Snippet> shown;
    for (const Snippet& snippet : snippets) {
        if (SnippetMatches(snippet, filterKey)) shown.push_back(snippet);
    }
    return shown;
}

std::filesystem::path FindBundledRepository(const std::filesystem::path& programFolder) {
    for (const char* up : {"..", "../.."}) {
        const std::filesystem::path file =
            programFolder / up / "share" / "orvapanel" / "repository.xml";
        std::error_code ec;
        if (std::filesystem::is_regular_file(file, ec)) return file.lexically_normal();
    }
    return {};
}

std::u16string RepositoryAddress(std::u16string_view host, std::u16string_view appName) {
    while (!host.empty() && host.back() == u'/') host.remove_suffix(1);
    if (host.empty()) return {};
    return std::u16string(host) +
           ToLower(u"/iocp/Orva/" + std::u16string(appName) + u"/repository/repository.xml");
}

std::filesystem::path MakeRepositoryDownloadFile() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    // A unique name: several instances may update their repository at the same time.
    std::string name = (folder / "orvapanel-repository.XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return {};
    ::close(fd);
    return name;
}

CacheUpdate InstallRepositoryDownload(const std::filesystem::path& downloaded,
                                      const std::filesystem::path& cache) {
    const std::optional<std::string> bytes = ReadWholeFile(downloaded);
    RemoveQuietly(downloaded);
    // An error page or a proxy's notice served as the document must not replace a working cache.
    if (!bytes || !ReadRepositoryBytes(*bytes)) return CacheUpdate::NotRepository;
    std::error_code ec;
    std::filesystem::create_directories(cache.parent_path(), ec);
    return WriteFileAtomically(cache, *bytes) ? CacheUpdate::Replaced : CacheUpdate::CannotWrite;
}

}  // namespace orva
