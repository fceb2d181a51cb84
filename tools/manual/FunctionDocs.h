// The scripting reference's text for each function of the program's own: what it takes, what it
// gives back, the messages it raises (each with a call that raises it) and an example.
#pragma once

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace orva::manual {

struct MessageDoc {
    std::string_view text;     // as the script's error shows it after "Line  "
    std::string_view trigger;  // one Lua statement that raises it
    bool linked = false;       // the trigger needs every server connected
};

// Texts are plain; words between backticks are code.
struct FunctionDoc {
    std::string_view group;              // the reference's section
    std::string_view name;               // as scripts call it
    std::string_view call;               // the call with its parameters' names
    std::string_view text;               // what it does
    std::string_view params;             // one "name: meaning" a line; empty when it takes none
    std::string_view returns;            // empty when it returns nothing
    std::array<MessageDoc, 3> messages;  // the unused ones empty
    std::string_view example;            // Lua lines
};

std::span<const FunctionDoc> BoardFunctionDocs();
std::span<const FunctionDoc> OtherFunctionDocs();
// Both, in the reference's order.
std::vector<FunctionDoc> FunctionDocs();
// The sections, in order.
std::span<const std::string_view> FunctionGroups();

}  // namespace orva::manual
