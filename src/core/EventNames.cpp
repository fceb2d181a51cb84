#include "core/EventNames.h"

#include <array>

#include "core/EventTable.h"
#include "platform/Text.h"

namespace orva {

namespace {

constexpr std::u16string_view kMarked =
    u" \u00E1\u00E9\u00ED\u00F3\u00FA\u00C1\u00C9\u00CD\u00D3\u00DA\u00FC\u00F6\u00E0\u00E8"
    u"\u00EC\u00F2\u00F9<>!\\\u00BA\u00AA$%&/()=?\u00BF*^\u00B4{}][.:;,\u00F1\u00D1-\u00B7$ ";

// Every marked character lies below U+0100: one table look-up per character instead of a
// search of the set (the editor's names refresh tests every event name).
constexpr std::array<bool, 256> MarkedTable() {
    std::array<bool, 256> table{};
    for (const char16_t c : kMarked) table[c] = true;
    return table;
}

}  // namespace

bool IsMarkedEventName(std::u16string_view name) {
    static constexpr std::array<bool, 256> kTable = MarkedTable();
    if (name.empty()) return true;
    for (const char16_t c : name) {
        if (c < kTable.size() && kTable[c]) return true;
    }
    return false;
}

CEventTypeNames::CEventTypeNames() {
    names_ = {u"AFTER CONNECT", u"BEFORE DISCONNECT", u"DIGITAL PIN",
              u"ANALOG CHNL",   u"ENCODER",           u"IO ERROR"};
    for (size_t i = kEventFirstIocp; i < kCount; ++i) names_[i] = u"UNKNWN IOCP";
}

const std::u16string& CEventTypeNames::Name(size_t type) const {
    static const std::u16string kNone;
    return type < kCount ? names_[type] : kNone;
}

void CEventTypeNames::NameServers(const ServerList& servers) {
    for (size_t i = 0; i < servers.size() && i < static_cast<size_t>(kMaxIocpTypedServers); ++i) {
        names_[kEventFirstIocp + i] = ServerTypeName(servers[i].alias);
    }
}

std::u16string CEventTypeNames::ServerTypeName(std::u16string_view alias) {
    return ToUpper(Format(u"%s OFFSET", alias));
}

}  // namespace orva
