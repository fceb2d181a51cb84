// The "LUA Script editor": one event's script with colours, completion, parameter hints,
// re-indent, snippets from the code repository, a test run and script files.
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/HelpPages.h"
#include "ui/text/Colouring.h"

class QAction;
class QMenu;

namespace orva {

struct EditorServices;
class CScriptTextEdit;

class CScriptEditor final : public QDialog {
    Q_OBJECT

public:
    // Reads the theme from the application profile.
    CScriptEditor(EditorServices& services, std::u16string_view titleName,
                  QWidget* parent = nullptr);
    ~CScriptEditor() override;

    // The script to edit; it is also the text the close box compares with. Its line end is the
    // one Script() gives back.
    void SetScript(std::u16string_view script);
    // The id the test run gives the script.
    void SetEventId(int32_t id) { eventId_ = id; }
    // The edited script (on OK, the result).
    std::u16string Script() const;

    EditorTheme Theme() const { return theme_; }
    CScriptTextEdit* Editor() const { return edit_; }

    // The menu commands.
    void TestRun();
    void SaveAndExit();
    void ExitWithoutSave();
    void LoadFromFile();
    void SaveToFile();
    void InsertFromRepository();
    void OpenHelper();
    void OpenParams();
    // Applies the theme and stores it in the profile at once.
    void SetTheme(EditorTheme theme);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    QAction* AddShortcut(int key, void (CScriptEditor::*command)());
    std::optional<std::filesystem::path> ChooseFile(bool save);
    void OpenHelpPage(std::u16string_view page);
    void OpenAddress(std::u16string_view address);
    void UpdateEditMenu();

    CHelpPageScope help_{u"editor_de_scripts_de_lua.htm"};
    EditorServices& services_;
    int32_t eventId_ = 0;
    EditorTheme theme_;
    std::u16string lineEnd_ = u"\r\n";
    std::u16string opening_;  // the text as it was opened, LF line ends
    CScriptTextEdit* edit_ = nullptr;

    QMenu* scriptMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QAction* saveAs_ = nullptr;
    QAction* clearTheme_ = nullptr;
    QAction* darkTheme_ = nullptr;
    QAction* cut_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* paste_ = nullptr;
    QAction* clear_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
};

}  // namespace orva
