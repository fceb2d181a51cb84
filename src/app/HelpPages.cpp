#include "app/HelpPages.h"

#include <algorithm>
#include <array>

#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"

namespace orva {
namespace {

// The web host's page names are the windows' own; the pages that only the local manual has
// end in ".html" and are listed with themselves, so the manual's test finds every one.
constexpr std::array<HelpTopic, 13> kTopics{{
    {u"", u"index.html"},
    {u"configuracion_de_los_clientes_iocp.htm", u"servers.html"},
    {u"configurcion_de_los_eventos.htm", u"events.html"},
    {u"anadir_y_editar_eventos.htm", u"events.html#event-definition"},
    {u"editor_de_scripts_de_lua.htm", u"script-editor.html"},
    {u"helper.htm", u"script-editor.html#helper"},
    {u"repositorio_de_codigo_.htm", u"repository.html"},
    {u"la_ventana__print_monitor__o_de_log.htm", u"print-monitor.html"},
    {u"io-monitor.html", u"io-monitor.html"},
    {u"card-tools.html#card-selection", u"card-tools.html#card-selection"},
    {u"card-tools.html#looking-for-id", u"card-tools.html#looking-for-id"},
    {u"card-tools.html#pin-calculator", u"card-tools.html#pin-calculator"},
    {u"files.html#backups", u"files.html#backups"},
}};

constexpr std::u16string_view kReference = u"scripting.html#";

std::u16string FilePart(std::u16string_view page) {
    return std::u16string(page.substr(0, page.find(u'#')));
}

}  // namespace

std::span<const HelpTopic> HelpTopics() {
    return kTopics;
}

bool IsLocalOnlyHelpPage(std::u16string_view page) {
    const std::u16string file = FilePart(page);
    return file.size() > 5 && file.ends_with(u".html");
}

std::u16string LocalHelpPage(std::u16string_view page) {
    for (const HelpTopic& topic : kTopics) {
        if (EqualsNoCase(topic.page, page)) return std::u16string(topic.local);
    }
    if (IsLocalOnlyHelpPage(page)) return std::u16string(page);
    // Web page names are compared without regard to case, as the web host lower-cases them.
    for (const HelpPageRow& row : HelpPageRows()) {
        if (!row.page.empty() && EqualsNoCase(row.page, page)) {
            return std::u16string(kReference) + std::u16string(row.name);
        }
    }
    return u"index.html";
}

std::filesystem::path ManualFolder(const std::filesystem::path& programFolder) {
    const std::filesystem::path manual =
        std::filesystem::path("share") / "doc" / "orvapanel" / "html";
    for (const auto& root :
         {programFolder.parent_path().parent_path(), programFolder.parent_path()}) {
        const auto folder = (root / manual).lexically_normal();
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / "index.html", ec)) return folder;
    }
    return {};
}

std::u16string WebHelpAddress(std::u16string_view page, std::u16string_view host,
                              std::u16string_view appName) {
    std::u16string base(host);
    while (!base.empty() && base.back() == u'/') base.pop_back();
    if (base.empty()) return {};
    return ToLower(base + u"/iocp/Orva/" + std::u16string(appName) + u"/help/" +
                   std::u16string(page));
}

std::u16string FileAddress(const std::filesystem::path& file, std::u16string_view anchor) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::u16string address = u"file://";
    for (const unsigned char c : file.string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            address += static_cast<char16_t>(c);
        } else {
            address += u'%';
            address += static_cast<char16_t>(kHex[c >> 4]);
            address += static_cast<char16_t>(kHex[c & 0x0F]);
        }
    }
    if (!anchor.empty()) address += u"#" + std::u16string(anchor);
    return address;
}

std::u16string HelpAddressOf(std::u16string_view page, std::u16string_view host,
                             std::u16string_view appName, const std::filesystem::path& manual) {
    if (!IsLocalOnlyHelpPage(page)) {
        std::u16string web = WebHelpAddress(page, host, appName);
        if (!web.empty()) return web;
    }
    if (manual.empty()) return {};
    const std::u16string local = LocalHelpPage(page);
    const size_t hash = local.find(u'#');
    const std::u16string anchor = hash == std::u16string::npos ? u"" : local.substr(hash + 1);
    return FileAddress(manual / ToUtf8(FilePart(local)), anchor);
}

CHelpPages& CHelpPages::Shared() {
    static CHelpPages pages;
    return pages;
}

void CHelpPages::Register(std::u16string page) {
    std::lock_guard lock(mutex_);
    pages_.push_back(std::move(page));
}

void CHelpPages::Unregister(std::u16string_view page) {
    std::lock_guard lock(mutex_);
    const auto it = std::find(pages_.rbegin(), pages_.rend(), page);
    if (it != pages_.rend()) pages_.erase(std::next(it).base());
}

std::u16string CHelpPages::Current() const {
    std::lock_guard lock(mutex_);
    return pages_.empty() ? std::u16string() : pages_.back();
}

std::u16string CHelpPages::Address(std::u16string_view host, std::u16string_view appName) const {
    return WebHelpAddress(Current(), host, appName);
}

std::u16string CHelpPages::HelpAddress(std::u16string_view host, std::u16string_view appName,
                                       const std::filesystem::path& manual) const {
    return HelpAddressOf(Current(), host, appName, manual);
}

CHelpPageScope::CHelpPageScope(std::u16string page) : page_(std::move(page)) {
    CHelpPages::Shared().Register(page_);
}

CHelpPageScope::~CHelpPageScope() {
    CHelpPages::Shared().Unregister(page_);
}

}  // namespace orva
