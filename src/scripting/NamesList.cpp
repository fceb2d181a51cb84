#include "scripting/NamesList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "core/EventDispatcher.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"

namespace orva {
namespace {

constexpr std::u16string_view kHelperErrorText =
    u"Error loading LUA descriptors and reserved words.\r\nThere was an error triying to load the "
    u"LUA global table for the Helper editor.\r\nYou can continue, but, the Helper on the Script "
    u"editor will not work, so, you will not be able to use it, and no colors will be used for "
    u"reserved words on the editor.";

void AppendAscii(std::u16string& out, std::string_view text) {
    const size_t at = out.size();
    out.resize(at + text.size());
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Names are nearly always ASCII, which is widened in place; anything else goes through the code
// page.
void AppendAnsi(std::u16string& out, std::string_view text) {
    const size_t at = out.size();
    out.resize(at + text.size());
    char16_t* to = out.data() + at;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            out.resize(at);
            out += FromAnsi(text);
            return;
        }
        *to++ = byte;
    }
}

// A number key as Lua's tostring writes it, made here so that the walk allocates nothing
// inside Lua (a memory error there would have no protected call to land in).
void AppendNumber(lua_State* L, int index, std::u16string& out) {
    char buffer[64];
    if (lua_isinteger(L, index)) {
        std::snprintf(buffer, sizeof buffer, LUA_INTEGER_FMT, lua_tointeger(L, index));
    } else {
        std::snprintf(buffer, sizeof buffer, LUA_NUMBER_FMT, lua_tonumber(L, index));
        if (buffer[std::strspn(buffer, "-0123456789")] == '\0') {
            std::strncat(buffer, ".0", sizeof buffer - std::strlen(buffer) - 1);
        }
    }
    AppendAscii(out, buffer);
}

// False for keys without a text (booleans, tables, functions, userdata).
bool AppendKeyText(lua_State* L, int index, std::u16string& out) {
    switch (lua_type(L, index)) {
        case LUA_TSTRING: {
            size_t size = 0;
            const char* bytes = lua_tolstring(L, index, &size);  // a string key stays as it is
            AppendAnsi(out, std::string_view(bytes, size));
            return true;
        }
        case LUA_TNUMBER:
            AppendNumber(L, index, out);
            return true;
        default:
            return false;
    }
}

std::optional<HelperKind> GlobalKind(int type) {
    switch (type) {
        case LUA_TFUNCTION:
            return kHelperFunction;
        case LUA_TBOOLEAN:
        case LUA_TNUMBER:
        case LUA_TSTRING:
            return kHelperValue;
        default:
            return std::nullopt;
    }
}

// Global tables named with "_" first (_G) or "G" second stay out with all they hold; the
// second-character rule is the program's own and leaves out names such as AGroup too.
bool IsHiddenGlobalTable(std::u16string_view name) {
    return (!name.empty() && name[0] == u'_') || (name.size() > 1 && name[1] == u'G');
}

// Walks the globals depth-first without recursion: the Lua stack holds a table and its current
// key per level. Only the tables being walked count as met, so a table reached under two names
// is listed under both, while a table that contains itself is listed where it recurs but not
// walked again.
void WalkGlobals(lua_State* L, CNamesList& names, size_t room) {
    struct Level {
        const void* table;
        size_t pathSize;   // the parent's name and its dot
        bool enterTables;  // false inside package, whose loaded table holds the globals again
    };
    std::vector<Level> levels;
    levels.reserve(kMaxWalkDepth + 1);
    std::u16string path;
    const auto isOpen = [&levels](const void* table) {
        return std::any_of(levels.begin(), levels.end(),
                           [table](const Level& level) { return level.table == table; });
    };

    lua_pushglobaltable(L);
    levels.push_back({lua_topointer(L, -1), 0, true});
    lua_pushnil(L);
    while (!levels.empty() && names.Size() < room) {
        if (lua_next(L, -2) == 0) {
            levels.pop_back();
            lua_pop(L, 1);
            continue;
        }
        const Level level = levels.back();
        path.resize(level.pathSize);
        if (!AppendKeyText(L, -2, path)) {
            lua_pop(L, 1);
            continue;
        }
        const int type = lua_type(L, -1);
        const bool global = levels.size() == 1;
        if (type == LUA_TTABLE && (global ? !IsHiddenGlobalTable(path) : level.enterTables)) {
            path += u'.';
            names.Add(kHelperTable, path);
            const void* table = lua_topointer(L, -1);
            if (levels.size() <= kMaxWalkDepth && !isOpen(table) && lua_checkstack(L, 2)) {
                levels.push_back({table, path.size(), path != u"package."});
                lua_pushnil(L);
                continue;
            }
        } else if (global) {
            if (const auto kind = GlobalKind(type)) names.Add(*kind, path);
        } else {
            names.Add(kHelperTable, path);
        }
        lua_pop(L, 1);
    }
}

// Stands in for the connection while the dispatcher publishes names; nothing is connected.
class CNoConnection final : public IConnectionControl {
public:
    void Disconnect() override {}
    void RefreshStatus() override {}
};

// Through the dispatcher, so that the list names exactly what a connect publishes.
void PublishEventNames(CEventTable& events, CScriptState& state, IUserPrompt& prompt) {
    CEventTypeNames typeNames;
    CNoConnection control;
    CEventDispatcher dispatcher(events, typeNames, prompt, control);
    dispatcher.SetScriptRunner(&state);
    dispatcher.PublishEventNames();
}

void RunAfterConnectScripts(const CEventTable& events, CScriptState& state) {
    const size_t used = events.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        const EventRecord& record = events[i];
        if (record.disabled || record.type != kEventAfterConnect) continue;
        // A failing script only leaves out the globals it did not get to make.
        state.Run(record.script, 0, 0, false);
    }
}

}  // namespace

void CNamesList::Add(HelperKind kind, std::u16string_view word) {
    entries_.push_back({kind, text_.size(), word.size()});
    text_ += word;
}

void CNamesList::Reserve(size_t words, size_t characters) {
    entries_.reserve(words);
    text_.reserve(characters);
}

CNamesList BuildNamesList(lua_State* L) {
    CNamesList names;
    names.Reserve(1024, 16384);  // room for a large instance's globals in one allocation each
    const auto keywords = LuaKeywords();
    {
        // Another thread's run of the same state could change the tables under the walk.
        std::lock_guard lock(ScriptLock());
        const int base = lua_gettop(L);
        if (lua_checkstack(L, 3)) WalkGlobals(L, names, kMaxNames - keywords.size());
        lua_settop(L, base);
    }
    for (const std::u16string_view keyword : keywords) names.Add(kHelperFunction, keyword);
    return names;
}

bool RefreshNamesList(CNamesList& list, CEventTable& events, const ScriptServices& services,
                      IUserPrompt& prompt) {
    ScriptServices offline = services;
    // The scripts run only for the globals they make; the user's board and servers are not
    // theirs to drive from the editor.
    offline.card = nullptr;
    offline.clients = nullptr;
    return RefreshNamesListFrom(list, CScriptState::CreateTemporary(offline), events, prompt);
}

bool RefreshNamesListFrom(CNamesList& list, std::unique_ptr<CScriptState> state,
                          CEventTable& events, IUserPrompt& prompt) {
    if (!state) {
        prompt.ShowMessage(std::u16string(kHelperErrorText), u"Helper Error", PromptIcon::Error);
        return false;
    }
    // Every run sets them, so a script always has them; the list offers them before any run.
    state->SetGlobalInteger(u"Id", 0);
    state->SetGlobalInteger(u"Value", 0);
    PublishEventNames(events, *state, prompt);
    RunAfterConnectScripts(events, *state);
    list = BuildNamesList(state->State());
    // The state closes here under the shared script lock, which outlives it.
    return true;
}

}  // namespace orva
