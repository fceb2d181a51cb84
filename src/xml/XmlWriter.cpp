#include <vector>

#include "platform/Text.h"
#include "xml/XmlElement.h"

namespace orva {
namespace {

struct Frame {
    const XmlRecord* record;
    int depth;
    int contentDepth;
    size_t next;
    bool closeTag;
};

bool HasContent(const XmlRecord& r) {
    return !r.children.empty() || !r.texts.empty() || !r.clears.empty();
}

void Tabs(std::u16string& out, int depth) {
    out.append(static_cast<size_t>(depth), u'\t');
}

// Writes the tag of r with its attributes, each followed by a blank; the caller turns the last
// blank into the tag's end.
void TagWithAttributes(std::u16string& out, const XmlRecord& r, std::u16string_view opener) {
    out += opener;
    out += r.name;
    out += u' ';
    for (const auto& a : r.attributes) {
        out += a.name;
        if (a.value) {
            out += u"=\"";
            out += XmlEscape(*a.value);
            out += u'"';
        }
        out += u' ';
    }
    out.pop_back();
}

void Open(std::u16string& out, const XmlRecord& r, int depth, std::vector<Frame>& stack) {
    if (r.name.empty() && !r.isDeclaration) {
        stack.push_back({&r, depth, depth, 0, false});  // the unnamed top-level container
        return;
    }
    Tabs(out, depth);
    if (r.isDeclaration) {
        TagWithAttributes(out, r, u"<?");
        out += u"?>\n";
        stack.push_back({&r, depth, depth, 0, false});
        return;
    }
    TagWithAttributes(out, r, u"<");
    if (!HasContent(r)) {
        out += u"/>\n";
        return;
    }
    out += u">\n";
    stack.push_back({&r, depth, depth + 1, 0, true});
}

}  // namespace

std::u16string ToXmlText(const XmlElement& element, int depth) {
    std::u16string out;
    if (!element) return out;
    std::vector<Frame> stack;
    Open(out, *element.Record(), depth, stack);
    while (!stack.empty()) {
        Frame& f = stack.back();
        const XmlRecord& r = *f.record;
        if (f.next >= r.order.size()) {
            if (f.closeTag) {
                Tabs(out, f.depth);
                out += u"</";
                out += r.name;
                out += u">\n";
            }
            stack.pop_back();
            continue;
        }
        const int32_t item = r.order[f.next++];
        const auto index = static_cast<size_t>(item / 4);
        const int contentDepth = f.contentDepth;
        switch (item % 4) {
            case kXmlChild:
                if (index < r.children.size()) Open(out, *r.children[index], contentDepth, stack);
                break;
            case kXmlText:
                if (index < r.texts.size()) {
                    Tabs(out, contentDepth);
                    out += XmlEscape(r.texts[index]);
                    out += u'\n';
                }
                break;
            case kXmlClear:
                if (index < r.clears.size()) {
                    const XmlClear& c = r.clears[index];
                    Tabs(out, contentDepth);
                    out += c.open + c.value + c.close;
                    out += u'\n';
                }
                break;
            default:
                break;  // attributes are written in the tag
        }
    }
    return out;
}

std::string ToXmlFileBytes(const XmlElement& element) {
    std::u16string text = u"\uFEFF";
    if (!element.IsDeclaration()) text += u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    text += ToXmlText(element, 0);
    return ToUtf16LeBytes(text);
}

}  // namespace orva
