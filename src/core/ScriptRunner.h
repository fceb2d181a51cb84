// What the event dispatch needs from the script host and from the connection controller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

class IScriptRunner {
public:
    virtual ~IScriptRunner() = default;
    // Runs one script with the globals Id and Value; false on failure (see LastError).
    virtual bool Run(std::u16string_view script, int32_t id, int32_t value, bool printEnabled) = 0;
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
