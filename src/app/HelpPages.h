// The online help: the pages that open windows register, and the address F1 opens: the page
// on the web host when one is set, else the same subject in the local manual.
#pragma once

#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// A page the windows register and its place in the local manual ("file.html#anchor").
struct HelpTopic {
    std::u16string_view page;
    std::u16string_view local;
};
// Every page name a window registers, the home page ("") included.
std::span<const HelpTopic> HelpTopics();

// The local manual's place for a page name: the windows' pages by HelpTopics, the editor
// catalogue's function pages by the function's section, a name whose file part ends in ".html"
// as it is (a page only the local manual has), anything else the contents page.
std::u16string LocalHelpPage(std::u16string_view page);
// Pages that end in ".html" exist only in the local manual; the web host has the others.
bool IsLocalOnlyHelpPage(std::u16string_view page);

// The local manual beside the program: share/doc/orvapanel/html of the installed tree (the
// programs live in lib/orvapanel) or of the build tree (bin); empty when neither holds it.
std::filesystem::path ManualFolder(const std::filesystem::path& programFolder);

// "<host>/iocp/Orva/<app>/help/<page>", lower-cased; empty when there is no host.
std::u16string WebHelpAddress(std::u16string_view page, std::u16string_view host,
                              std::u16string_view appName);
// A file:// address of a file (its path percent-encoded) with an optional anchor.
std::u16string FileAddress(const std::filesystem::path& file, std::u16string_view anchor);
// What opens for a page: the web host's page when a host is set and the page is not local-only,
// else the local manual's page; empty when neither is there.
std::u16string HelpAddressOf(std::u16string_view page, std::u16string_view host,
                             std::u16string_view appName, const std::filesystem::path& manual);

class CHelpPages {
public:
    // The registry of the program's windows.
    static CHelpPages& Shared();

    void Register(std::u16string page);
    // Takes back the most recent registration of page; one registration for each call.
    void Unregister(std::u16string_view page);
    // The most recently registered page still registered; empty when none.
    std::u16string Current() const;
    // The web address of the current page, the home page without one; empty without a host.
    std::u16string Address(std::u16string_view host, std::u16string_view appName) const;
    // What F1 opens for the current page (HelpAddressOf).
    std::u16string HelpAddress(std::u16string_view host, std::u16string_view appName,
                               const std::filesystem::path& manual) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::u16string> pages_;
};

// Registers a page for the life of a window (or while a popup is shown).
class CHelpPageScope {
public:
    explicit CHelpPageScope(std::u16string page);
    ~CHelpPageScope();
    CHelpPageScope(const CHelpPageScope&) = delete;
    CHelpPageScope& operator=(const CHelpPageScope&) = delete;

private:
    std::u16string page_;
};

}  // namespace orva
