// The "Event definition and config" dialog: type, name, id, script and disable flag of one
// event, which reach the list only when the dialog ends with OK.
#pragma once

#include <QDialog>

#include "app/HelpPages.h"
#include "core/EventNames.h"
#include "ui/text/EventRows.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace orva {

struct EditorServices;

class CEventDefinitionDlg final : public QDialog {
    Q_OBJECT

public:
    CEventDefinitionDlg(EventRow event, const CEventTypeNames& typeNames, EditorServices& services,
                        QWidget* parent = nullptr);
    ~CEventDefinitionDlg() override;

    // The event as the dialog left it; the caller takes it when the dialog ended with OK.
    const EventRow& Event() const { return event_; }

    // Keeps the dialog open while the Id is not one an event can have.
    void accept() override;

private:
    void MakeControls();
    void UpdateIdControls();
    void LookForId();
    void GoToEditor();

    CHelpPageScope help_{u"anadir_y_editar_eventos.htm"};
    EventRow event_;
    EditorServices& services_;

    QComboBox* type_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLineEdit* id_ = nullptr;
    QPushButton* learn_ = nullptr;
    QPushButton* editor_ = nullptr;
    QCheckBox* disable_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace orva
