// The online help: the pages that open windows register, and the address F1 opens.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class CHelpPages {
public:
    // The registry of the program's windows.
    static CHelpPages& Shared();

    void Register(std::u16string page);
    // Takes back the most recent registration of page; one registration for each call.
    void Unregister(std::u16string_view page);
    // The most recently registered page still registered; empty when none.
    std::u16string Current() const;
    // "<host>/iocp/Orva/<app>/help/<page>" for the current page, the home page without one,
    // lower-cased; empty when there is no host.
    std::u16string Address(std::u16string_view host, std::u16string_view appName) const;

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
