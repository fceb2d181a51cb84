#include "ui/text/ScriptText.h"

#include <algorithm>

#include "platform/Text.h"

namespace orva {
namespace {

bool IsIdentifierChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
}

// What a name is made of, members included: a stretch that starts after one of these is the
// end of some longer name.
bool IsNameChar(char16_t c) {
    return IsIdentifierChar(c) || c == u'.';
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// Whether the line (without its indentation) starts with word as a whole word.
bool StartsWithWord(std::u16string_view line, std::u16string_view word) {
    return line.starts_with(word) &&
           (line.size() == word.size() || !IsIdentifierChar(line[word.size()]));
}

bool ClosesBlock(std::u16string_view line) {
    return StartsWithWord(line, u"end") || StartsWithWord(line, u"else") ||
           StartsWithWord(line, u"elseif");
}

bool OpensBlock(std::u16string_view word) {
    return word == u"if" || word == u"for" || word == u"while" || word == u"function";
}

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

// The length of the stripped text that text starts with (or ends with), 0 for none.
size_t StrippedPrefix(std::u16string_view text, std::span<const std::u16string_view> stripped) {
    if (text.empty()) return 0;
    if (IsLineBreak(text.front()) || text.front() == u' ') return 1;
    for (const std::u16string_view s : stripped) {
        if (!s.empty() && text.starts_with(s)) return s.size();
    }
    return 0;
}

size_t StrippedSuffix(std::u16string_view text, std::span<const std::u16string_view> stripped) {
    if (text.empty()) return 0;
    if (IsLineBreak(text.back()) || text.back() == u' ') return 1;
    for (const std::u16string_view s : stripped) {
        if (!s.empty() && text.ends_with(s)) return s.size();
    }
    return 0;
}

std::u16string StripAll(std::u16string_view window, std::span<const std::u16string_view> stripped) {
    std::u16string text(window);
    for (const std::u16string_view s : stripped) {
        if (s.empty()) continue;
        for (size_t at = text.find(s); at != std::u16string::npos; at = text.find(s, at)) {
            text.erase(at, s.size());
        }
    }
    std::erase_if(text, [](char16_t c) { return IsLineBreak(c) || c == u' '; });
    return text;
}

std::u16string_view TrimStripped(std::u16string_view window,
                                 std::span<const std::u16string_view> stripped) {
    while (const size_t n = StrippedPrefix(window, stripped)) window.remove_prefix(n);
    while (const size_t n = StrippedSuffix(window, stripped)) window.remove_suffix(n);
    return window;
}

}  // namespace

std::u16string Reindent(std::u16string_view text) {
    // One line end, and no blanks at the start of any line but the first.
    std::u16string plain;
    plain.reserve(text.size());
    bool lineStart = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            c = u'\n';
        }
        if (lineStart && IsBlank(c)) continue;
        lineStart = c == u'\n';
        plain += c;
    }

    std::u16string result;
    result.reserve(plain.size() + plain.size() / 4);
    std::u16string word;
    int depth = 0;
    // Where the current line starts in result; the first line is left as it starts.
    size_t lineAt = std::u16string::npos;
    // A closing line stands one block further out than the lines it closes. Only a tab of its
    // indentation goes, never one between two words.
    const auto closeLine = [&] {
        if (lineAt == std::u16string::npos || lineAt >= result.size() || result[lineAt] != u'\t') {
            return;
        }
        const size_t words = result.find_first_not_of(u'\t', lineAt);
        if (words != std::u16string::npos &&
            ClosesBlock(std::u16string_view(result).substr(words))) {
            result.erase(lineAt, 1);
        }
    };
    for (const char16_t c : plain) {
        if (c == u'\n' || c == u' ' || c == u'\t' || c == u'(') {
            if (OpensBlock(word)) {
                ++depth;
            } else if (word == u"end") {
                --depth;
            }
            word.clear();
        } else {
            word += c;
        }
        if (c != u'\n') {
            result += c;
            continue;
        }
        closeLine();
        result += c;
        lineAt = result.size();
        result.append(static_cast<size_t>(std::max(depth, 0)), u'\t');
    }
    closeLine();
    return result;
}

std::optional<size_t> FindLeadIn(std::u16string_view beforeCaret,
                                 std::span<const std::u16string_view> stripped, size_t count,
                                 const std::function<std::u16string_view(size_t)>& words) {
    if (beforeCaret.size() < 2) return std::nullopt;
    std::u16string tried;
    bool triedAny = false;
    const size_t reach = std::min(beforeCaret.size(), kLeadInReach);
    for (size_t n = kLeadInReach; n >= kLeadInShortest; --n) {
        const std::u16string_view window =
            beforeCaret.substr(beforeCaret.size() - std::min(n, reach));
        std::u16string key = StripAll(window, stripped);
        if (triedAny && key == tried) continue;
        tried = key;
        triedAny = true;
        if (key.empty()) continue;
        const std::u16string_view trimmed = TrimStripped(window, stripped);
        const size_t start = static_cast<size_t>(trimmed.data() - beforeCaret.data());
        if (trimmed != key || (start > 0 && IsNameChar(beforeCaret[start - 1]))) continue;
        for (size_t i = 0; i < count; ++i) {
            if (words(i) == key) return i;
        }
    }
    return std::nullopt;
}

std::u16string ScriptFromFileBytes(std::string_view bytes) {
    std::u16string text = FromUtf16LeBytes(bytes);
    if (!text.empty() && text.front() == u'\xFEFF') text.erase(0, 1);
    return text;
}

std::string ScriptFileBytes(std::u16string_view script) {
    return ToUtf16LeBytes(script);
}

std::u16string_view LineEndOf(std::u16string_view text) {
    const size_t at = text.find_first_of(u"\r\n");
    if (at == std::u16string_view::npos) return u"\r\n";
    if (text[at] == u'\n') return u"\n";
    return at + 1 < text.size() && text[at + 1] == u'\n' ? u"\r\n" : u"\r";
}

std::u16string WithLineEnds(std::u16string_view text, std::u16string_view lineEnd) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (const char16_t c : text) {
        if (c == u'\n') {
            out += lineEnd;
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<int> ScriptErrorLine(std::u16string_view message) {
    const auto number = [](std::u16string_view digits, char16_t after) -> std::optional<int> {
        size_t n = 0;
        int value = 0;
        while (n < digits.size() && n < 9 && digits[n] >= u'0' && digits[n] <= u'9') {
            value = value * 10 + (digits[n] - u'0');
            ++n;
        }
        if (n == 0 || n >= digits.size() || digits[n] != after) return std::nullopt;
        return value;
    };
    constexpr std::u16string_view kLine = u"]\r\n\r\nLine ";
    for (size_t at = message.find(kLine); at != std::u16string_view::npos;
         at = message.find(kLine, at + 1)) {
        if (const auto line = number(message.substr(at + kLine.size()), u':')) return line;
    }
    if (message.starts_with(u'[')) return number(message.substr(1), u']');
    return std::nullopt;
}

}  // namespace orva
