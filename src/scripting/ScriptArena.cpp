#include "scripting/ScriptArena.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace orva {
namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kFirstBlock = size_t{64} << 10;

size_t Rounded(size_t size) {
    return (size + kAlign - 1) & ~(kAlign - 1);
}

}  // namespace

CScriptArena::~CScriptArena() = default;

bool CScriptArena::Owns(const void* p) const {
    const auto* b = static_cast<const std::byte*>(p);
    return std::any_of(blocks_.begin(), blocks_.end(), [b](const Block& block) {
        return b >= block.memory.get() && b < block.memory.get() + block.size;
    });
}

void* CScriptArena::Take(size_t size) {
    size = Rounded(size);
    if (static_cast<size_t>(end_ - next_) < size) {
        if (used_ + size > kCap) return std::malloc(size);
        // Each block twice the last, so a state of any size needs only a few.
        const size_t blockSize =
            std::max(size, blocks_.empty() ? kFirstBlock : blocks_.back().size * 2);
        blocks_.push_back({std::make_unique<std::byte[]>(blockSize), blockSize});
        next_ = blocks_.back().memory.get();
        end_ = next_ + blockSize;
    }
    void* p = next_;
    next_ += size;
    used_ += size;
    return p;
}

void* CScriptArena::Alloc(void* ud, void* ptr, size_t osize, size_t nsize) {
    auto* arena = static_cast<CScriptArena*>(ud);
    const bool owned = ptr && arena->Owns(ptr);
    if (nsize == 0) {
        if (ptr && !owned) std::free(ptr);
        return nullptr;  // arena memory goes back with the arena
    }
    if (owned && nsize <= osize) return ptr;  // shrinking in place
    void* fresh = arena->Take(nsize);
    if (!fresh) return nullptr;
    if (ptr) {
        std::memcpy(fresh, ptr, std::min(osize, nsize));
        if (!owned) std::free(ptr);
    }
    return fresh;
}

}  // namespace orva
