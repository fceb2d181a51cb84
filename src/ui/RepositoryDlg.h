// The "Code repository" dialog: picks a ready-made snippet from the downloaded catalogue.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QWidget;

namespace orva {

struct EditorServices;

class CRepositoryDlg final : public QDialog {
    Q_OBJECT

public:
    // Runs the dialog modally; the chosen snippet's script on Insert, nothing on Cancel.
    static std::optional<std::u16string> PickScript(EditorServices& services, QWidget* parent);
};

}  // namespace orva
