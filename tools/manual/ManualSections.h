// The sections of the manual made from the program's own tables: the scripting reference from the
// editor catalogue and the registration lists, the event types, the simulators' commands.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva::manual {

// The catalogue's functions of the program's own families (orva, iocp, event, convert and the
// global functions), each once, in catalogue order.
std::vector<std::string> OwnCatalogueFunctions();

// The HTML a marker "<!--@name args-->" of a page stands for; nothing for an unknown marker.
// Errors (a function without its reference text) go to errors.
std::optional<std::string> GeneratedHtml(std::string_view marker, std::vector<std::string>& errors);
// The roff a marker line ".\" @name args" of a man page stands for.
std::optional<std::string> GeneratedRoff(std::string_view marker);

}  // namespace orva::manual
