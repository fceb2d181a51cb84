#include <array>

#include "platform/Text.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

struct ClearMarker {
    std::u16string_view open;
    std::u16string_view close;
};

constexpr std::array<ClearMarker, 5> kClearMarkers = {{
    {u"<![CDATA[", u"]]>"},
    {u"<PRE>", u"</PRE>"},
    {u"<Script>", u"</Script>"},
    {u"<!--", u"-->"},
    {u"<!DOCTYPE", u">"},
}};

bool IsWs(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int HexValue(char16_t c) {
    if (c <= u'9') return c - u'0';
    return (c | 0x20) - u'a' + 10;
}

// One pass over the text with an explicit stack of open elements, so that deep nesting in a
// hostile file cannot exhaust the call stack.
class Parser {
public:
    explicit Parser(std::u16string_view text) : t_(text) {
        stack_.push_back(std::make_shared<XmlRecord>());
    }

    std::shared_ptr<XmlRecord> Run() {
        while (Step()) {
        }
        return stack_.front();
    }
    int Error() const { return error_; }
    size_t ErrorPos() const { return errorPos_; }

private:
    bool Fail(int code, size_t at) {
        error_ = code;
        errorPos_ = at;
        return false;
    }
    bool Failed() const { return error_ != kXmlNoError && error_ != kXmlWarnUnmatchedEndTag; }
    XmlElement Current() const { return XmlElement(stack_.back()); }

    void SkipWs() {
        while (pos_ < t_.size() && IsWs(t_[pos_])) ++pos_;
    }
    bool At(size_t p, std::u16string_view s) const { return t_.substr(p, s.size()) == s; }
    bool AtNoCase(size_t p, std::u16string_view s) const {
        return p + s.size() <= t_.size() && EqualsNoCase(t_.substr(p, s.size()), s);
    }
    size_t FindNoCase(size_t from, std::u16string_view s) const {
        for (size_t p = from; p + s.size() <= t_.size(); ++p) {
            if (AtNoCase(p, s)) return p;
        }
        return std::u16string_view::npos;
    }

    // A run of name characters: ended by whitespace, "<", "=", ">", "/>" or "?>".
    size_t RunEnd(size_t p) const {
        while (p < t_.size()) {
            const char16_t c = t_[p];
            if (IsWs(c) || c == u'<' || c == u'=' || c == u'>') break;
            if ((c == u'/' || c == u'?') && p + 1 < t_.size() && t_[p + 1] == u'>') break;
            ++p;
        }
        return p;
    }

    bool Step() {
        SkipWs();
        if (pos_ >= t_.size()) return false;  // open elements close silently
        bool ok = true;
        if (t_[pos_] != u'<') {
            ok = ParseText();
        } else if (const ClearMarker* marker = ClearAt(pos_)) {
            ok = ParseClear(*marker);
        } else if (At(pos_, u"</")) {
            ok = ParseEndTag();
        } else {
            ok = ParseStartTag(At(pos_, u"<?"));
        }
        started_ = true;
        return ok && !Failed();
    }

    const ClearMarker* ClearAt(size_t p) const {
        for (const auto& marker : kClearMarkers) {
            if (AtNoCase(p, marker.open)) return &marker;
        }
        return nullptr;
    }

    bool ParseText() {
        if (!started_) return Fail(kXmlFirstNotStartTag, pos_);
        const size_t start = pos_;
        size_t end = t_.find(u'<', pos_);
        if (end == std::u16string_view::npos) end = t_.size();
        pos_ = end;
        while (end > start && IsWs(t_[end - 1])) --end;
        std::u16string text;
        if (!Decode(start, end, text)) return false;
        AddText(Current(), text);
        return true;
    }

    bool ParseClear(const ClearMarker& marker) {
        const size_t body = pos_ + marker.open.size();
        const size_t close = FindNoCase(body, marker.close);
        if (close == std::u16string_view::npos) return Fail(kXmlUnmatchedClearTagEnd, pos_);
        AddClear(Current(), t_.substr(body, close - body), marker.open, marker.close);
        pos_ = close + marker.close.size();
        return true;
    }

    bool ParseEndTag() {
        const size_t at = pos_;
        pos_ += 2;
        size_t end = pos_;
        while (end < t_.size() && !IsWs(t_[end]) && t_[end] != u'/' && t_[end] != u'<' &&
               t_[end] != u'>' && t_[end] != u'=') {
            ++end;
        }
        if (end == pos_) return Fail(kXmlMissingEndTagName, at);
        const std::u16string_view name = t_.substr(pos_, end - pos_);
        pos_ = end;
        SkipWs();
        if (At(pos_, u">")) {
            pos_ += 1;
        } else if (At(pos_, u"/>")) {
            pos_ += 2;
        } else if (pos_ < t_.size()) {
            return Fail(kXmlUnexpectedToken, pos_);
        }
        for (size_t level = stack_.size() - 1; level >= 1; --level) {
            if (!EqualsNoCase(stack_[level]->name, name)) continue;
            if (level != stack_.size() - 1 && error_ == kXmlNoError) {
                error_ = kXmlWarnUnmatchedEndTag;
                errorPos_ = at;
            }
            stack_.resize(level);
            return true;
        }
        return Fail(kXmlUnmatchedEndTag, at);
    }

    bool ParseStartTag(bool declaration) {
        pos_ += declaration ? 2 : 1;
        const size_t nameEnd = RunEnd(pos_);
        if (nameEnd == pos_) return Fail(kXmlMissingStartTagName, pos_);
        const XmlElement element =
            AddChild(Current(), t_.substr(pos_, nameEnd - pos_), declaration);
        pos_ = nameEnd;
        for (;;) {
            SkipWs();
            if (pos_ >= t_.size()) return true;
            const char16_t c = t_[pos_];
            if (c == u'>') {
                ++pos_;
                stack_.push_back(element.Shared());
                return true;
            }
            if (At(pos_, u"/>")) {
                pos_ += 2;
                return true;
            }
            if (At(pos_, u"?>")) {
                pos_ += 2;
                // A declaration holds the rest of the document.
                if (declaration) stack_.push_back(element.Shared());
                return true;
            }
            if (c == u'<' || c == u'=' || c == u'"' || c == u'\'') {
                return Fail(kXmlUnexpectedToken, pos_);
            }
            if (!ParseAttribute(element)) return false;
        }
    }

    bool ParseAttribute(const XmlElement& element) {
        const size_t nameEnd = RunEnd(pos_);
        const std::u16string_view name = t_.substr(pos_, nameEnd - pos_);
        pos_ = nameEnd;
        SkipWs();
        if (!At(pos_, u"=")) {
            AddAttribute(element, name, std::nullopt);
            return true;
        }
        ++pos_;
        SkipWs();
        std::u16string value;
        if (pos_ < t_.size() && (t_[pos_] == u'"' || t_[pos_] == u'\'')) {
            const size_t close = t_.find(t_[pos_], pos_ + 1);
            const size_t lt = t_.find(u'<', pos_ + 1);
            if (close != std::u16string_view::npos &&
                (lt == std::u16string_view::npos || lt > close)) {
                if (!Decode(pos_ + 1, close, value)) return false;
                pos_ = close + 1;
                AddAttribute(element, name, value);
                return true;
            }
            // Without its closing quote the opening one is an ordinary character.
        }
        const size_t end = RunEnd(pos_);
        if (!Decode(pos_, end, value)) return false;
        pos_ = end;
        AddAttribute(element, name, value);
        return true;
    }

    // Decodes the entities of t_[begin, end) into out.
    bool Decode(size_t begin, size_t end, std::u16string& out) {
        out.clear();
        out.reserve(end - begin);
        for (size_t i = begin; i < end; ++i) {
            if (t_[i] != u'&') {
                out.push_back(t_[i]);
                continue;
            }
            const size_t semi = t_.substr(0, end).find(u';', i + 1);
            if (semi == std::u16string_view::npos) return Fail(kXmlUnknownEntity, i);
            const auto unit = EntityValue(t_.substr(i + 1, semi - i - 1));
            if (!unit) return Fail(kXmlUnknownEntity, i);
            out.push_back(*unit);
            i = semi;
        }
        return true;
    }

    static std::optional<char16_t> EntityValue(std::u16string_view name) {
        static constexpr std::array<std::pair<std::u16string_view, char16_t>, 5> kNamed = {
            {{u"amp", u'&'}, {u"lt", u'<'}, {u"gt", u'>'}, {u"quot", u'"'}, {u"apos", u'\''}}};
        for (const auto& [entity, c] : kNamed) {
            if (EqualsNoCase(name, entity)) return c;
        }
        if (name.size() < 2 || name[0] != u'#') return std::nullopt;
        const bool hex = name[1] == u'x' || name[1] == u'X';
        const std::u16string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return std::nullopt;
        uint32_t value = 0;
        for (char16_t d : digits) {
            if (hex ? !IsHex(d) : (d < u'0' || d > u'9')) return std::nullopt;
            value = value * (hex ? 16 : 10) + static_cast<uint32_t>(hex ? HexValue(d) : d - u'0');
            if (value > 0xFFFF) return std::nullopt;
        }
        return static_cast<char16_t>(value);
    }

    std::u16string_view t_;
    size_t pos_ = 0;
    int error_ = kXmlNoError;
    size_t errorPos_ = 0;
    bool started_ = false;
    std::vector<std::shared_ptr<XmlRecord>> stack_;
};

void LineAndColumn(std::u16string_view text, size_t pos, XmlParseResult& result) {
    pos = std::min(pos, text.size());
    result.line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < pos; ++i) {
        if (text[i] == u'\n') {
            ++result.line;
            lineStart = i + 1;
        }
    }
    result.column = static_cast<int>(pos - lineStart) + 1;
}

XmlElement FindTag(const XmlElement& start, std::u16string_view tag) {
    XmlElement current = start;
    for (;;) {
        XmlElement next;
        for (const auto& child : current.Record()->children) {
            if (EqualsNoCase(child->name, tag)) return XmlElement(child);
            if (child->isDeclaration) {
                next = XmlElement(child);
                break;
            }
        }
        if (!next) return {};
        current = next;
    }
}

}  // namespace

XmlElement ParseXmlText(std::u16string_view text, std::u16string_view tag, XmlParseResult& result) {
    result = {};
    if (text.empty()) {
        result.error = kXmlNoElements;
        return {};
    }
    Parser parser(text);
    const auto container = parser.Run();
    result.error = parser.Error();
    if (result.error != kXmlNoError) LineAndColumn(text, parser.ErrorPos(), result);
    if (result.error != kXmlNoError && result.error != kXmlWarnUnmatchedEndTag) return {};
    if (container->order.empty()) {
        result.error = kXmlNoElements;
        LineAndColumn(text, text.size(), result);
        return {};
    }
    XmlElement element(container);
    if (container->order.size() == 1 && container->order[0] % 4 == kXmlChild) {
        element = XmlElement(container->children.front());
    }
    if (!tag.empty() && !EqualsNoCase(element.Name(), tag)) {
        element = FindTag(element, tag);
        if (!element) {
            result = {kXmlFirstTagNotFound, 0, 0, std::u16string(tag)};
            return {};
        }
    }
    return element;
}

}  // namespace orva
