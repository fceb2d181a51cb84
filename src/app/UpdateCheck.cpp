#include "app/UpdateCheck.h"

#include "app/Download.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "xml/XmlElement.h"

extern char** environ;

namespace orva {
namespace {

// No host of our own: without one named, nothing is asked of the network (help is local).
constexpr std::u16string_view kDefaultHost = u"";

std::u16string Attribute(const XmlElement& e, std::u16string_view name) {
    return GetAttribute(e, name).value_or(std::u16string());
}

std::u16string ReplaceAll(std::u16string text, std::u16string_view from, std::u16string_view to) {
    for (size_t at = text.find(from); at != std::u16string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

double Number(std::u16string_view text) {
    return std::strtod(ToUtf8(text).c_str(), nullptr);
}

// The button set and icon of a message-box style number.
PromptRequest StyledRequest(std::u16string text, std::u16string caption, int32_t style) {
    PromptRequest r{std::move(text), std::move(caption), PromptButtons::Ok, PromptIcon::None,
                    false};
    switch (style & 0x0F) {
        case 3:
            r.buttons = PromptButtons::YesNoCancel;
            break;
        case 4:
            r.buttons = PromptButtons::YesNo;
            break;
        default:
            break;
    }
    switch (style & 0xF0) {
        case 0x10:
            r.icon = PromptIcon::Error;
            break;
        case 0x20:
            r.icon = PromptIcon::Question;
            break;
        case 0x30:
            r.icon = PromptIcon::Warning;
            break;
        case 0x40:
            r.icon = PromptIcon::Information;
            break;
        default:
            break;
    }
    return r;
}

std::filesystem::path TempFile(std::u16string_view productKey) {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    const auto folder = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    char unique[16];
    std::snprintf(unique, sizeof(unique), "%X", ++counter + static_cast<unsigned>(::getpid()) * 16);
    return folder / (ToUtf8(productKey.substr(0, 3)) + unique + ".tmp");
}

}  // namespace

bool CDesktopOpener::Open(std::u16string_view target) {
    const std::string arg = ToUtf8(target);
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::u16string WebHost() {
    if (const char* host = std::getenv("ORVA_WEB_HOST")) return FromUtf8(host);
    return CProfile(AppProfileFile()).ReadString(u"Web", u"Host", kDefaultHost);
}

std::optional<UpdateDocument> ReadUpdateDocument(std::u16string_view text,
                                                 std::u16string_view productKey) {
    XmlParseResult result;
    const XmlElement root = ParseXmlText(text, productKey, result);
    if (!root) return std::nullopt;
    UpdateDocument document;
    document.version = Attribute(root, u"version");
    if (const XmlElement message = FindChild(root, u"message")) {
        UpdateAnnouncement& a = document.announcement.emplace();
        a.text = ReplaceAll(ReplaceAll(Attribute(message, u"txt"), u"\\r", u"\r"), u"\\n", u"\n");
        a.caption = Attribute(message, u"cap");
        a.url = Attribute(message, u"url");
        a.id = ParseLeadingInt(Attribute(message, u"id"));
        a.style = ParseLeadingInt(Attribute(message, u"mb"));
    }
    const XmlElement offer = FindChild(root, productKey);
    if (!offer || Attribute(offer, u"url").empty()) return document;
    UpdateOffer& o = document.offer.emplace();
    o.title = Attribute(offer, u"title");
    o.text = ReplaceAll(ReplaceAll(Attribute(offer, u"txt"), u"\\n", u"\n"), u"\\r", u"\r");
    o.url = Attribute(offer, u"url");
    o.mode = Attribute(offer, u"mode");
    o.canSkip = EqualsNoCase(Attribute(offer, u"canskip"), u"yes");
    if (o.title.empty()) o.title = u"New version";
    if (o.text.empty()) {
        o.text = u"A new version of the Travent has been found.\r\nWould you like to download it?";
    }
    return document;
}

CUpdateCheck::CUpdateCheck(IUserPrompt& prompt, IShellOpener& opener, std::u16string host)
    : prompt_(prompt), opener_(opener), host_(std::move(host)) {}

void CUpdateCheck::Run(std::u16string_view productKey, double version) {
    if (host_.empty()) return;
    const auto tempFile = TempFile(productKey);
    if (tempFile.empty()) return;
    const std::u16string url =
        host_ + Format(u"/iocp/orva/%s32/versions/update_%1.2f.xml", productKey, version);
    const bool downloaded = DownloadToFile(ToUtf8(url), tempFile, kTimeoutMs);
    const auto bytes = downloaded ? ReadWholeFile(tempFile) : std::nullopt;
    std::error_code ec;
    std::filesystem::remove(tempFile, ec);
    if (!bytes || bytes->empty()) return;
    const auto text = DecodeXmlBytes(*bytes);
    if (!text) return;
    const auto document = ReadUpdateDocument(*text, productKey);
    if (!document) return;
    if (document->announcement) Announce(*document->announcement, version);
    if (Number(document->version) <= version) return;
    const std::u16string skipped =
        CProfile(AppProfileFile()).ReadString(u"temp", u"skipedversions", u"", 0);
    if (skipped.find(document->version) != std::u16string::npos) return;
    if (!document->offer) return;
    Offer(*document->offer, document->version);
}

void CUpdateCheck::Announce(const UpdateAnnouncement& message, double version) {
    const CProfile profile(AppProfileFile());
    const std::u16string tag = Format(u"%%%d%%", message.id);
    if (Number(profile.ReadString(u"temp", u"version", u"")) != Number(Format(u"%1.2f", version))) {
        profile.WriteString(u"temp", u"version", Format(u"%1.2f", version));
        profile.WriteString(u"temp", u"messages", u"");
    }
    std::u16string shown = profile.ReadString(u"temp", u"messages", u"", 0);
    if (shown.find(tag) != std::u16string::npos) return;
    const PromptAnswer answer =
        prompt_.Ask(StyledRequest(message.text, message.caption, message.style));
    if ((message.style & 0x04) && answer == PromptAnswer::Yes) opener_.Open(message.url);
    profile.WriteString(u"temp", u"messages", shown + tag);
}

void CUpdateCheck::Offer(const UpdateOffer& offer, std::u16string_view newest) {
    if (prompt_.AskQuestion(offer.text, offer.title, PromptButtons::YesNo) == PromptAnswer::Yes) {
        if (offer.mode.empty() || EqualsNoCase(offer.mode, u"open")) {
            opener_.Open(offer.url);
        } else if (EqualsNoCase(offer.mode, u"run")) {
            // An installer from the network is never downloaded and started: handed to the
            // desktop, an ".exe" would go to whatever opens such files. The browser gets the
            // address instead, over https only, and the user installs the way the system does.
            if (offer.url.rfind(u"https://", 0) != 0) {
                prompt_.ShowMessage(
                    u"The new version can't be downloaded: its address does not use a secure "
                    u"(https) connection.\r\n\r\nPlease get it from the maker's web site.",
                    offer.title, PromptIcon::Warning);
                return;
            }
            opener_.Open(offer.url);
        }
        return;
    }
    if (!offer.canSkip) return;
    if (prompt_.AskQuestion(
            u"Do you want to skip this version?\r\n\r\nIf you say 'yes' you will not be "
            u"asked again for this update, but you will be asked again when there is "
            u"a new one.",
            u"Skip this update?", PromptButtons::YesNo) == PromptAnswer::Yes) {
        const CProfile profile(AppProfileFile());
        profile.WriteString(
            u"temp", u"skipedversions",
            profile.ReadString(u"temp", u"skipedversions", u"", 0) + std::u16string(newest) + u"|");
    }
}

}  // namespace orva
