// What the scripts of one Lua state reach: the event table, the servers, the monitor, the card.
#pragma once

#include <string>
#include <unordered_map>

#include "core/EventTable.h"
#include "core/PrintMonitor.h"
#include "core/ServerRecord.h"
#include "scripting/Lua.h"

namespace orva {

// Borrowed objects; any may be absent (a test run without a connection has no clients).
struct ScriptServices {
    CEventTable* events = nullptr;
    const ServerList* servers = nullptr;
    CPrintMonitor* monitor = nullptr;
};

// Reached from the lua_State through its extra space, so that independent states (the
// connection's, a test run's, a test's) never share anything but the script lock.
struct CScriptContext {
    ScriptServices services;
    bool printEnabled = false;
    std::string lastError;  // ANSI code page
    // Compiled chunks by script text, as registry references.
    std::unordered_map<std::u16string, int> chunks;
};

void AttachContext(lua_State* L, CScriptContext* context);
// The state's context; a process-wide empty one for a bare state.
CScriptContext& GetContext(lua_State* L);

}  // namespace orva
