// Key-by-key INI files with the semantics of the Windows private-profile functions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// One key to write, for the writes of several keys at once.
struct ProfileEntry {
    std::u16string section;
    std::u16string key;
    std::u16string value;
};

// Each call reads (or rewrites) the file anew, so several programs and objects may share one
// file. Sections and keys compare without regard to case; values are trimmed and lose one pair
// of surrounding quotes; other lines and comments are kept by writes.
class CProfile {
public:
    // The text buffer of the callers: longer values are cut to kTextBuffer - 1 characters.
    static constexpr size_t kTextBuffer = 512;

    explicit CProfile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }

    // The leading decimal number (with sign) of the value; the default when the key is missing
    // or its value empty, 0 when the value starts with no number.
    int32_t ReadInt(std::u16string_view section, std::u16string_view key, int32_t def) const;
    std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view def, size_t bufferChars = kTextBuffer) const;
    bool HasKey(std::u16string_view section, std::u16string_view key) const;

    // Replaces the file atomically; a value reads back unchanged (it is quoted when its blanks
    // or quotes would otherwise be lost). Values with line breaks cannot be stored: false.
    bool WriteString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value) const;
    bool WriteInt(std::u16string_view section, std::u16string_view key, int32_t value) const;
    // The file's bytes once the entries are written in turn, as that many WriteString calls
    // would leave it, for a caller that replaces the file in one step; an entry whose value
    // holds a line break is left out.
    std::string BytesAfter(const std::vector<ProfileEntry>& entries) const;

    // The text of a profile file in any of the encodings we read (UTF-16LE with BOM, UTF-8,
    // Windows-1252).
    static std::u16string DecodeFile(std::string_view bytes);

private:
    std::filesystem::path path_;
};

// Parses the leading "[blanks][sign]digits" of a text as a 32-bit number (wrapping like the
// platform call); 0 when there is no digit.
int32_t ParseLeadingInt(std::u16string_view text);

}  // namespace orva
