#include "scripting/ScriptSyntax.h"

#include <memory>

#include "platform/Text.h"
#include "scripting/Lua.h"

namespace orva {

std::optional<ScriptSyntaxError> CheckScriptSyntax(std::u16string_view script) {
    const std::unique_ptr<lua_State, void (*)(lua_State*)> state(luaL_newstate(), lua_close);
    if (!state) return ScriptSyntaxError{0, u"not enough memory"};
    lua_State* L = state.get();
    const std::string source = ToAnsi(script);
    // A chunk name of our own, so the message reads "script:LINE: reason" whatever the text.
    if (luaL_loadbuffer(L, source.data(), source.size(), "=script") == LUA_OK) return std::nullopt;
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    std::string_view message = text ? std::string_view(text, length) : "not compiled";
    ScriptSyntaxError error;
    constexpr std::string_view kName = "script:";
    if (message.substr(0, kName.size()) == kName) {
        size_t at = kName.size();
        int line = 0;
        while (at < message.size() && message[at] >= '0' && message[at] <= '9' &&
               line < 100000000) {
            line = line * 10 + (message[at++] - '0');
        }
        if (at < message.size() && message[at] == ':') {
            error.line = line;
            message.remove_prefix(at + 1);
            if (!message.empty() && message.front() == ' ') message.remove_prefix(1);
        }
    }
    error.message = FromAnsi(message);
    return error;
}

}  // namespace orva
