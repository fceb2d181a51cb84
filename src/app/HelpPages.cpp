#include "app/HelpPages.h"

#include <algorithm>

#include "platform/Text.h"

namespace orva {

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
    std::u16string base(host);
    while (!base.empty() && base.back() == u'/') base.pop_back();
    if (base.empty()) return {};
    return ToLower(base + u"/iocp/Orva/" + std::u16string(appName) + u"/help/" + Current());
}

CHelpPageScope::CHelpPageScope(std::u16string page) : page_(std::move(page)) {
    CHelpPages::Shared().Register(page_);
}

CHelpPageScope::~CHelpPageScope() {
    CHelpPages::Shared().Unregister(page_);
}

}  // namespace orva
