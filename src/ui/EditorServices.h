// What the events list and the script editor use of the program around them: the questions,
// the boards for the learning dialog, the names list and what a script's test run reaches.
#pragma once

#include <string>

#include "scripting/NamesList.h"
#include "scripting/ScriptContext.h"

namespace orva {

class IHidBackend;
class IUserPrompt;

struct EditorServices {
    IUserPrompt& prompt;
    // The learning dialog opens the configured board on these; null: no learning.
    IHidBackend* backend = nullptr;
    std::u16string cardSerial;
    bool senseVcc = false;
    // Refreshed before the event definition dialog and the editor open.
    CNamesList& names;
    // What a test run reaches: the print monitor (and no board, no links: a test run is not a
    // connection).
    ScriptServices testRun;
};

}  // namespace orva
