#include "core/UnreadableEvents.h"

#include <system_error>

#include "core/Configuration.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

constexpr std::u16string_view kCaption = u"Events file not read";

}  // namespace

bool IsReadableEventsVersion(std::u16string_view version) {
    return version <= u"1.0";
}

std::optional<std::u16string> UnreadableEventsReason(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size == 0) return std::nullopt;  // nothing in it to lose
    XmlParseResult result;
    const XmlElement root = ReadXmlFile(path, CConfiguration::kEventsRoot, result);
    if (!root) {
        // Some errors (a missing root, bytes that are no text) have no place in the file.
        return result.line > 0 ? Format(u"could not be read (%S at line %i, column %i).",
                                        XmlErrorText(result.error), result.line, result.column)
                               : Format(u"could not be read (%S).", XmlErrorText(result.error));
    }
    const std::u16string version = GetAttribute(root, u"version").value_or(std::u16string());
    if (IsReadableEventsVersion(version)) return std::nullopt;
    return Format(u"is of a newer format (version %s) than this program reads.", version);
}

std::filesystem::path KeptEventsPath(const std::filesystem::path& path, std::time_t now) {
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), ".broken-%Y%m%d-%H%M%S", &local);
    std::filesystem::path first = path;
    first += stamp;
    std::filesystem::path kept = first;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(kept, ec); ++n) {
        kept = first;
        kept += "-" + std::to_string(n);
    }
    return kept;
}

bool KeepUnreadableEvents(const std::filesystem::path& path, IUserPrompt& prompt) {
    const std::optional<std::u16string> reason = UnreadableEventsReason(path);
    if (!reason) return true;
    const std::filesystem::path kept = KeptEventsPath(path, std::time(nullptr));
    const PromptAnswer answer = prompt.Ask(
        {Format(u"The events file\r\n%s\r\n%s The events in it were not loaded.\r\n\r\nSave the "
                u"current events in its place? The file as it is now is kept as\r\n%s\r\n\r\nNo "
                u"leaves the file as it is and saves no events.",
                PathText(path), *reason, PathText(kept)),
         std::u16string(kCaption), PromptButtons::YesNo, PromptIcon::Warning, false});
    if (answer != PromptAnswer::Yes) return false;
    // Written as every save is, so the copy is whole on disk before the file is replaced.
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (bytes && WriteFileAtomically(kept, *bytes)) return true;
    prompt.ShowMessage(Format(u"The events file could not be kept as\r\n%s\r\nso it was not "
                              u"replaced, and the events were not saved.",
                              PathText(kept)),
                       std::u16string(kCaption), PromptIcon::Error);
    return false;
}

}  // namespace orva
