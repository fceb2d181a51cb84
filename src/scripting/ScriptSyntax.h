// Whether a script compiles, without running it: the editor's check before it saves and the
// headless program's check of an instance's scripts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orva {

struct ScriptSyntaxError {
    int line = 0;            // of the script, from 1; 0 when Lua named none
    std::u16string message;  // Lua's reason, without the chunk's name and line
};

// Compiles the script as a run would (the same code page), in a state of its own; nothing when
// it compiles.
std::optional<ScriptSyntaxError> CheckScriptSyntax(std::u16string_view script);

}  // namespace orva
