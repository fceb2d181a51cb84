// The one way in to editing an event's script, wherever the user starts it from.
#pragma once

#include <cstdint>
#include <string>

class QWidget;

namespace orva {

struct EditorServices;

// Edits script in a modal editor titled after the event; true when the user kept the edit
// (script then holds it).
bool EditScriptText(EditorServices& services, std::u16string& script, const std::u16string& name,
                    int32_t eventId, QWidget* parent);

}  // namespace orva
