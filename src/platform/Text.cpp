#include "platform/Text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orva {
namespace {

// One descriptor per thread and direction: iconv_t keeps shift state and is not thread-safe.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    // iconv_open says failure with (iconv_t)-1.
    bool Valid() const {
        return cd_ != reinterpret_cast<iconv_t>(-1);
    }  // NOLINT(performance-no-int-to-ptr)
    iconv_t Get() const { return cd_; }

private:
    iconv_t cd_;
};

// Bytes the code page leaves undefined; Windows maps them to the C1 control of the same value,
// and so do we, so that any byte string from Lua survives a round trip.
bool IsUndefinedAnsiByte(unsigned char b) {
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

bool IsAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    if (IsAscii(text)) {
        for (char16_t c : text) out.push_back(static_cast<char>(c));
        return out;
    }
    thread_local IconvHandle cd(kAnsiCodePage, "UTF-16LE");
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (c < 0x100 && IsUndefinedAnsiByte(static_cast<unsigned char>(c))) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair || !cd.Valid()) {
            out.push_back('?');
            i += pair ? 1 : 0;
            continue;
        }
        char16_t unit = c;
        char* in = reinterpret_cast<char*>(&unit);
        size_t inLeft = sizeof(unit);
        char buf[8];
        char* outPtr = buf;
        size_t outLeft = sizeof(buf);
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
            outPtr == buf) {
            out.push_back('?');
        } else {
            out.append(buf, outPtr);
        }
    }
    return out;
}

std::u16string FromAnsi(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    if (IsAscii(text)) {
        for (char c : text) out.push_back(static_cast<char16_t>(c));
        return out;
    }
    thread_local IconvHandle cd("UTF-16LE", kAnsiCodePage);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80 || IsUndefinedAnsiByte(b) || !cd.Valid()) {
            out.push_back(cd.Valid() || b < 0x80 ? static_cast<char16_t>(b) : u'\uFFFD');
            continue;
        }
        char byte = ch;
        char* in = &byte;
        size_t inLeft = 1;
        char16_t unit[2] = {};
        char* outPtr = reinterpret_cast<char*>(unit);
        size_t outLeft = sizeof(unit);
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd.Get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
            out.push_back(u'\uFFFD');
        } else {
            out.append(unit, (reinterpret_cast<char16_t*>(outPtr) - unit));
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is malformed.
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    size_t len = 0;
    uint32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::u16string FromUtf8(std::string_view text, bool* ok) {
    std::u16string out;
    out.reserve(text.size());
    if (ok) *ok = true;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(text, i, cp);
        if (len == 0) {
            if (ok) *ok = false;
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const size_t len = DecodeUtf8(text, i, cp);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::u16string FromUtf16LeBytes(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::string ToUtf16LeBytes(std::u16string_view text) {
    std::string out(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        out[2 * i] = static_cast<char>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return out;
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

char16_t ToUpperChar(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 32);
    }
    if (c == 0xFF) return 0x178;
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && (c & 1)) || (oddUpper && !(c & 1))) return static_cast<char16_t>(c - 1);
    return c;
}

char16_t ToLowerChar(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 32);
    }
    if (c == 0x178) return 0xFF;
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
    const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && !(c & 1)) || (oddUpper && (c & 1))) return static_cast<char16_t>(c + 1);
    return c;
}

std::u16string ToUpper(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = ToUpperChar(c);
    return out;
}

std::u16string ToLower(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) c = ToLowerChar(c);
    return out;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = ToUpperChar(a[i]);
        const char16_t y = ToUpperChar(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
    if (part.empty()) return true;
    if (part.size() > text.size()) return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (CompareNoCase(text.substr(i, part.size()), part) == 0) return true;
    }
    return false;
}

std::u16string Trim(std::u16string_view text) {
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
    };
    size_t b = 0;
    size_t e = text.size();
    while (b < e && blank(text[b])) ++b;
    while (e > b && blank(text[e - 1])) --e;
    return std::u16string(text.substr(b, e - b));
}

namespace {

struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    char conv = 0;
};

// Parses "%[flags][width][.precision][length]conv" starting after the '%'; returns the index
// after the conversion letter, or npos when the conversion is incomplete.
size_t ParseConversion(std::u16string_view f, size_t i, Conversion& conversion,
                       const std::vector<FormatArg>& args, size_t& argIndex);

int64_t ArgAsInt(const FormatArg& a) {
    if (auto p = std::get_if<int64_t>(&a)) return *p;
    if (auto p = std::get_if<double>(&a)) return static_cast<int64_t>(*p);
    return 0;
}

double ArgAsDouble(const FormatArg& a) {
    if (auto p = std::get_if<double>(&a)) return *p;
    if (auto p = std::get_if<int64_t>(&a)) return static_cast<double>(*p);
    return 0.0;
}

std::u16string ArgAsText(const FormatArg& a) {
    if (auto p = std::get_if<std::u16string_view>(&a)) return std::u16string(*p);
    if (auto p = std::get_if<std::string_view>(&a)) return FromAnsi(*p);
    if (auto p = std::get_if<int64_t>(&a)) return Widen(std::to_string(*p));
    return Widen(std::to_string(ArgAsDouble(a)));
}

size_t ParseConversion(std::u16string_view f, size_t i, Conversion& conversion,
                       const std::vector<FormatArg>& args, size_t& argIndex) {
    while (i < f.size() && std::u16string_view(u"-+ #0").find(f[i]) != std::u16string_view::npos) {
        conversion.flags.push_back(static_cast<char>(f[i++]));
    }
    const auto number = [&](int& out) {
        if (i < f.size() && f[i] == u'*') {
            out = argIndex < args.size() ? static_cast<int>(ArgAsInt(args[argIndex++])) : 0;
            ++i;
            return;
        }
        if (i < f.size() && f[i] >= u'0' && f[i] <= u'9') out = 0;
        while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') {
            out = std::min(out * 10 + (f[i++] - u'0'), 4096);
        }
    };
    number(conversion.width);
    if (i < f.size() && f[i] == u'.') {
        ++i;
        conversion.precision = 0;
        number(conversion.precision);
    }
    while (i < f.size() &&
           std::u16string_view(u"hlLqjztI0123456789").find(f[i]) != std::u16string_view::npos) {
        ++i;  // length modifiers (including I64) carry no meaning for typed arguments
    }
    if (i >= f.size()) return std::u16string_view::npos;
    conversion.conv = static_cast<char>(f[i]);
    return i + 1;
}

std::string NarrowConversion(const Conversion& conversion, const char* length) {
    std::string s = "%" + conversion.flags;
    if (conversion.width >= 0) s += std::to_string(conversion.width);
    if (conversion.precision >= 0) s += "." + std::to_string(conversion.precision);
    s += length;
    s.push_back(conversion.conv);
    return s;
}

template <typename T>
std::string SnPrintf(const std::string& fmt, T value) {
    char buf[512];
    const int n = std::snprintf(buf, sizeof(buf), fmt.c_str(), value);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof(buf)) return std::string(buf, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), fmt.c_str(), value);
    big.resize(static_cast<size_t>(n));
    return big;
}

std::u16string FormatText(const Conversion& conversion, std::u16string text) {
    if (conversion.precision >= 0 && text.size() > static_cast<size_t>(conversion.precision)) {
        text.resize(static_cast<size_t>(conversion.precision));
    }
    if (conversion.width > 0 && text.size() < static_cast<size_t>(conversion.width)) {
        const std::u16string pad(static_cast<size_t>(conversion.width) - text.size(), u' ');
        text = conversion.flags.find('-') != std::string::npos ? text + pad : pad + text;
    }
    return text;
}

}  // namespace

std::u16string FormatArgs(std::u16string_view f, const std::vector<FormatArg>& args) {
    std::u16string out;
    out.reserve(f.size() + 16);
    size_t argIndex = 0;
    for (size_t i = 0; i < f.size();) {
        if (f[i] != u'%') {
            out.push_back(f[i++]);
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == u'%') {
            out.push_back(u'%');
            i += 2;
            continue;
        }
        Conversion conversion;
        const size_t next = ParseConversion(f, i + 1, conversion, args, argIndex);
        if (next == std::u16string_view::npos) {
            out.append(f.substr(i));
            break;
        }
        i = next;
        if (std::string_view("diuxXofFeEgGsSc").find(conversion.conv) == std::string_view::npos) {
            // An unknown conversion is written as it stood, and no argument is taken for it.
            out.push_back(u'%');
            out.push_back(static_cast<char16_t>(conversion.conv));
            continue;
        }
        // A missing argument formats as an empty text or a zero, never as a read past the list.
        const bool isText = conversion.conv == 's' || conversion.conv == 'S';
        const FormatArg arg = argIndex < args.size() ? args[argIndex++]
                                                     : (isText ? FormatArg{std::u16string_view()}
                                                               : FormatArg{int64_t{0}});
        switch (conversion.conv) {
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                out += Widen(SnPrintf(NarrowConversion(conversion, "ll"),
                                      static_cast<long long>(ArgAsInt(arg))));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                out += Widen(SnPrintf(NarrowConversion(conversion, ""), ArgAsDouble(arg)));
                break;
            case 's':
            case 'S':
                out += FormatText(conversion, ArgAsText(arg));
                break;
            case 'c': {
                const auto* text = std::get_if<std::u16string_view>(&arg);
                const char16_t c = text ? (text->empty() ? u'\0' : (*text)[0])
                                        : static_cast<char16_t>(ArgAsInt(arg));
                out += FormatText(conversion, std::u16string(1, c));
                break;
            }
            default:
                break;
        }
    }
    return out;
}

}  // namespace orva
