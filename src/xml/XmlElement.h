// The XML component: element handles, tree building and lookup, parsing and writing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

class IUserPrompt;

enum XmlItemKind : int32_t { kXmlChild = 0, kXmlAttribute = 1, kXmlText = 2, kXmlClear = 3 };

struct XmlAttribute {
    std::u16string name;
    std::optional<std::u16string> value;
};

// A section copied without decoding, with the markers it was written between.
struct XmlClear {
    std::u16string value;
    std::u16string open;
    std::u16string close;
};

struct XmlRecord {
    std::u16string name;
    bool isDeclaration = false;
    std::weak_ptr<XmlRecord> parent;  // a child holds no count on its parent
    std::vector<std::shared_ptr<XmlRecord>> children;
    std::vector<std::u16string> texts;
    std::vector<XmlClear> clears;
    std::vector<XmlAttribute> attributes;
    std::vector<int32_t> order;  // item index * 4 + XmlItemKind, in document order

    XmlRecord() = default;
    XmlRecord(const XmlRecord&) = delete;
    XmlRecord& operator=(const XmlRecord&) = delete;
    // Frees deep subtrees without recursion.
    ~XmlRecord();
};

// A shared handle; an empty handle stands for "no element" and is what failed lookups return.
class XmlElement {
public:
    XmlElement() = default;
    explicit XmlElement(std::shared_ptr<XmlRecord> record) : record_(std::move(record)) {}

    bool IsEmpty() const { return !record_; }
    explicit operator bool() const { return record_ != nullptr; }

    const std::u16string& Name() const;
    bool IsDeclaration() const { return record_ && record_->isDeclaration; }
    XmlElement Parent() const;
    const XmlRecord* Record() const { return record_.get(); }
    XmlRecord* MutableRecord() const { return record_.get(); }
    const std::shared_ptr<XmlRecord>& Shared() const { return record_; }

    bool operator==(const XmlElement& other) const { return record_ == other.record_; }

private:
    std::shared_ptr<XmlRecord> record_;
};

struct XmlParseResult {
    int error = 0;
    int line = 0;
    int column = 0;
    std::u16string expectedTag;  // for error 13
};

enum XmlError : int {
    kXmlNoError = 0,
    kXmlWarnUnmatchedEndTag = 1,
    kXmlNoData = 2,
    kXmlFirstNotStartTag = 3,
    kXmlMissingStartTagName = 4,
    kXmlMissingEndTagName = 5,
    kXmlUnmatchedQuote = 6,
    kXmlUnmatchedEndTag = 7,
    kXmlUnmatchedClearTagEnd = 8,
    kXmlUnexpectedToken = 9,
    kXmlInvalidTag = 10,
    kXmlNoElements = 11,
    kXmlFileNotFound = 12,
    kXmlFirstTagNotFound = 13,
    kXmlUnknownEntity = 14,
    kXmlCharConversion = 15,
    kXmlCannotOpenWriteFile = 16,
    kXmlCannotWriteFile = 17,
};

std::u16string_view XmlErrorText(int code);

// Building.
XmlElement CreateDeclaration();
XmlElement CreateElement(std::u16string_view name);
XmlElement AddChild(const XmlElement& element, std::u16string_view name,
                    bool isDeclaration = false);
void AddAttribute(const XmlElement& element, std::u16string_view name,
                  std::optional<std::u16string_view> value);
void AddText(const XmlElement& element, std::u16string_view text);
void AddClear(const XmlElement& element, std::u16string_view value, std::u16string_view open,
              std::u16string_view close);

// Lookup; names compare without regard to case.
int ChildCount(const XmlElement& element);
int ChildCount(const XmlElement& element, std::u16string_view name);
// The first child named name at or after *index; *index becomes its position + 1.
XmlElement FindChild(const XmlElement& element, std::u16string_view name, int* index = nullptr);
XmlElement ChildAt(const XmlElement& element, int position);
std::optional<std::u16string> GetAttribute(const XmlElement& element, std::u16string_view name);

// The five markup characters as entities (fit for XML and HTML text and attributes).
std::u16string XmlEscape(std::u16string_view text);
std::string XmlEscape(std::string_view text);

// Parsing.
XmlElement ParseXmlText(std::u16string_view text, std::u16string_view tag, XmlParseResult& result);
// The bytes of a file as UTF-16: UTF-16LE (with or without its mark), UTF-8 (with or without
// its mark) or ASCII. Nothing when they are not valid UTF-8 either.
std::optional<std::u16string> DecodeXmlBytes(std::string_view bytes);
XmlElement ReadXmlFile(const std::filesystem::path& path, std::u16string_view tag,
                       XmlParseResult& result);
// As ReadXmlFile; a failure is also shown to the user. The element is returned even then.
XmlElement ParseXmlFile(const std::filesystem::path& path, std::u16string_view tag,
                        IUserPrompt& prompt);
std::u16string ParseErrorMessage(const std::filesystem::path& path, const XmlParseResult& result);

// Writing.
std::u16string ToXmlText(const XmlElement& element, int depth = 0);
// The file bytes: the UTF-16LE mark, a default declaration unless the element is one, the text.
std::string ToXmlFileBytes(const XmlElement& element);
// 0, 16 when the file cannot be created, 17 when it cannot be written. The file is replaced
// atomically, so a failed write leaves the old one intact.
int WriteXmlFile(const XmlElement& element, const std::filesystem::path& path);

}  // namespace orva
