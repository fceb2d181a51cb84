// The "Events list" dialog: creates, edits, orders, disables and deletes the events on a private
// copy, exchanges them through the clipboard, and writes them to the table only on save.
#pragma once

#include <QDialog>
#include <cstddef>
#include <optional>
#include <vector>

#include "app/HelpPages.h"
#include "core/EventNames.h"
#include "core/EventTable.h"

class QKeyEvent;
class QPushButton;
class QTableView;

namespace orva {

class CEventsListModel;
struct EditorServices;

class CEventsListDlg final : public QDialog {
    Q_OBJECT

public:
    CEventsListDlg(CEventTable& table, const CEventTypeNames& typeNames, EditorServices& services,
                   QWidget* parent = nullptr);
    ~CEventsListDlg() override;

    // Runs the list modally over table; true when the user saved into it.
    static bool EditEvents(CEventTable& table, const CEventTypeNames& typeNames,
                           EditorServices& services, QWidget* parent);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MakeList();
    QLayout* MakeListButtons();
    QWidget* MakeClipboardGroup();
    void Connect();

    std::vector<size_t> SelectedRows() const;
    std::optional<size_t> FirstSelected() const;
    void SelectOnly(size_t row);
    void RefreshNames();

    void New();
    void EditSelected();
    void EditRow(size_t row);
    void EditScript(size_t row);
    void Delete();
    void Move(bool up);
    void Save();
    void ToggleSelected();
    void SelectionChanged();
    void RefreshClipboardButtons();
    void EnableOffsetsCopyByRows();

    void CopySelectedEvents();
    void AddEventsFromClipboard();
    void CopyOffsetDefinitions();
    void AddDefinesFromClipboard();

    bool ViewportEvent(QEvent* event);
    bool ListKey(QKeyEvent* event);

    CHelpPageScope help_{u"configurcion_de_los_eventos.htm"};
    CEventTable& table_;
    EditorServices& services_;
    CEventsListModel* model_ = nullptr;
    // Every slot was free when the list opened: the first "#define" import offers itself.
    bool emptyAtOpen_ = false;
    // The "Disabled" cell a click began on; -1: none.
    int pressedRow_ = -1;

    QTableView* list_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* del_ = nullptr;
    QPushButton* moveUp_ = nullptr;
    QPushButton* moveDown_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* discard_ = nullptr;
    QPushButton* clearClipboard_ = nullptr;
    QPushButton* addEvents_ = nullptr;
    QPushButton* copyEvents_ = nullptr;
    QPushButton* addOffsets_ = nullptr;
    QPushButton* copyOffsets_ = nullptr;
};

}  // namespace orva
