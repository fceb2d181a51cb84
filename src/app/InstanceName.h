// The instance name: from the command line, settled against the running instances.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orva {

class CInstanceRegistry;

// The command line's record: the instance name its parameter gives.
struct CNewCommandLineInfo {
    std::u16string instanceName;
    // param without its leading '/' or '-' when isFlag; a bare parameter names the instance too.
    void ParseParam(std::u16string_view param, bool isFlag, bool isLast);
};

// "0" without parameters; with exactly one, the flag's text ("/x" or "-x" gives "x") or the
// bare parameter itself; with more, "0".
std::u16string InstanceNameFromCommandLine(const std::vector<std::u16string>& params);

inline constexpr std::u16string_view kTitleFormat = u"OrvaPanel (%s)";
std::u16string InstanceTitle(std::u16string_view name);

struct SettledName {
    std::u16string name;
    std::u16string error;  // the message to show before ending with code 1; empty when settled
};

// Turns the command line's name into the instance name and takes its title in the registry:
// the first free ID%03d for an empty name, ID%03d for a plain decimal number, upper case.
SettledName SettleInstanceName(std::u16string name, CInstanceRegistry& registry);

// A given name as the start-up writes it, without taking it: ID%03d for a plain decimal number,
// upper case.
std::u16string NormalizedInstanceName(std::u16string name);

// Whether the name holds one of the characters a file name cannot.
bool HasForbiddenNameCharacter(std::u16string_view name);

// The messages that refuse a name: another running instance has it, or it is no file name.
std::u16string NameTakenMessage(std::u16string_view name);
std::u16string InvalidNameMessage(std::u16string_view name);

}  // namespace orva
