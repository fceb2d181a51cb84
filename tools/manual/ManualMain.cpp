// orvamanual: builds the user's manual at build time.
//   orvamanual html SOURCE-DIR OUT-DIR VERSION [IMAGE...]
//     the pages from the hand-written fragments in SOURCE-DIR, their markers replaced by the
//     parts made from the program's tables; every image and every link within the manual checked
//   orvamanual man TEMPLATE OUT VERSION
//     a man page from its template, the marker lines replaced
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ManualSections.h"
#include "ManualText.h"

namespace fs = std::filesystem;
using namespace orva::manual;

namespace {

struct Page {
    const char* file;
    const char* title;
};

constexpr Page kPages[] = {
    {"index.html", "OrvaPanel manual"},
    {"first-steps.html", "First steps"},
    {"main-window.html", "The main window"},
    {"card-tools.html", "Card selection and pin tools"},
    {"servers.html", "IOCP servers"},
    {"events.html", "Events list and clipboard"},
    {"script-editor.html", "Script editor"},
    {"repository.html", "Code repository"},
    {"print-monitor.html", "Print monitor"},
    {"io-monitor.html", "I/O monitor"},
    {"scripting.html", "Scripting reference"},
    {"files.html", "Files"},
    {"simulators.html", "The simulators"},
    {"programs.html", "Programs and options"},
    {"scenarios.html", "Scenarios: testing without hardware"},
};

bool ReadFile(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::string Navigation(const Page& current) {
    std::string nav = "<nav>\n<ul>\n";
    for (const Page& p : kPages) {
        nav += std::string("<li") + (&p == &current ? " class=\"current\"" : "") + "><a href=\"" +
               p.file + "\">" + orva::XmlEscape(p.title) + "</a></li>\n";
    }
    return nav + "</ul>\n</nav>\n";
}

// The fragment with each "<!--@marker-->" replaced by what it stands for.
std::string Expand(const std::string& fragment, std::vector<std::string>& errors,
                   const std::string& where) {
    std::string out;
    size_t at = 0;
    for (size_t open = fragment.find("<!--@"); open != std::string::npos;
         open = fragment.find("<!--@", at)) {
        const size_t close = fragment.find("-->", open);
        if (close == std::string::npos) break;
        out += fragment.substr(at, open - at);
        const std::string marker = fragment.substr(open + 5, close - open - 5);
        if (const auto part = GeneratedHtml(marker, errors)) {
            out += *part;
        } else {
            errors.push_back(where + ": unknown marker \"" + marker + "\"");
        }
        at = close + 3;
    }
    return out + fragment.substr(at);
}

// Every value of attr="..." in the text.
std::vector<std::string> AttributeValues(const std::string& text, const std::string& attr) {
    std::vector<std::string> values;
    const std::string head = attr + "=\"";
    for (size_t at = text.find(head); at != std::string::npos; at = text.find(head, at)) {
        at += head.size();
        const size_t end = text.find('"', at);
        if (end == std::string::npos) break;
        values.push_back(text.substr(at, end - at));
    }
    return values;
}

// Links between the pages and the images they show must all resolve.
void CheckLinks(const std::map<std::string, std::string>& pages, const std::set<std::string>& files,
                std::vector<std::string>& errors) {
    std::map<std::string, std::set<std::string>> ids;
    for (const auto& [file, text] : pages) {
        for (const std::string& id : AttributeValues(text, "id")) ids[file].insert(id);
    }
    for (const auto& [file, text] : pages) {
        for (const std::string& src : AttributeValues(text, "src")) {
            if (!files.count(src)) errors.push_back(file + ": no image " + src);
        }
        for (const std::string& href : AttributeValues(text, "href")) {
            if (href.find("://") != std::string::npos) continue;
            const size_t hash = href.find('#');
            const std::string target = hash == 0 ? file : href.substr(0, hash);
            const std::string anchor = hash == std::string::npos ? "" : href.substr(hash + 1);
            if (!pages.count(target) && !files.count(target)) {
                errors.push_back(file + ": link to a missing page " + href);
            } else if (!anchor.empty() && !ids[target].count(anchor)) {
                errors.push_back(file + ": link to a missing section " + href);
            }
        }
    }
}

int Html(const fs::path& source, const fs::path& out, const std::string& version,
         const std::vector<fs::path>& images) {
    std::vector<std::string> errors;
    std::string layout;
    if (!ReadFile(source / "page.html", layout)) errors.push_back("no page.html in the source");
    std::map<std::string, std::string> pages;
    for (const Page& page : kPages) {
        std::string fragment;
        if (!ReadFile(source / page.file, fragment)) {
            errors.push_back(std::string("no fragment ") + page.file);
            continue;
        }
        std::string text = ReplaceAll(layout, "@TITLE@", orva::XmlEscape(page.title));
        text = ReplaceAll(text, "@NAVIGATION@", Navigation(page));
        text = ReplaceAll(text, "@BODY@", Expand(fragment, errors, page.file));
        pages[page.file] = ReplaceAll(text, "@VERSION@", version);
    }
    std::set<std::string> files = {"manual.css"};
    for (const fs::path& image : images) files.insert(image.filename().string());
    CheckLinks(pages, files, errors);
    for (const std::string& e : errors) std::fprintf(stderr, "orvamanual: %s\n", e.c_str());
    if (!errors.empty()) return 1;

    std::error_code ec;
    fs::create_directories(out, ec);
    bool written = !ec;
    for (const auto& [file, text] : pages) written = written && WriteFile(out / file, text);
    fs::copy_file(source / "manual.css", out / "manual.css", fs::copy_options::overwrite_existing,
                  ec);
    written = written && !ec;
    for (const fs::path& image : images) {
        fs::copy_file(image, out / image.filename(), fs::copy_options::overwrite_existing, ec);
        written = written && !ec;
    }
    if (!written) std::fprintf(stderr, "orvamanual: cannot write into %s\n", out.c_str());
    return written ? 0 : 1;
}

int Man(const fs::path& templ, const fs::path& out, const std::string& version) {
    std::string text;
    if (!ReadFile(templ, text)) {
        std::fprintf(stderr, "orvamanual: cannot read %s\n", templ.c_str());
        return 1;
    }
    std::istringstream lines(text);
    std::string result;
    int failures = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".\\\" @", 0) != 0) {
            result += ReplaceAll(line, "@VERSION@", version) + "\n";
        } else if (const auto part = GeneratedRoff(line.substr(5))) {
            result += *part;
        } else {
            std::fprintf(stderr, "orvamanual: %s: unknown marker %s\n", templ.c_str(),
                         line.c_str());
            ++failures;
        }
    }
    if (failures > 0) return 1;
    if (!WriteFile(out, result)) {
        std::fprintf(stderr, "orvamanual: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 4 && args[0] == "html") {
        return Html(args[1], args[2], args[3], {args.begin() + 4, args.end()});
    }
    if (args.size() == 4 && args[0] == "man") return Man(args[1], args[2], args[3]);
    std::fputs(
        "usage: orvamanual html SOURCE-DIR OUT-DIR VERSION [IMAGE...]\n"
        "       orvamanual man TEMPLATE OUT VERSION\n",
        stderr);
    return 2;
}
