// The Lua host: state set-up, running one script, the script lock, the editor's test run.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "core/ScriptRunner.h"
#include "scripting/Registration.h"
#include "scripting/ScriptArena.h"
#include "scripting/ScriptContext.h"

namespace orva {

class IUserPrompt;

// The one process-wide script lock: created on first use and never deleted, so that temporary
// states made while connected share it with the connection instead of replacing it.
std::recursive_mutex& ScriptLock();

// The namespaces, the ten standard libraries, the global functions, OrvaPanelPath and the
// module path.
void InitLuaState(lua_State* L);
// Fills the table on top of the stack from list, starting at index (advanced as entries are
// taken), with prefix the dotted name of that table.
void RegisterNamespace(lua_State* L, size_t& index, std::span<const LuaEntry> list,
                       std::string_view prefix);
void SetPackagePath(lua_State* L, std::string_view extraPath);
// Runs one script with the globals Id and Value. Returns true at once for an empty script or
// no state; on failure the context's lastError holds the edited message.
bool RunScript(lua_State* L, std::u16string_view script, int32_t id, int32_t value,
               bool printEnabled, ScriptMemo* memo = nullptr);
// Lua's error text edited for the user: no line breaks of Lua's own, "]:" opens a new paragraph.
std::string EditScriptError(std::string_view message);

inline constexpr std::string_view kInternalScriptError =
    "Undefined Internal Error.\r\n\r\nSorry but the LUA Script system has an internal error and "
    "can't continue.\r\n";

// A Lua state with its context, as one connection (or one test run) uses it.
class CScriptState final : public IScriptRunner {
public:
    // Nothing when no state can be created (no memory).
    static std::unique_ptr<CScriptState> Create(const ScriptServices& services);
    // A state for a moment's work (the editor's names refresh): its memory comes from an arena
    // that is given back whole when it closes.
    static std::unique_ptr<CScriptState> CreateTemporary(const ScriptServices& services);
    ~CScriptState() override;
    CScriptState(const CScriptState&) = delete;
    CScriptState& operator=(const CScriptState&) = delete;

    lua_State* State() const { return L_; }
    CScriptContext& Context() { return context_; }

    bool Run(std::u16string_view script, int32_t id, int32_t value, bool printEnabled,
             ScriptMemo* memo = nullptr) override;
    std::string LastError() const override { return context_.lastError; }
    void SetGlobalInteger(std::u16string_view name, int64_t value) override;

private:
    CScriptState() = default;
    static std::unique_ptr<CScriptState> SetUp(std::unique_ptr<CScriptState> state, lua_State* L,
                                               const ScriptServices& services);

    std::unique_ptr<CScriptArena> arena_;  // outlives the state, which closes first
    lua_State* L_ = nullptr;
    CScriptContext context_;
};

// The script editor's test run in a temporary state; shows the error or "Test OK.".
bool TestScript(const ScriptServices& services, std::u16string_view script, int32_t eventId,
                IUserPrompt& prompt);

}  // namespace orva
