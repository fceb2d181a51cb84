#include "core/EventNames.h"

#include "core/EventTable.h"
#include "platform/Text.h"

namespace orva {

bool IsMarkedEventName(std::u16string_view name) {
    static constexpr std::u16string_view kMarked =
        u" \u00E1\u00E9\u00ED\u00F3\u00FA\u00C1\u00C9\u00CD\u00D3\u00DA\u00FC\u00F6\u00E0\u00E8"
        u"\u00EC\u00F2\u00F9<>!\\\u00BA\u00AA$%&/()=?\u00BF*^\u00B4{}][.:;,\u00F1\u00D1-\u00B7$ ";
    if (name.empty()) return true;
    return name.find_first_of(kMarked) != std::u16string_view::npos;
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
