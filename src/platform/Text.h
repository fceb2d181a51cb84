// Text conversions and comparisons: UTF-16 inside, the ANSI code page for Lua, files and the wire.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orva {

// The single narrow code page of the program; everything that leaves as narrow text uses it.
inline constexpr const char* kAnsiCodePage = "WINDOWS-1252";

// UTF-16 to the ANSI code page; characters the code page cannot hold become '?'.
std::string ToAnsi(std::u16string_view text);
// The ANSI code page to UTF-16; bytes without a character become U+FFFD.
std::u16string FromAnsi(std::string_view text);

std::string ToUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD unless strict is set, in which case ok is cleared.
std::u16string FromUtf8(std::string_view text, bool* ok = nullptr);
bool IsValidUtf8(std::string_view text);

// UTF-16LE bytes (as stored in files) to and from UTF-16; an odd last byte is dropped.
std::u16string FromUtf16LeBytes(std::string_view bytes);
std::string ToUtf16LeBytes(std::u16string_view text);

// Plain ASCII widening for literals and numbers.
std::u16string Widen(std::string_view ascii);

char16_t ToUpperChar(char16_t c);
char16_t ToLowerChar(char16_t c);
std::u16string ToUpper(std::u16string_view text);
std::u16string ToLower(std::u16string_view text);

// The one case-insensitive comparison of the program (ordinal after upper-casing).
int CompareNoCase(std::u16string_view a, std::u16string_view b);
inline bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}
bool ContainsNoCase(std::u16string_view text, std::u16string_view part);

std::u16string Trim(std::u16string_view text);

// printf-style formatting into UTF-16. Arguments are typed, so a wrong conversion letter cannot
// read a wrong type: %d/%i/%u/%x/%X take integers, %f/%e/%g floating point, %s/%S/%c text or a
// character; widths, precision and flags follow printf.
using FormatArg = std::variant<int64_t, double, std::u16string_view, std::string_view>;

std::u16string FormatArgs(std::u16string_view format, const std::vector<FormatArg>& args);

namespace detail {
inline FormatArg ToFormatArg(const std::u16string& v) {
    return std::u16string_view(v);
}
inline FormatArg ToFormatArg(std::u16string_view v) {
    return v;
}
inline FormatArg ToFormatArg(const char16_t* v) {
    return std::u16string_view(v);
}
inline FormatArg ToFormatArg(const std::string& v) {
    return std::string_view(v);
}
inline FormatArg ToFormatArg(std::string_view v) {
    return v;
}
inline FormatArg ToFormatArg(const char* v) {
    return std::string_view(v);
}
inline FormatArg ToFormatArg(double v) {
    return v;
}
inline FormatArg ToFormatArg(float v) {
    return static_cast<double>(v);
}
inline FormatArg ToFormatArg(bool v) {
    return static_cast<int64_t>(v);
}
template <typename T>
requires std::is_integral_v<T> FormatArg ToFormatArg(T v) {
    return static_cast<int64_t>(v);
}
}  // namespace detail

template <typename... Args>
std::u16string Format(std::u16string_view format, const Args&... args) {
    return FormatArgs(format, std::vector<FormatArg>{detail::ToFormatArg(args)...});
}

}  // namespace orva
