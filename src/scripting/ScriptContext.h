// What the scripts of one Lua state reach: the event table, the servers, the monitor, the card.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "card/OrvaCard.h"
#include "core/EventTable.h"
#include "core/PrintMonitor.h"
#include "core/ServerRecord.h"
#include "iocp/IocpClient.h"
#include "scripting/Lua.h"

namespace orva {

// Looks chunks up by the script text without copying it.
struct ScriptTextHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view text) const {
        return std::hash<std::u16string_view>{}(text);
    }
};

// Compares whole buffers at once (char_traits<char16_t> compares one unit at a time).
struct ScriptTextEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 2) == 0;
    }
};

// Borrowed objects; any may be absent (a test run without a connection has no clients).
struct ScriptServices {
    CEventTable* events = nullptr;
    const ServerList* servers = nullptr;
    CPrintMonitor* monitor = nullptr;
    COrvaCard* card = nullptr;
    // The connection's clients, one per server in server-list order; none while disconnected.
    const std::vector<CIocpClient*>* clients = nullptr;
};

// Reached from the lua_State through its extra space, so that independent states (the
// connection's, a test run's, a test's) never share anything but the script lock.
struct CScriptContext {
    CScriptContext();
    const uint64_t id;  // unique in the process, never reused: tells whose memo is whose
    ScriptServices services;
    bool printEnabled = false;
    // Writes and keys for a server whose link is down are dropped without an error: the scripts'
    // goodbye after a lost link cannot reach it, and that is nobody's failure.
    bool dropUnsent = false;
    std::string lastError;  // ANSI code page
    // Compiled chunks by script text, as registry references.
    std::unordered_map<std::u16string, int, ScriptTextHash, ScriptTextEqual> chunks;
};

void AttachContext(lua_State* L, CScriptContext* context);
// The state's context; a process-wide empty one for a bare state.
CScriptContext& GetContext(lua_State* L);

}  // namespace orva
