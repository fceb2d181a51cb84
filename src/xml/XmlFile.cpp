#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "xml/XmlElement.h"

namespace orva {

std::optional<std::u16string> DecodeXmlBytes(std::string_view bytes) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        return FromUtf16LeBytes(bytes.substr(2));
    }
    // UTF-16LE without its mark: plain text shows as characters followed by zero bytes.
    if (bytes.size() >= 2 && bytes.size() % 2 == 0 && byte(0) != 0 && byte(1) == 0) {
        return FromUtf16LeBytes(bytes);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    bool ok = true;
    std::u16string text = FromUtf8(bytes, &ok);
    if (!ok) return std::nullopt;
    return text;
}

XmlElement ReadXmlFile(const std::filesystem::path& path, std::u16string_view tag,
                       XmlParseResult& result) {
    result = {};
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        result.error = kXmlFileNotFound;
        return {};
    }
    if (bytes->empty()) {
        result.error = kXmlNoData;
        return {};
    }
    const auto text = DecodeXmlBytes(*bytes);
    if (!text) {
        result.error = kXmlCharConversion;
        return {};
    }
    return ParseXmlText(*text, tag, result);
}

std::u16string ParseErrorMessage(const std::filesystem::path& path, const XmlParseResult& result) {
    const bool firstTag = result.error == kXmlFirstTagNotFound;
    return Format(u"XML Parsing error inside file '%s'.\n%S\nAt line %i, column %i.\n%s%S%s",
                  PathText(path), XmlErrorText(result.error), result.line, result.column,
                  firstTag ? u"First Tag should be '" : u"",
                  firstTag ? std::u16string_view(result.expectedTag) : u"",
                  firstTag ? u"'.\n" : u"");
}

XmlElement ParseXmlFile(const std::filesystem::path& path, std::u16string_view tag,
                        IUserPrompt& prompt) {
    XmlParseResult result;
    XmlElement element = ReadXmlFile(path, tag, result);
    if (result.error != kXmlNoError) {
        prompt.ShowMessage(ParseErrorMessage(path, result), u"XML Parsing error", PromptIcon::Error,
                           true);
    }
    return element;
}

int WriteXmlFile(const XmlElement& element, const std::filesystem::path& path) {
    switch (ReplaceFile(path, ToXmlFileBytes(element))) {
        case WriteResult::Ok:
            return kXmlNoError;
        case WriteResult::CannotCreate:
            return kXmlCannotOpenWriteFile;
        case WriteResult::CannotWrite:
            break;
    }
    return kXmlCannotWriteFile;
}

}  // namespace orva
