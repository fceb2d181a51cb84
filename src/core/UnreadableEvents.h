// An events file that exists but does not read is the user's only copy of their events: why it
// does not read, and the question that keeps it before a save replaces it.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

class IUserPrompt;

// Files of the current format or older are read; a newer format is left alone.
bool IsReadableEventsVersion(std::u16string_view version);

// Why the events file at path does not read, as the question words it; nothing when it reads,
// is missing or is empty.
std::optional<std::u16string> UnreadableEventsReason(const std::filesystem::path& path);

// Where an unreadable events file is kept: beside it as "<name>.broken-YYYYMMDD-HHMMSS" (local
// time), with "-2", "-3"... added when that name is taken.
std::filesystem::path KeptEventsPath(const std::filesystem::path& path, std::time_t now);

// Before a save replaces the events file at path: a file that does not read is replaced only
// after a Yes, and is first kept beside under a new name that the question gives. False when the
// save must not go on: No, or the file could not be kept (which is shown).
bool KeepUnreadableEvents(const std::filesystem::path& path, IUserPrompt& prompt);

}  // namespace orva
