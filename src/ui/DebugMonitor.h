// The print monitor window: what the scripts print, with pause, copy, find, save and reset. It
// takes the printed text in batches, once per repaint, and shows the lines the monitor keeps.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/HelpPages.h"
#include "core/PrintMonitor.h"
#include "ui/text/MonitorText.h"

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace orva {

class IUserPrompt;

class CDebugMonitor final : public QWidget, public IPrintMonitorView {
    Q_OBJECT

public:
    // Created hidden; attaches itself to the monitor's content as its view.
    CDebugMonitor(CPrintMonitor& monitor, IUserPrompt& prompt, QWidget* parent = nullptr);
    ~CDebugMonitor() override;

    bool IsShown() const override;
    void Show() override;
    void Changed(std::u16string_view appended) override;
    // Shows what arrived since the last time now rather than at the next repaint.
    void Flush();

    // The display, for the tests and the benchmark.
    QPlainTextEdit* Display() const;

    // The whole content to a UTF-8 file; a failure is told to the user. "Save as..." calls it
    // with the name chosen in the file dialog.
    bool SaveTo(const std::filesystem::path& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class FindFrom { Selection, Next, Previous };

    QWidget* BuildFindBar();
    void ReplaceDisplay();
    void AppendToDisplay(std::u16string_view text);
    void DropOldestFromDisplay();
    void GiveBackFreedMemory();
    void ScrollToEnd();
    void CopyAll();
    void SaveAs();
    void OpenFind();
    void CloseFind();
    void Find(FindFrom from);

    CPrintMonitor& monitor_;
    IUserPrompt& prompt_;
    QPlainTextEdit* display_ = nullptr;
    QAction* pause_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLabel* findCount_ = nullptr;
    QLabel* dropped_ = nullptr;
    QTimer* flush_ = nullptr;
    QTimer* trim_ = nullptr;  // gives the memory of cut lines back once the cuts stop
    QElapsedTimer lastTrim_;  // when that was last done
    // The display shows the monitor's text up to shownEnd_ (a position in all that was printed
    // since the clear counted by shownClears_), converted with textState_ carried from one
    // batch to the next.
    uint64_t shownEnd_ = 0;
    uint64_t shownClears_ = 0;
    MonitorTextState textState_;
    std::optional<CHelpPageScope> helpPage_;
    std::filesystem::path saveFolder_;
};

}  // namespace orva
