// "Start with my desktop session": an instance's entry in the desktop's autostart folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orva {

// <config home>/autostart/orvapanel-<instance>.desktop; characters a desktop file name should
// not carry become "_".
std::filesystem::path AutostartFile(std::u16string_view instance);
bool IsAutostartOn(std::u16string_view instance);
// Writes (or removes) the entry that starts program with "/<instance>"; false when the file
// could not be written or removed.
bool SetAutostart(std::u16string_view instance, bool on, const std::filesystem::path& program);
// The entry's text.
std::string AutostartEntry(std::u16string_view instance, const std::filesystem::path& program);

}  // namespace orva
