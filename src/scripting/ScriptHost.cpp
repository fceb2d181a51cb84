#include "scripting/ScriptHost.h"

#include <cstdio>
#include <string>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/EditorCatalogue.h"

namespace orva {
namespace {

constexpr size_t kErrorBuffer = 4096;

struct Namespace {
    const char* name;
    std::span<const LuaEntry> (*entries)();
};

constexpr Namespace kNamespaces[] = {{"iocp", IocpEntries},
                                     {"orva", OrvaEntries},
                                     {"event", EventEntries},
                                     {"convert", ConvertEntries}};

constexpr luaL_Reg kStandardLibraries[] = {
    {"_G", luaopen_base},
    {LUA_LOADLIBNAME, luaopen_package},
    {LUA_COLIBNAME, luaopen_coroutine},
    {LUA_TABLIBNAME, luaopen_table},
    {LUA_IOLIBNAME, luaopen_io},
    {LUA_OSLIBNAME, luaopen_os},
    {LUA_STRLIBNAME, luaopen_string},
    {LUA_MATHLIBNAME, luaopen_math},
    {LUA_UTF8LIBNAME, luaopen_utf8},
    {LUA_DBLIBNAME, luaopen_debug},
};

// The name of an entry inside its table: every "prefix." removed.
std::string ShortName(std::string_view name, std::string_view prefix) {
    std::string result(name);
    const std::string marker = std::string(prefix) + ".";
    for (size_t at = result.find(marker); at != std::string::npos; at = result.find(marker, at)) {
        result.erase(at, marker.size());
    }
    return result;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The compiled chunk of a script, from the memo, the state's cache or freshly loaded. Leaves
// the function (or the load error) on the stack and returns the load status.
int PushChunk(lua_State* L, CScriptContext& context, std::u16string_view script, ScriptMemo* memo) {
    if (memo && memo->owner == context.id &&
        ScriptTextEqual{}(*static_cast<const std::u16string*>(memo->key), script)) {
        lua_rawgeti(L, LUA_REGISTRYINDEX, memo->slot);
        return LUA_OK;
    }
    auto cached = context.chunks.find(script);
    if (cached == context.chunks.end()) {
        const std::string source = ToAnsi(script);
        // The script itself is the chunk name, so Lua's messages quote its first line.
        const int status = luaL_loadbuffer(L, source.data(), source.size(), source.c_str());
        if (status != LUA_OK) return status;
        lua_pushvalue(L, -1);
        cached = context.chunks.emplace(script, luaL_ref(L, LUA_REGISTRYINDEX)).first;
    } else {
        lua_rawgeti(L, LUA_REGISTRYINDEX, cached->second);
    }
    // Map nodes never move and are never erased while the state lives.
    if (memo) *memo = ScriptMemo{context.id, &cached->first, cached->second};
    return LUA_OK;
}

bool IsLuaErrorStatus(int status) {
    return status == LUA_ERRRUN || status == LUA_ERRSYNTAX || status == LUA_ERRMEM ||
           status == LUA_ERRGCMM || status == LUA_ERRERR;
}

std::string ErrorValueText(lua_State* L) {
    size_t len = 0;
    if (const char* text = lua_tolstring(L, -1, &len)) return std::string(text, len);
    return std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
}

// As the auxiliary library's own states have it: an error outside any protected call is
// reported, and the library then ends the program.
int Panic(lua_State* L) {
    const char* message = lua_tostring(L, -1);
    std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n",
                 message ? message : "error object is not a string");
    return 0;
}

}  // namespace

std::recursive_mutex& ScriptLock() {
    static auto* lock = new std::recursive_mutex;  // never deleted, by design
    return *lock;
}

void RegisterNamespace(lua_State* L, size_t& index, std::span<const LuaEntry> list,
                       std::string_view prefix) {
    while (index < list.size() && list[index].name) {
        const LuaEntry& entry = list[index];
        const std::string_view name = entry.name;
        if (!entry.function) {
            // A level belongs here only when it lies below the prefix ("orva.dout.states" is
            // not below "orva.dout.state", though it contains it).
            if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix ||
                name[prefix.size()] != '.') {
                return;
            }
            ++index;
            lua_newtable(L);
            RegisterNamespace(L, index, list, name);
            lua_setfield(L, -2, ShortName(name, prefix).c_str());
        } else {
            lua_pushcfunction(L, entry.function);
            lua_setfield(L, -2, ShortName(name, prefix).c_str());
            ++index;
        }
    }
}

void SetPackagePath(lua_State* L, std::string_view extraPath) {
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "path");
    std::string path = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
    path += ";";
    path += extraPath;
    lua_pushlstring(L, path.data(), path.size());
    lua_setfield(L, -2, "path");
    lua_pop(L, 1);
}

void InitLuaState(lua_State* L) {
    for (const Namespace& ns : kNamespaces) {
        lua_newtable(L);
        size_t index = 0;
        RegisterNamespace(L, index, ns.entries(), ns.name);
        lua_setglobal(L, ns.name);
    }
    for (const luaL_Reg& lib : kStandardLibraries) {
        luaL_requiref(L, lib.name, lib.func, 1);
        lua_pop(L, 1);
    }
    lua_pushglobaltable(L);
    for (const LuaEntry& entry : GlobalFunctionEntries()) {
        lua_pushcfunction(L, entry.function);
        lua_setfield(L, -2, entry.name);
    }
    lua_pop(L, 1);
    InitEditorCatalogue();

    // The path's own bytes, not the code page: the file system takes them as they are, and a
    // "?" made for a character outside the code page would be the module-name placeholder.
    const std::string folder = UserFolder().string();
    lua_pushlstring(L, folder.data(), folder.size());
    lua_setglobal(L, "OrvaPanelPath");
    SetPackagePath(L, folder + "?.lua;" + folder + "lua/?.lua;" + folder + "lib/?.lua");
}

std::string EditScriptError(std::string_view message) {
    std::string text(message.substr(0, kErrorBuffer - 1));
    ReplaceAll(text, "\r\n", "");
    ReplaceAll(text, "\r", "");
    ReplaceAll(text, "\n", "");
    ReplaceAll(text, "]:", "]\r\n\r\nLine ");
    return text;
}

bool RunScript(lua_State* L, std::u16string_view script, int32_t id, int32_t value,
               bool printEnabled, ScriptMemo* memo) {
    if (!L) return true;
    if (script.empty()) return true;
    std::lock_guard lock(ScriptLock());
    // Set under the lock: another thread's run of this state reads it.
    CScriptContext& context = GetContext(L);
    context.printEnabled = printEnabled;
    const int base = lua_gettop(L);
    int status = LUA_OK;
    try {
        lua_pushinteger(L, id);
        lua_setglobal(L, "Id");
        lua_pushinteger(L, value);
        lua_setglobal(L, "Value");
        status = PushChunk(L, context, script, memo);
        if (status == LUA_OK) {
            // A reused chunk keeps whatever its last run assigned to _ENV; a fresh load would
            // start from the globals table.
            lua_pushglobaltable(L);
            lua_setupvalue(L, -2, 1);
            status = lua_pcall(L, 0, LUA_MULTRET, 0);
        }
        if (status == LUA_OK) {
            lua_settop(L, base);
            return true;
        }
        if (IsLuaErrorStatus(status)) {
            context.lastError = EditScriptError(ErrorValueText(L));
            lua_settop(L, base);
            return false;
        }
    } catch (...) {
        // Not a Lua error: fall through to the internal-error report.
    }
    lua_settop(L, base);
    context.lastError = std::string(kInternalScriptError);
    return false;
}

std::unique_ptr<CScriptState> CScriptState::SetUp(std::unique_ptr<CScriptState> state, lua_State* L,
                                                  const ScriptServices& services) {
    if (!L) return nullptr;
    state->L_ = L;
    state->context_.services = services;
    AttachContext(L, &state->context_);
    InitLuaState(L);
    return state;
}

std::unique_ptr<CScriptState> CScriptState::Create(const ScriptServices& services) {
    return SetUp(std::unique_ptr<CScriptState>(new CScriptState), luaL_newstate(), services);
}

std::unique_ptr<CScriptState> CScriptState::CreateTemporary(const ScriptServices& services) {
    std::unique_ptr<CScriptState> state(new CScriptState);
    state->arena_ = std::make_unique<CScriptArena>();
    lua_State* L = lua_newstate(CScriptArena::Alloc, state->arena_.get());
    if (L) lua_atpanic(L, Panic);
    return SetUp(std::move(state), L, services);
}

CScriptState::~CScriptState() {
    std::lock_guard lock(ScriptLock());
    if (L_) lua_close(L_);
}

bool CScriptState::Run(std::u16string_view script, int32_t id, int32_t value, bool printEnabled,
                       ScriptMemo* memo) {
    return RunScript(L_, script, id, value, printEnabled, memo);
}

void CScriptState::SetGlobalInteger(std::u16string_view name, int64_t value) {
    std::lock_guard lock(ScriptLock());
    lua_pushinteger(L_, value);
    lua_setglobal(L_, ToAnsi(name).c_str());
}

bool TestScript(const ScriptServices& services, std::u16string_view script, int32_t eventId,
                IUserPrompt& prompt) {
    const auto state = CScriptState::Create(services);
    if (!state) {
        prompt.ShowMessage(u"not enough memory", u"LUA Script Error", PromptIcon::Error, true);
        return false;
    }
    const bool ok = state->Run(script, eventId, 0, true);
    if (ok) {
        prompt.ShowMessage(u"Test OK.\r\nNo errors detected", u"LUA Script Test",
                           PromptIcon::Information);
    } else {
        prompt.ShowMessage(FromAnsi(state->LastError()), u"LUA Script Error", PromptIcon::Error,
                           true);
    }
    return ok;
}

}  // namespace orva
