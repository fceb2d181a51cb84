// File reads and crash-safe whole-file replacement.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

// The whole file as bytes; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

enum class ReadResult { Ok, CannotRead, TooLarge };
// The file's bytes when it holds at most limit of them. Never reads more than limit + 1 bytes,
// so a huge file or a device without end costs no more than that.
ReadResult ReadFileUpTo(const std::filesystem::path& path, size_t limit, std::string& bytes);

enum class WriteResult { Ok, CannotCreate, CannotWrite };

// Replaces the file by writing a temporary file in the same folder, flushing it to disk and
// renaming it over the old one, so a crash or a full disk never leaves half a file: on failure
// the old file is untouched. A writer killed on the way leaves at most a temporary file
// "<name>.<pid>-<n>.tmp" (none while it writes), which the next write of the file removes.
WriteResult ReplaceFile(const std::filesystem::path& path, std::string_view bytes);
inline bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    return ReplaceFile(path, bytes) == WriteResult::Ok;
}

}  // namespace orva
