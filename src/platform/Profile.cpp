#include "platform/Profile.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace orva {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct Document {
    std::vector<std::u16string> lines;
    bool crlf = false;
};

Document LoadDocument(const std::filesystem::path& path) {
    Document doc;
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return doc;
    const std::u16string text = CProfile::DecodeFile(*bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
            if (doc.lines.empty()) doc.crlf = true;
        }
        doc.lines.push_back(std::move(line));
        start = end + 1;
    }
    return doc;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::u16string> SectionOf(std::u16string_view line) {
    const std::u16string t = Trim(line);
    if (t.empty() || t[0] != u'[') return std::nullopt;
    const size_t close = t.find(u']');
    return Trim(
        std::u16string_view(t).substr(1, close == std::u16string::npos ? t.size() - 1 : close - 1));
}

bool IsComment(std::u16string_view line) {
    const std::u16string t = Trim(line);
    return !t.empty() && t[0] == u';';
}

// The key of a "key=value" line (a line without '=' is a key with no value).
std::u16string KeyOf(std::u16string_view line) {
    const size_t eq = line.find(u'=');
    return Trim(line.substr(0, eq));
}

struct Location {
    std::optional<size_t> sectionLine;
    std::optional<size_t> keyLine;
    size_t insertAt = 0;  // after the last non-blank line of the section
};

Location Find(const Document& doc, std::u16string_view section, std::u16string_view key) {
    Location loc;
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        const auto name = SectionOf(doc.lines[i]);
        if (!name) continue;
        if (!EqualsNoCase(*name, section)) continue;
        loc.sectionLine = i;
        loc.insertAt = i + 1;
        for (size_t k = i + 1; k < doc.lines.size() && !SectionOf(doc.lines[k]); ++k) {
            const std::u16string& l = doc.lines[k];
            if (Trim(l).empty()) continue;
            loc.insertAt = k + 1;
            if (!loc.keyLine && !IsComment(l) && EqualsNoCase(KeyOf(l), key)) loc.keyLine = k;
        }
        break;
    }
    return loc;
}

std::optional<std::u16string> RawValue(const std::filesystem::path& path,
                                       std::u16string_view section, std::u16string_view key) {
    const Document doc = LoadDocument(path);
    const Location loc = Find(doc, section, key);
    if (!loc.keyLine) return std::nullopt;
    const std::u16string& line = doc.lines[*loc.keyLine];
    const size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) return std::u16string();
    std::u16string value = Trim(std::u16string_view(line).substr(eq + 1));
    if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

bool NeedsQuotes(std::u16string_view value) {
    if (value.empty()) return false;
    if (IsBlank(value.front()) || IsBlank(value.back())) return true;
    return value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0];
}

}  // namespace

std::u16string CProfile::DecodeFile(std::string_view bytes) {
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text = FromUtf16LeBytes(bytes.substr(2));
    } else if (IsValidUtf8(bytes)) {
        text = FromUtf8(bytes);
    } else {
        text = FromAnsi(bytes);
    }
    // Byte-order marks, however many editors stacked up, are no part of the first line. Dropping
    // only one would let a write (which stores none) turn the first line into a section.
    text.erase(0, std::min(text.find_first_not_of(u'\uFEFF'), text.size()));
    return text;
}

int32_t ParseLeadingInt(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - u'0');
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

int32_t CProfile::ReadInt(std::u16string_view section, std::u16string_view key, int32_t def) const {
    const auto value = RawValue(path_, section, key);
    if (!value || value->empty()) return def;
    return ParseLeadingInt(*value);
}

std::u16string CProfile::ReadString(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view def, size_t bufferChars) const {
    std::u16string value = RawValue(path_, section, key).value_or(std::u16string(def));
    if (bufferChars > 0 && value.size() > bufferChars - 1) value.resize(bufferChars - 1);
    return value;
}

bool CProfile::HasKey(std::u16string_view section, std::u16string_view key) const {
    return RawValue(path_, section, key).has_value();
}

namespace {

void SetValue(Document& doc, std::u16string_view section, std::u16string_view key,
              std::u16string_view value) {
    std::u16string line = std::u16string(key) + u"=";
    line += NeedsQuotes(value) ? u"\"" + std::u16string(value) + u"\"" : std::u16string(value);

    const Location loc = Find(doc, section, key);
    if (loc.keyLine) {
        // Keep the key as it was spelled in the file.
        const std::u16string& old = doc.lines[*loc.keyLine];
        line = old.substr(0, old.find(u'=')) + line.substr(key.size());
        doc.lines[*loc.keyLine] = std::move(line);
    } else if (loc.sectionLine) {
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(loc.insertAt), line);
    } else {
        if (!doc.lines.empty() && !Trim(doc.lines.back()).empty()) doc.lines.emplace_back();
        doc.lines.push_back(u"[" + std::u16string(section) + u"]");
        doc.lines.push_back(std::move(line));
    }
}

bool HasLineBreak(std::u16string_view value) {
    return value.find_first_of(u"\r\n") != std::u16string_view::npos;
}

std::string Render(const Document& doc) {
    std::u16string text;
    const std::u16string_view eol = doc.crlf ? u"\r\n" : u"\n";
    for (const auto& l : doc.lines) {
        text += l;
        text += eol;
    }
    return ToUtf8(text);
}

Document LoadForWriting(const std::filesystem::path& path) {
    Document doc = LoadDocument(path);
    if (!doc.lines.empty() && doc.lines.back().empty()) doc.lines.pop_back();
    return doc;
}

}  // namespace

bool CProfile::WriteString(std::u16string_view section, std::u16string_view key,
                           std::u16string_view value) const {
    if (HasLineBreak(value)) return false;
    Document doc = LoadForWriting(path_);
    SetValue(doc, section, key, value);
    return WriteFileAtomically(path_, Render(doc));
}

std::string CProfile::BytesAfter(const std::vector<ProfileEntry>& entries) const {
    Document doc = LoadForWriting(path_);
    for (const ProfileEntry& e : entries) {
        if (HasLineBreak(e.value)) continue;
        SetValue(doc, e.section, e.key, e.value);
        // As a separate write would have read it back: the trailing blank line goes.
        if (!doc.lines.empty() && doc.lines.back().empty()) doc.lines.pop_back();
    }
    return Render(doc);
}

bool CProfile::WriteInt(std::u16string_view section, std::u16string_view key, int32_t value) const {
    return WriteString(section, key, Widen(std::to_string(value)));
}

}  // namespace orva
