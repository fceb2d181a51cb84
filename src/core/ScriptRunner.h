// What the event dispatch needs from the script host and from the connection controller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// A runner's memo of where it keeps a script's compiled form, kept with the event so that a
// dispatch finds it without a look-up. Opaque to everyone but the runner, which checks it
// before use (a copied or stale memo is simply not used).
struct ScriptMemo {
    uint64_t owner = 0;
    const void* key = nullptr;
    int slot = 0;
};

class IScriptRunner {
public:
    virtual ~IScriptRunner() = default;
    // Runs one script with the globals Id and Value; false on failure (see LastError).
    virtual bool Run(std::u16string_view script, int32_t id, int32_t value, bool printEnabled,
                     ScriptMemo* memo = nullptr) = 0;
    // The last failure's message, in the ANSI code page.
    virtual std::string LastError() const = 0;
    virtual void SetGlobalInteger(std::u16string_view name, int64_t value) = 0;
};

class IConnectionControl {
public:
    virtual ~IConnectionControl() = default;
    // Runs the BEFORE DISCONNECT events, then lets the scripts, servers and board go. Must
    // ignore a call made while a disconnect is already under way.
    virtual void Disconnect() = 0;
    virtual void RefreshStatus() = 0;
};

}  // namespace orva
