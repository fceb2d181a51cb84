// The private event records from the clipboard, as another instance (or anything else) put them
// there: reading never runs past the block, every event read has a type a dispatch runs, and what
// was read writes back as it reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "ui/text/EventClipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    const std::vector<orva::EventRow> rows = orva::DecodeEventRecords(block);
    // A type no dispatch runs never becomes an event.
    for (const orva::EventRow& row : rows) {
        if (row.type > orva::kEventLastIocp) std::abort();
    }
    const std::string again = orva::EncodeEventRecords(rows);
    // Every record read came from the block, so rewriting them takes no more room than it had.
    if (again.size() > size) std::abort();
    if (orva::DecodeEventRecords(again) != rows) std::abort();
    return 0;
}
