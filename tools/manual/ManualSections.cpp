#include "ManualSections.h"

#include <algorithm>
#include <map>

#include "FunctionDocs.h"
#include "ManualText.h"
#include "SimCommands.h"
#include "platform/Text.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/Registration.h"
#include "scripting/ScriptGlobals.h"

namespace orva::manual {
namespace {

constexpr std::string_view kLuaManual = "https://www.lua.org/manual/5.3/manual.html";

bool IsGlobalFunction(std::string_view name) {
    for (const LuaEntry& entry : GlobalFunctionEntries()) {
        if (name == entry.name) return true;
    }
    return false;
}

bool IsOwnFunction(std::string_view name) {
    for (const std::string_view prefix : {"orva.", "iocp.", "event.", "convert."}) {
        if (name.starts_with(prefix)) return true;
    }
    return IsGlobalFunction(name);
}

bool IsKeyword(std::u16string_view name) {
    const auto words = LuaKeywords();
    return std::find(words.begin(), words.end(), name) != words.end();
}

// The editor's hint texts of a function, as F4 shows them.
std::vector<std::string> Hints(std::string_view name) {
    std::vector<std::string> hints;
    for (const DescriptorRow& row : DescriptorRows()) {
        if (ToUtf8(row.name) == name) hints.push_back(ToUtf8(row.params));
    }
    return hints;
}

std::string FunctionSection(const FunctionDoc& f) {
    std::string out = "<section class=\"function\" id=\"" + XmlEscape(f.name) + "\">\n<h3><code>" +
                      XmlEscape(f.call) + "</code></h3>\n<p>" + HtmlText(f.text) + "</p>\n";
    out += f.params.empty() ? "<p>No parameters.</p>\n"
                            : "<h4>Parameters</h4>\n" + LinesToHtmlList(f.params);
    out += f.returns.empty() ? "<p>Returns nothing.</p>\n"
                             : "<p><b>Returns</b> " + HtmlText(f.returns) + ".</p>\n";
    if (f.messages[0].text.empty()) {
        out += "<p>Raises no message.</p>\n";
    } else {
        out += "<h4>Messages</h4>\n<table class=\"messages\">\n";
        for (const MessageDoc& m : f.messages) {
            if (m.text.empty()) continue;
            out += "<tr><td><samp>" + XmlEscape(m.text) + "</samp></td><td>for example <code>" +
                   XmlEscape(m.trigger) + "</code>" +
                   (m.linked ? " while every server is connected" : "") + "</td></tr>\n";
        }
        out += "</table>\n";
    }
    out += "<h4>Example</h4>\n<pre><code>" + XmlEscape(f.example) + "</code></pre>\n";
    const std::vector<std::string> hints = Hints(f.name);
    if (!hints.empty()) {
        out += "<p class=\"hint\">The editor's hint (F4):";
        for (const std::string& hint : hints) out += " <code>" + XmlEscape(hint) + "</code>";
        out += "</p>\n";
    }
    return out + "</section>\n";
}

std::string FunctionReference(std::vector<std::string>& errors) {
    const std::vector<FunctionDoc> docs = FunctionDocs();
    for (const std::string& name : OwnCatalogueFunctions()) {
        const bool documented = std::any_of(docs.begin(), docs.end(),
                                            [&](const FunctionDoc& d) { return d.name == name; });
        if (!documented) errors.push_back("no reference text for the function " + name);
    }
    std::string out;
    for (const std::string_view group : FunctionGroups()) {
        std::string id(group);
        std::transform(id.begin(), id.end(), id.begin(),
                       [](char c) { return c == ' ' ? '-' : static_cast<char>(std::tolower(c)); });
        out += "<h2 id=\"" + id + "\">" + XmlEscape(group) + "</h2>\n";
        for (const FunctionDoc& f : docs) {
            if (f.group == group) out += FunctionSection(f);
        }
    }
    return out;
}

std::string FunctionIndex() {
    std::string out = "<ul class=\"index\">\n";
    for (const FunctionDoc& f : FunctionDocs()) {
        out += "<li><a href=\"#" + XmlEscape(f.name) + "\"><code>" + XmlEscape(f.name) +
               "</code></a></li>\n";
    }
    return out + "</ul>\n";
}

// The catalogue's other names, by library, each linked to its entry in Lua's manual.
std::string LuaStandardNames() {
    std::map<std::string, std::vector<std::string>> libraries;
    for (const DescriptorRow& row : DescriptorRows()) {
        const std::string name = ToUtf8(row.name);
        if (name.empty() || IsOwnFunction(name) || IsKeyword(row.name)) continue;
        const size_t dot = name.find('.');
        libraries[dot == std::string::npos ? "basic" : name.substr(0, dot)].push_back(name);
    }
    std::string out = "<dl class=\"lua\">\n";
    for (auto& [library, names] : libraries) {
        std::sort(names.begin(), names.end());
        out += "<dt>" + XmlEscape(library) + "</dt><dd>";
        for (size_t i = 0; i < names.size(); ++i) {
            out += (i ? ", " : "") + std::string("<a href=\"") + std::string(kLuaManual) + "#pdf-" +
                   XmlEscape(names[i]) + "\"><code>" + XmlEscape(names[i]) + "</code></a>";
        }
        out += "</dd>\n";
    }
    return out + "</dl>\n";
}

std::string EventTypesTable() {
    std::string out =
        "<table class=\"events\">\n<tr><th>Type</th><th>The event's Id names</th><th>Its script "
        "runs</th><th><code>Id</code></th><th><code>Value</code></th></tr>\n";
    for (const EventGlobalsRow& row : EventGlobalsRows()) {
        out += "<tr><td>" + XmlEscape(ToUtf8(row.type)) + "</td><td>" +
               XmlEscape(ToUtf8(row.listens)) + "</td><td>" + XmlEscape(ToUtf8(row.runs)) +
               "</td><td>" + XmlEscape(ToUtf8(row.id)) + "</td><td>" +
               XmlEscape(ToUtf8(row.value)) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

std::string Joined(std::string_view a, std::string_view b) {
    return b.empty() ? std::string(a) : std::string(a) + " " + std::string(b);
}

std::string SimOptionsTable(std::string_view program) {
    std::string out = "<table class=\"options\">\n";
    for (const sim::SimOption& o : sim::SimOptions()) {
        if (o.program != program) continue;
        out += "<tr><td><code>" + XmlEscape(Joined(o.option, o.argument)) + "</code></td><td>" +
               HtmlText(o.text) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

std::string SimCommandsTable(std::string_view simulator) {
    std::string out =
        "<table class=\"commands\">\n<tr><th>Command</th><th>What it does</th>"
        "<th>Example</th></tr>\n";
    for (const sim::SimCommand& c : sim::SimCommands()) {
        if (c.simulator != simulator) continue;
        out += "<tr id=\"" + XmlEscape(std::string(simulator) + "-" + std::string(c.name)) +
               "\"><td><code>" + XmlEscape(Joined(c.name, c.arguments)) + "</code></td><td>" +
               HtmlText(c.text) + "</td><td><code>" + XmlEscape(c.example) + "</code></td></tr>\n";
    }
    return out + "</table>\n";
}

// A macro argument: in double quotes, with those inside it written as roff's own.
std::string RoffArgument(std::string_view text) {
    return "\"" + ReplaceAll(RoffText(text), "\"", "\\(dq") + "\"";
}

// The tag line of a .TP entry: the name in bold, its arguments in italics.
std::string RoffTag(std::string_view name, std::string_view arguments) {
    if (arguments.empty()) return ".B " + RoffArgument(name) + "\n";
    return ".BI " + RoffArgument(std::string(name) + " ") + " " + RoffArgument(arguments) + "\n";
}

std::string SimOptionsRoff(std::string_view program) {
    std::string out;
    for (const sim::SimOption& o : sim::SimOptions()) {
        if (o.program != program) continue;
        out += ".TP\n" + RoffTag(o.option, o.argument) + RoffText(o.text) + "\n";
    }
    return out;
}

std::string SimCommandsRoff(std::string_view simulator) {
    std::string out;
    for (const sim::SimCommand& c : sim::SimCommands()) {
        if (c.simulator != simulator) continue;
        out += ".TP\n" + RoffTag(c.name, c.arguments) + RoffText(c.text) + "\n";
    }
    return out;
}

// "name args" split at the first blank.
std::pair<std::string_view, std::string_view> Split(std::string_view marker) {
    const size_t blank = marker.find(' ');
    if (blank == std::string_view::npos) return {marker, {}};
    return {marker.substr(0, blank), marker.substr(blank + 1)};
}

}  // namespace

std::vector<std::string> OwnCatalogueFunctions() {
    std::vector<std::string> names;
    for (const DescriptorRow& row : DescriptorRows()) {
        const std::string name = ToUtf8(row.name);
        if (!IsOwnFunction(name)) continue;
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::optional<std::string> GeneratedHtml(std::string_view marker,
                                         std::vector<std::string>& errors) {
    const auto [name, args] = Split(marker);
    if (name == "functions" && args.empty()) return FunctionReference(errors);
    if (name == "function-index" && args.empty()) return FunctionIndex();
    if (name == "lua-standard" && args.empty()) return LuaStandardNames();
    if (name == "event-types" && args.empty()) return EventTypesTable();
    if (name == "sim-options" && !args.empty()) return SimOptionsTable(args);
    if (name == "sim-commands" && (args == "board" || args == "iocp")) {
        return SimCommandsTable(args);
    }
    return std::nullopt;
}

std::optional<std::string> GeneratedRoff(std::string_view marker) {
    const auto [name, args] = Split(marker);
    if (name == "sim-options" && !args.empty()) return SimOptionsRoff(args);
    if (name == "sim-commands" && (args == "board" || args == "iocp")) {
        return SimCommandsRoff(args);
    }
    return std::nullopt;
}

}  // namespace orva::manual
