#include "app/InstanceName.h"

#include "app/InstanceRegistry.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace orva {

void CNewCommandLineInfo::ParseParam(std::u16string_view param, bool /*isFlag*/, bool /*isLast*/) {
    // A bare name counts as its flag would: "orvapanel MYPIT" meant that instance, not the
    // first free number.
    instanceName = param;
}

std::u16string InstanceNameFromCommandLine(const std::vector<std::u16string>& params) {
    if (params.size() != 1) return u"0";
    CNewCommandLineInfo info;
    const std::u16string& p = params[0];
    const bool isFlag = !p.empty() && (p[0] == u'/' || p[0] == u'-');
    info.ParseParam(isFlag ? std::u16string_view(p).substr(1) : std::u16string_view(p), isFlag,
                    true);
    return info.instanceName;
}

std::u16string InstanceTitle(std::u16string_view name) {
    return Format(kTitleFormat, name);
}

bool HasForbiddenNameCharacter(std::u16string_view name) {
    return name.find_first_of(u"!@[]\\/:*?\"<>|\r\n") != std::u16string_view::npos;
}

std::u16string NameTakenMessage(std::u16string_view name) {
    return Format(
        u"The OrvaPanel (%s) is designed to run once per PC.\r\nYou allready have a OrvaPanel (%s) "
        u"hinstance running on this PC.",
        name, name);
}

std::u16string InvalidNameMessage(std::u16string_view name) {
    return Format(
        u"Invalid OrvaPanel name (%s).\r\nIt must be a valid file name, so %s is not valid.", name,
        name);
}

std::u16string NormalizedInstanceName(std::u16string name) {
    // A plain decimal number is one that "%d" writes back exactly as it was given.
    const int32_t number = ParseLeadingInt(name);
    if (Format(u"%d", number) == name) name = Format(u"ID%03d", number);
    return ToUpper(name);
}

SettledName SettleInstanceName(std::u16string name, CInstanceRegistry& registry) {
    if (name.empty()) {
        for (int n = 1;; ++n) {
            const std::u16string candidate = Format(u"ID%03d", n);
            if (registry.Acquire(InstanceTitle(candidate))) return {candidate, {}};
        }
    }
    name = NormalizedInstanceName(std::move(name));
    if (!registry.Acquire(InstanceTitle(name))) return {name, NameTakenMessage(name)};
    if (HasForbiddenNameCharacter(name)) {
        registry.Release();
        return {name, InvalidNameMessage(name)};
    }
    return {name, {}};
}

}  // namespace orva
