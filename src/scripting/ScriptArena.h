// Memory for a short-lived script state: taken from a few growing blocks and given back all at
// once when the state closes, instead of one malloc and free per Lua object.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace orva {

class CScriptArena {
public:
    // Past this the arena hands out ordinary heap memory, so a script that makes garbage
    // without end costs what it would elsewhere rather than growing the arena.
    static constexpr size_t kCap = size_t{16} << 20;

    CScriptArena() = default;
    ~CScriptArena();
    CScriptArena(const CScriptArena&) = delete;
    CScriptArena& operator=(const CScriptArena&) = delete;

    // A lua_Alloc; ud is the arena.
    static void* Alloc(void* ud, void* ptr, size_t osize, size_t nsize);

    size_t Used() const { return used_; }

private:
    struct Block {
        std::unique_ptr<std::byte[]> memory;
        size_t size;
    };
    void* Take(size_t size);
    bool Owns(const void* p) const;

    std::vector<Block> blocks_;
    std::byte* next_ = nullptr;
    std::byte* end_ = nullptr;
    size_t used_ = 0;
};

}  // namespace orva
