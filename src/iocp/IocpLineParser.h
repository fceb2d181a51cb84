// The grammar of the lines an IOCP server sends, apart from any socket.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace orva {

// What a parsed line asks for.
class IIocpLineActions {
public:
    virtual ~IIocpLineActions() = default;
    // A pair of a Resp word; the receiver decides whether the offset is registered.
    virtual void OnValue(int64_t offset, int32_t value) = 0;
    // After all pairs of a Resp word.
    virtual void OnValuesArrived() = 0;
    virtual void OnServerEnd() = 0;
    virtual void OnRegistrationRequested() = 0;
    virtual void OnKeepAlive() = 0;
};

// Walks one line (without its line end) character by character.
void ParseIocpLine(std::string_view line, IIocpLineActions& actions);

}  // namespace orva
