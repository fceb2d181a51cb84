#include "ui/ScriptEditing.h"

#include "ui/EditorServices.h"
#include "ui/ScriptEditor.h"

namespace orva {

bool EditScriptText(EditorServices& services, std::u16string& script, const std::u16string& name,
                    int32_t eventId, QWidget* parent) {
    CScriptEditor editor(services, name, parent);
    editor.SetScript(script);
    editor.SetEventId(eventId);
    if (editor.exec() != QDialog::Accepted) return false;
    script = editor.Script();
    return true;
}

}  // namespace orva
