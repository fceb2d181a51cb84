// "Program > Restore a previous version...": the backups of the instance's events file and
// configuration with their times and event counts, and the restoring of one while the
// instance is disconnected.
#pragma once

#include <QDialog>
#include <vector>

#include "app/BackupRestore.h"
#include "app/HelpPages.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orva {

class IUserPrompt;

class CRestoreDlg final : public QDialog {
    Q_OBJECT

public:
    // view shows the options of a restored configuration.
    CRestoreDlg(CConnectionController& controller, IControllerView& view, IUserPrompt& prompt,
                QWidget* parent = nullptr);

    // Reads the backups again into the list.
    void Refresh();
    // The Restore button: asks, restores the selected backup and lists the backups anew.
    void RestoreSelected();

private:
    void ShowResult(const InstanceBackup& backup, RestoreResult result,
                    const std::optional<FileBackup>& made);

    CConnectionController& controller_;
    IControllerView& view_;
    IUserPrompt& prompt_;
    CHelpPageScope help_{u"files.html#backups"};
    std::vector<InstanceBackup> backups_;
    QTreeWidget* list_ = nullptr;
    QPushButton* restore_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace orva
