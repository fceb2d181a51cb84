// Arbitrary bytes through the XML decoder, parser, lookups and writer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xml/XmlElement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto text = orva::DecodeXmlBytes(bytes);
    if (!text) return 0;
    orva::XmlParseResult result;
    const orva::XmlElement root = orva::ParseXmlText(*text, u"offsets_list", result);
    int index = 0;
    while (orva::XmlElement offset = orva::FindChild(root, u"offset", &index)) {
        (void)orva::GetAttribute(offset, u"script");
    }
    const orva::XmlElement any = orva::ParseXmlText(*text, u"", result);
    if (text->size() < 4096) (void)orva::ToXmlText(any);
    return 0;
}
