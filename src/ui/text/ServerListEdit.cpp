#include "ui/text/ServerListEdit.h"

#include <algorithm>

#include "platform/Text.h"

namespace orva {
namespace {

constexpr std::u16string_view kNoAddress = u"127.0.0.1";
constexpr AddressFields kLookupFields = {255, 255, 255, 255};

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

ServerRecord CServerListEdit::NewServer() {
    return ServerRecord{u"<new server>", u"127.0.0.1", ServerRecord::kDefaultPort};
}

std::u16string CServerListEdit::AddressText(const AddressFields& fields) {
    if (std::none_of(fields.begin(), fields.end(), [](const auto& f) { return f.has_value(); }))
        return std::u16string(kNoAddress);
    return Format(u"%d.%d.%d.%d", fields[0].value_or(0), fields[1].value_or(0),
                  fields[2].value_or(0), fields[3].value_or(0));
}

std::optional<AddressFields> CServerListEdit::ReadAddress(std::u16string_view text) {
    AddressFields fields;
    size_t i = 0;
    for (size_t part = 0; part < fields.size(); ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != u'.') return std::nullopt;
            ++i;
        }
        while (i < text.size() && IsSpace(text[i])) ++i;
        const size_t start = i;
        int value = 0;
        for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            value = value * 10 + (text[i] - u'0');
            if (value > 255) return std::nullopt;
        }
        if (i == start) return std::nullopt;
        fields[part] = value;
    }
    return fields;
}

std::optional<int32_t> CServerListEdit::ReadPort(std::u16string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int32_t port = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        port = port * 10 + (c - u'0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

CServerListEdit::CServerListEdit(ServerList servers) : servers_(std::move(servers)) {
    if (servers_.empty()) servers_.push_back(NewServer());
    typedPorts_.resize(servers_.size());
    Select(0);
}

std::u16string CServerListEdit::Line(size_t index) const {
    return index < servers_.size() ? Trim(servers_[index].alias) : std::u16string();
}

void CServerListEdit::Select(size_t index) {
    if (index >= servers_.size()) return;
    selected_ = index;
    // An address that does not read leaves the editor blank rather than showing the address of
    // the server selected before, which the next edit would then store into this one.
    const auto read = ReadAddress(Current().address);
    fields_ = read.value_or(AddressFields{});
    lookup_ = read == kLookupFields;
}

bool CServerListEdit::Add() {
    if (!CanAdd()) return false;
    servers_.push_back(NewServer());
    typedPorts_.emplace_back();
    Select(servers_.size() - 1);
    return true;
}

void CServerListEdit::Remove() {
    const size_t removed = selected_;
    servers_.erase(servers_.begin() + static_cast<std::ptrdiff_t>(removed));
    typedPorts_.erase(typedPorts_.begin() + static_cast<std::ptrdiff_t>(removed));
    if (servers_.empty()) {
        servers_.push_back(NewServer());
        typedPorts_.emplace_back();
    }
    Select(removed > 0 ? removed - 1 : 0);
}

void CServerListEdit::SetAlias(std::u16string_view text) {
    servers_[selected_].alias = Trim(text);
}

std::u16string CServerListEdit::PortText(size_t index) const {
    if (typedPorts_[index]) return *typedPorts_[index];
    return Format(u"%d", servers_[index].port);
}

void CServerListEdit::SetPort(std::u16string_view text) {
    typedPorts_[selected_] = std::u16string(text);
    if (const auto port = ReadPort(text)) servers_[selected_].port = *port;
}

std::optional<size_t> CServerListEdit::FirstBadPort() const {
    for (size_t i = 0; i < servers_.size(); ++i) {
        if (servers_[i].address == ServerRecord::kLookupAddress) continue;
        if (!ReadPort(PortText(i))) return i;
    }
    return std::nullopt;
}

void CServerListEdit::SetFields(const AddressFields& fields) {
    StoreAddress(fields);
    lookup_ = Current().address == ServerRecord::kLookupAddress;
}

void CServerListEdit::SetLookup(bool on) {
    if (on == lookup_) return;
    if (on) {
        remembered_ = AddressText(fields_);
        StoreAddress(kLookupFields);
    } else {
        // The remembered text was written by AddressText, so it always reads back.
        StoreAddress(ReadAddress(remembered_).value_or(AddressFields{}));
    }
    lookup_ = on;
}

void CServerListEdit::StoreAddress(const AddressFields& fields) {
    fields_ = fields;
    servers_[selected_].address = AddressText(fields);
}

}  // namespace orva
