// Arbitrary bytes as a downloaded update document, decoded and read as the update check reads
// it: an offer always has an address, a caption and a question.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/UpdateCheck.h"
#include "xml/XmlElement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto text = orva::DecodeXmlBytes(bytes);
    if (!text) return 0;
    const auto document = orva::ReadUpdateDocument(*text, u"orvapanel");
    if (document && document->offer) {
        const orva::UpdateOffer& offer = *document->offer;
        if (offer.url.empty() || offer.title.empty() || offer.text.empty()) std::abort();
    }
    return 0;
}
