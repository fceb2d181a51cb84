// Text helpers of the manual's generator: HTML and roff escaping, and the small markup of the
// reference texts (words between backticks are code).
#pragma once

#include <string>
#include <string_view>

#include "xml/XmlElement.h"

namespace orva::manual {

// Escaped, with `code` made <code>code</code>.
std::string HtmlText(std::string_view text);
// Escaped for a roff text line: backslashes, hyphens as minus signs, a leading dot or quote.
std::string RoffText(std::string_view text);
// The text without the backticks.
std::string PlainText(std::string_view text);
// The lines of a text (without their ends).
std::string LinesToHtmlList(std::string_view lines);
// Replaces every occurrence of from by to.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace orva::manual
