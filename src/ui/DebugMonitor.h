// The print monitor window: what the scripts print, with pause, copy, find, save and reset.
#pragma once

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
    void Refresh(const std::u16string& content, std::u16string_view appended) override;

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
    void ReplaceDisplay(const std::u16string& content);
    void AppendToDisplay(std::u16string_view text);
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
    // The display shows the first shownLength_ characters of the content, converted with
    // textState_ carried from one piece to the next.
    std::size_t shownLength_ = 0;
    MonitorTextState textState_;
    std::optional<CHelpPageScope> helpPage_;
    std::filesystem::path saveFolder_;
};

}  // namespace orva
