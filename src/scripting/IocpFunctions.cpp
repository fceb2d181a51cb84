// The iocp namespace: offsets read and written and event keys sent to a named server.
#include "core/EventTable.h"
#include "iocp/IocpClient.h"
#include "platform/Text.h"
#include "scripting/LuaArgs.h"
#include "scripting/Registration.h"
#include "scripting/ScriptContext.h"

namespace orva {
namespace {

// The position of the first server whose alias is the name, without regard to case; -1 if none.
int ServerIndex(lua_State* L, const std::u16string& name) {
    const ServerList* servers = GetContext(L).services.servers;
    if (!servers) return -1;
    for (size_t i = 0; i < servers->size(); ++i) {
        if (EqualsNoCase((*servers)[i].alias, name)) return static_cast<int>(i);
    }
    return -1;
}

// The client serving the named server, after the two tests every sending function makes;
// nothing when what is sent is to be dropped.
CIocpClient* SendingClient(lua_State* L, const std::u16string& name, const char* notConnected,
                           const char* indexError) {
    const CScriptContext& context = GetContext(L);
    const std::vector<CIocpClient*>* clients = context.services.clients;
    bool allConnected = clients && !clients->empty();
    if (allConnected) {
        for (const CIocpClient* c : *clients) allConnected = allConnected && c && c->IsConnected();
    }
    if (!allConnected && context.dropUnsent) return nullptr;
    if (!allConnected) RaiseScriptError(L, notConnected);
    const int i = ServerIndex(L, name);
    if (i < 0 || static_cast<size_t>(i) >= clients->size()) RaiseScriptError(L, indexError);
    return (*clients)[static_cast<size_t>(i)];
}

int OffsetValueGet(lua_State* L) {
    CheckArgCount(L, 2, "iocp.offset.value.get: incorrect number of arguments.");
    const std::u16string name = ArgTextWide(L, 1);
    const int64_t offset = ArgInteger(L, 2);
    if (offset < 0 || offset > 9999) RaiseScriptError(L, "iocp.offset.value.get: wrong offset ID.");
    const int i = ServerIndex(L, name);
    if (i < 0) RaiseScriptError(L, "iocp.offset.value.get: IOCP client index error.");
    // Servers past the tenth have no event type, so nothing of theirs can be read.
    const CEventTable* events = GetContext(L).services.events;
    const EventRecord* record =
        events && i < kMaxIocpTypedServers
            ? events->FindByTypeAndId(static_cast<uint8_t>(kEventFirstIocp + i),
                                      static_cast<int32_t>(offset))
            : nullptr;
    if (!record) return 0;
    lua_pushinteger(L, record->value.load(std::memory_order_relaxed));
    return 1;
}

int OffsetValueSet(lua_State* L) {
    CheckArgCount(L, 3, "iocp.offset.value.set: incorrect number of arguments.");
    const std::u16string name = ArgTextWide(L, 1);
    const int64_t offset = ArgInteger(L, 2);
    const int64_t value = ArgInteger(L, 3);
    CIocpClient* client =
        SendingClient(L, name, "iocp.offset.value.set: IOCP client not connected.",
                      "iocp.offset.value.set: IOCP client index error.");
    const bool sent = client &&
                      client->QueueValue(static_cast<int32_t>(static_cast<uint32_t>(offset)),
                                         static_cast<int32_t>(static_cast<uint32_t>(value))) &&
                      client->Flush();
    lua_pushinteger(L, sent ? 1 : 0);
    return 1;
}

int EventKeySend(lua_State* L) {
    CheckArgCount(L, 3, "iocp.eventkey.send: incorrect number of arguments.");
    const std::u16string name = ArgTextWide(L, 1);
    const int64_t key = ArgInteger(L, 2);
    const int64_t value = ArgInteger(L, 3);
    CIocpClient* client =
        SendingClient(L, name, "iocp.eventkey.send: some IOCP client is not connected.",
                      "iocp.eventkey.send: IOCP client index error.");
    if (client) client->SendKey(key, value, true);
    lua_pushinteger(L, client ? 1 : 0);
    return 1;
}

constexpr LuaEntry kIocpEntries[] = {
    {"iocp.offset", nullptr},
    {"iocp.offset.value", nullptr},
    {"iocp.offset.value.get", OffsetValueGet},
    {"iocp.offset.value.set", OffsetValueSet},
    {"iocp.eventkey", nullptr},
    {"iocp.eventkey.send", EventKeySend},
};

}  // namespace

std::span<const LuaEntry> IocpEntries() {
    return kIocpEntries;
}

}  // namespace orva
