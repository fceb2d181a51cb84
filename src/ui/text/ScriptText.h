// The script editor's text operations that need no window: re-indent, lead-ins, script files,
// line ends and the line a test-run error names.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orva {

// Indents every line by the number of open "if", "for", "while" and "function" blocks above it,
// one tab per block; a line that starts with "end", "else" or "elseif" gets one tab less. Lines
// may end with CR LF, CR or LF; the result's lines end with LF. The blanks that start each line
// after the first are replaced, so re-indenting indented text changes nothing. The first line
// keeps its own start: a selection may begin in the middle of a line.
std::u16string Reindent(std::u16string_view text);

// How far back the lead-in lookup looks, and the shortest stretch it tries.
inline constexpr size_t kLeadInReach = 27;
inline constexpr size_t kLeadInShortest = 4;

// The word a dot or an opening parenthesis was typed after: for stretches of the last 27 down
// to 4 characters before the caret, the stretch without the stripped texts, line breaks and
// blanks, compared whole and with case with words(0..count-1) in order; the first equal word
// wins. Nothing with the caret before position 2. beforeCaret is the text before the caret (its
// last kLeadInReach + 1 characters are enough); line breaks in it are CR or LF.
//
// A stretch counts only when what it loses lies at its ends and what is left starts a name:
// "or va." and "myorva." name neither "orva." nor anything else. Selecting the word's length
// before the caret would otherwise select something that is not the word.
std::optional<size_t> FindLeadIn(std::u16string_view beforeCaret,
                                 std::span<const std::u16string_view> stripped, size_t count,
                                 const std::function<std::u16string_view(size_t)>& words);

// A script file is UTF-16LE without byte-order mark. An odd last byte is no character; a leading
// byte-order mark (which other editors write) is not part of the script, since Lua would reject
// it.
std::u16string ScriptFromFileBytes(std::string_view bytes);
std::string ScriptFileBytes(std::u16string_view script);

// The line end a text uses (that of its first line break); CR LF when it has none.
std::u16string_view LineEndOf(std::u16string_view text);
// The text with each LF replaced by lineEnd.
std::u16string WithLineEnds(std::u16string_view text, std::u16string_view lineEnd);

// The script line a test run's error message names (1 for the first line): the number after
// "Line " of a message from Lua, or the bracketed number that starts the message of one of the
// program's functions.
std::optional<int> ScriptErrorLine(std::u16string_view message);

}  // namespace orva
