// The names list behind the script editor's completion and word colours, built from a Lua state.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/EventTable.h"
#include "scripting/EditorCatalogue.h"
#include "scripting/Lua.h"
#include "scripting/ScriptContext.h"

namespace orva {

class CScriptState;
class IUserPrompt;

// Bounds of a walk that would otherwise run away: tables aliased at every level multiply the
// names, a long chain of nested tables makes each name longer than the last. Tables nested
// deeper than kMaxWalkDepth below a global are listed but not walked; the walk stops adding
// names at kMaxNames, keywords included (they are always there, last).
inline constexpr size_t kMaxWalkDepth = 32;
inline constexpr size_t kMaxNames = 65536;

// Words with their kinds, in table order. The words sit back to back in one buffer, so that a
// rebuild allocates next to nothing per word.
class CNamesList {
public:
    size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    std::u16string_view Word(size_t i) const {
        return std::u16string_view(text_).substr(entries_[i].offset, entries_[i].size);
    }
    HelperKind Kind(size_t i) const { return entries_[i].kind; }

    void Add(HelperKind kind, std::u16string_view word);
    void Reserve(size_t words, size_t characters);

private:
    struct Entry {
        HelperKind kind;
        size_t offset;
        size_t size;
    };
    std::u16string text_;
    std::vector<Entry> entries_;
};

// Every global name a script of L can use, in the order of Lua's next, then the keywords. Keys
// that are neither strings nor numbers name nothing a script could type and are left out, with
// whatever they hold. A table met again inside itself is listed but not walked again.
CNamesList BuildNamesList(lua_State* L);

// The editor's refresh: builds the list from a temporary state that holds the events' names as
// a connect publishes them and whatever the enabled AFTER CONNECT scripts make, run silently
// with their failures ignored. That state never reaches the board or the servers' links. When
// no state can be made the user is told, the list stays as it was and the result is false.
bool RefreshNamesList(CNamesList& list, CEventTable& events, const ScriptServices& services,
                      IUserPrompt& prompt);
// The same from a state the caller made (nullptr when none could be made).
bool RefreshNamesListFrom(CNamesList& list, std::unique_ptr<CScriptState> state,
                          CEventTable& events, IUserPrompt& prompt);

}  // namespace orva
