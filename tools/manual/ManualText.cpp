#include "ManualText.h"

namespace orva::manual {

std::string HtmlText(std::string_view text) {
    std::string out;
    bool code = false;
    for (size_t at = 0; at < text.size();) {
        const size_t tick = text.find('`', at);
        out += XmlEscape(text.substr(at, tick == std::string_view::npos ? tick : tick - at));
        if (tick == std::string_view::npos) break;
        out += code ? "</code>" : "<code>";
        code = !code;
        at = tick + 1;
    }
    if (code) out += "</code>";
    return out;
}

std::string PlainText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != '`') out += c;
    }
    return out;
}

std::string RoffText(std::string_view text) {
    std::string out;
    for (const char c : PlainText(text)) {
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string LinesToHtmlList(std::string_view lines) {
    std::string out = "<ul>\n";
    while (!lines.empty()) {
        const size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
        const size_t colon = line.find(": ");
        if (colon == std::string_view::npos) {
            out += "<li>" + HtmlText(line) + "</li>\n";
        } else {
            out += "<li><var>" + XmlEscape(line.substr(0, colon)) +
                   "</var>: " + HtmlText(line.substr(colon + 2)) + "</li>\n";
        }
    }
    return out + "</ul>\n";
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace orva::manual
