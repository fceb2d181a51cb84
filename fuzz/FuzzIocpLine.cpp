// Arbitrary bytes as lines from an IOCP server: values may only land in registered cells.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "iocp/IocpLineParser.h"

namespace {

class Table final : public orva::IIocpLineActions {
public:
    void OnValue(int64_t offset, int32_t value) override {
        // The client's own bound: only offsets 0-9999 have a cell.
        if (offset >= 0 && offset < 10000) cells_[offset].store(value, std::memory_order_relaxed);
    }
    void OnValuesArrived() override {}
    void OnServerEnd() override {}
    void OnRegistrationRequested() override {}
    void OnKeepAlive() override {}

private:
    std::atomic<int32_t> cells_[10000]{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Table table;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        orva::ParseIocpLine(text.substr(0, nl), table);
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return 0;
}
