#include "xml/XmlElement.h"

#include <array>

#include "platform/Text.h"

namespace orva {

namespace {
const std::u16string kEmptyName;

void AppendOrder(XmlRecord& record, size_t index, XmlItemKind kind) {
    record.order.push_back(static_cast<int32_t>(index * 4) + kind);
}
}  // namespace

XmlRecord::~XmlRecord() {
    std::vector<std::shared_ptr<XmlRecord>> pending = std::move(children);
    while (!pending.empty()) {
        std::shared_ptr<XmlRecord> record = std::move(pending.back());
        pending.pop_back();
        if (record.use_count() == 1) {
            for (auto& child : record->children) pending.push_back(std::move(child));
            record->children.clear();
        }
    }
}

const std::u16string& XmlElement::Name() const {
    return record_ ? record_->name : kEmptyName;
}

XmlElement XmlElement::Parent() const {
    return record_ ? XmlElement(record_->parent.lock()) : XmlElement();
}

std::u16string_view XmlErrorText(int code) {
    static constexpr std::array<std::u16string_view, 22> kTexts = {
        u"No error",
        u"Warning: Unmatched end tag",
        u"Error: No XML data",
        u"Error: First token not start tag",
        u"Error: Missing start tag name",
        u"Error: Missing end tag name",
        u"Error: Unmatched quote",
        u"Error: Unmatched end tag",
        u"Error: Unmatched clear tag end",
        u"Error: Unexpected token found",
        u"Error: Invalid tag found",
        u"Error: No elements found",
        u"Error: File not found",
        u"Error: First Tag not found",
        u"Error: Unknown character entity",
        u"Error: unable to convert between UNICODE and MultiByte chars",
        u"Error: unable to open file for writing",
        u"Error: cannot write into file",
        u"Warning: Base64-string length is not a multiple of 4",
        u"Error: Base64-string contains an illegal character",
        u"Warning: Base64-string is truncated",
        u"Error: Base64 decode output buffer is too small",
    };
    if (code < 0 || static_cast<size_t>(code) >= kTexts.size()) return u"Unknown";
    return kTexts[static_cast<size_t>(code)];
}

XmlElement CreateDeclaration() {
    auto record = std::make_shared<XmlRecord>();
    record->name = u"xml";
    record->isDeclaration = true;
    return XmlElement(record);
}

XmlElement CreateElement(std::u16string_view name) {
    auto record = std::make_shared<XmlRecord>();
    record->name = name;
    return XmlElement(record);
}

XmlElement AddChild(const XmlElement& element, std::u16string_view name, bool isDeclaration) {
    XmlRecord* parent = element.MutableRecord();
    if (!parent) return {};
    auto child = std::make_shared<XmlRecord>();
    child->name = name;
    child->isDeclaration = isDeclaration;
    child->parent = element.Shared();
    AppendOrder(*parent, parent->children.size(), kXmlChild);
    parent->children.push_back(child);
    return XmlElement(child);
}

void AddAttribute(const XmlElement& element, std::u16string_view name,
                  std::optional<std::u16string_view> value) {
    XmlRecord* record = element.MutableRecord();
    if (!record) return;
    AppendOrder(*record, record->attributes.size(), kXmlAttribute);
    XmlAttribute attribute{std::u16string(name), std::nullopt};
    if (value) attribute.value = std::u16string(*value);
    record->attributes.push_back(std::move(attribute));
}

void AddText(const XmlElement& element, std::u16string_view text) {
    XmlRecord* record = element.MutableRecord();
    if (!record) return;
    AppendOrder(*record, record->texts.size(), kXmlText);
    record->texts.emplace_back(text);
}

void AddClear(const XmlElement& element, std::u16string_view value, std::u16string_view open,
              std::u16string_view close) {
    XmlRecord* record = element.MutableRecord();
    if (!record) return;
    AppendOrder(*record, record->clears.size(), kXmlClear);
    record->clears.push_back({std::u16string(value), std::u16string(open), std::u16string(close)});
}

int ChildCount(const XmlElement& element) {
    return element ? static_cast<int>(element.Record()->children.size()) : 0;
}

int ChildCount(const XmlElement& element, std::u16string_view name) {
    if (!element) return 0;
    int count = 0;
    for (const auto& child : element.Record()->children) {
        if (EqualsNoCase(child->name, name)) ++count;
    }
    return count;
}

XmlElement FindChild(const XmlElement& element, std::u16string_view name, int* index) {
    if (!element) return {};
    const auto& children = element.Record()->children;
    for (size_t i = index ? static_cast<size_t>(std::max(*index, 0)) : 0; i < children.size();
         ++i) {
        if (EqualsNoCase(children[i]->name, name)) {
            if (index) *index = static_cast<int>(i) + 1;
            return XmlElement(children[i]);
        }
    }
    return {};
}

XmlElement ChildAt(const XmlElement& element, int position) {
    if (!element || position < 0 ||
        static_cast<size_t>(position) >= element.Record()->children.size()) {
        return {};
    }
    return XmlElement(element.Record()->children[static_cast<size_t>(position)]);
}

std::optional<std::u16string> GetAttribute(const XmlElement& element, std::u16string_view name) {
    if (!element) return std::nullopt;
    for (const auto& attribute : element.Record()->attributes) {
        if (EqualsNoCase(attribute.name, name)) return attribute.value;
    }
    return std::nullopt;
}

namespace {

template <typename Char>
std::basic_string<Char> Escape(std::basic_string_view<Char> text) {
    std::basic_string<Char> out;
    out.reserve(text.size());
    const auto add = [&out](std::string_view entity) { out.append(entity.begin(), entity.end()); };
    for (const Char c : text) {
        switch (c) {
            case '&':
                add("&amp;");
                break;
            case '<':
                add("&lt;");
                break;
            case '>':
                add("&gt;");
                break;
            case '"':
                add("&quot;");
                break;
            case '\'':
                add("&apos;");
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::u16string XmlEscape(std::u16string_view text) {
    return Escape(text);
}

std::string XmlEscape(std::string_view text) {
    return Escape(text);
}

}  // namespace orva
