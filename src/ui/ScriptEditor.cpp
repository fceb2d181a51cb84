#include "ui/ScriptEditor.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "app/HelpPages.h"
#include "app/OrvaPanelApp.h"
#include "app/UpdateCheck.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "scripting/ScriptHost.h"
#include "scripting/ScriptSyntax.h"
#include "ui/CalcPinIdDlg.h"
#include "ui/EditorServices.h"
#include "ui/QtShellOpener.h"
#include "ui/RepositoryDlg.h"
#include "ui/ScriptTextEdit.h"
#include "ui/text/ScriptText.h"

namespace orva {
namespace {

constexpr std::u16string_view kProfileSection = u"Scripts";
constexpr std::u16string_view kThemeKey = u"Theme";
constexpr std::u16string_view kTestErrorCaption = u"LUA Script Error";
constexpr std::u16string_view kLuaManual = u"https://www.lua.org/manual/5.3/";
constexpr int kInitialColumns = 90;
constexpr int kInitialLines = 32;
// Far beyond any script; a file larger than this is something else chosen by mistake.
constexpr size_t kMaxScriptFile = 1 << 20;

QString Q(std::u16string_view text) {
    return QString::fromStdU16String(std::u16string(text));
}

// Passes every question on and keeps the text of the test run's error, so the editor can show
// the line it names.
class CTestErrorKeeper final : public IUserPrompt {
public:
    explicit CTestErrorKeeper(IUserPrompt& prompt) : prompt_(prompt) {}
    PromptAnswer Ask(const PromptRequest& request) override {
        if (request.caption == kTestErrorCaption) error_ = request.text;
        return prompt_.Ask(request);
    }
    void CloseQuestion(std::u16string_view captionPrefix) override {
        prompt_.CloseQuestion(captionPrefix);
    }
    const std::u16string& Error() const { return error_; }

private:
    IUserPrompt& prompt_;
    std::u16string error_;
};

}  // namespace

CScriptEditor::CScriptEditor(EditorServices& services, std::u16string_view titleName,
                             QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("scriptEditor"));
    setWindowTitle(Q(Format(u"LUA Script editor - %s", titleName)));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    theme_ = ThemeFromNumber(
        CProfile(AppProfileFile())
            .ReadInt(kProfileSection, kThemeKey, static_cast<int>(EditorTheme::Dark)));
    edit_ = new CScriptTextEdit(services_.names, theme_, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    BuildMenus();
    edit_->SetContextMenu(editMenu_);

    const QFontMetrics metrics(edit_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * kInitialColumns,
           metrics.height() * kInitialLines);
    edit_->setFocus();
}

CScriptEditor::~CScriptEditor() = default;

void CScriptEditor::BuildMenus() {
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);

    scriptMenu_ = bar->addMenu(tr("&Script"));
    scriptMenu_->addAction(tr("&Test"), this, &CScriptEditor::TestRun);
    scriptMenu_->addAction(tr("&Save and exit"), this, &CScriptEditor::SaveAndExit);
    scriptMenu_->addAction(tr("E&xit without save"), this, &CScriptEditor::ExitWithoutSave);
    scriptMenu_->addAction(tr("&Load from..."), this, &CScriptEditor::LoadFromFile);
    saveAs_ = scriptMenu_->addAction(tr("Save &as..."), this, &CScriptEditor::SaveToFile);
    connect(scriptMenu_, &QMenu::aboutToShow, this,
            [this] { saveAs_->setEnabled(!edit_->document()->isEmpty()); });

    editMenu_ = bar->addMenu(tr("&Edit"));
    QMenu* writer = editMenu_->addMenu(tr("Code &writer"));
    writer->addAction(tr("&Repository (F2)"), this, &CScriptEditor::InsertFromRepository);
    writer->addAction(tr("&Helper (F3)"), this, &CScriptEditor::OpenHelper);
    cut_ = editMenu_->addAction(tr("Cu&t"), edit_, &QPlainTextEdit::cut);
    copy_ = editMenu_->addAction(tr("&Copy"), edit_, &QPlainTextEdit::copy);
    paste_ = editMenu_->addAction(tr("&Paste"), edit_, &QPlainTextEdit::paste);
    clear_ = editMenu_->addAction(tr("C&lear"), this,
                                  [this] { edit_->textCursor().removeSelectedText(); });
    undo_ = editMenu_->addAction(tr("&Undo"), edit_, &QPlainTextEdit::undo);
    redo_ = editMenu_->addAction(tr("&Redo"), edit_, &QPlainTextEdit::redo);
    connect(editMenu_, &QMenu::aboutToShow, this, &CScriptEditor::UpdateEditMenu);

    QMenu* themeMenu = bar->addMenu(tr("T&heme"));
    auto* themes = new QActionGroup(this);
    clearTheme_ =
        themeMenu->addAction(tr("&Clear"), this, [this] { SetTheme(EditorTheme::Clear); });
    darkTheme_ = themeMenu->addAction(tr("&Dark"), this, [this] { SetTheme(EditorTheme::Dark); });
    for (QAction* action : {clearTheme_, darkTheme_}) {
        action->setCheckable(true);
        themes->addAction(action);
    }
    (theme_ == EditorTheme::Clear ? clearTheme_ : darkTheme_)->setChecked(true);

    QMenu* tools = bar->addMenu(tr("T&ools"));
    QAction* calc = tools->addAction(tr("Calc &PIN Id"), this, [this] {
        CCalcPinIdDlg calculator(*services_.backend, services_.cardSerial, this);
        calculator.exec();
    });
    calc->setEnabled(services_.backend != nullptr);

    QMenu* help = bar->addMenu(tr("He&lp"));
    QMenu* orva = help->addMenu(tr("Orva &IOCP"));
    orva->addAction(tr("&Home (F1)"), this, [this] { OpenHelpPage(u""); });
    orva->addAction(tr("&LUA Script Editor"), this,
                    [this] { OpenHelpPage(u"editor_de_scripts_de_lua.htm"); });
    help->addAction(tr("Lua 5.3 &reference manual"), this, [this] { OpenAddress(kLuaManual); });
    help->addAction(tr("&Functions params (F4)"), this, &CScriptEditor::OpenParams);

    // The function keys work wherever the focus is in the window, a popup included (F3 there
    // puts the Helper list away).
    AddShortcut(Qt::Key_F2, &CScriptEditor::InsertFromRepository);
    AddShortcut(Qt::Key_F3, &CScriptEditor::OpenHelper);
    AddShortcut(Qt::Key_F4, &CScriptEditor::OpenParams);
}

QAction* CScriptEditor::AddShortcut(int key, void (CScriptEditor::*command)()) {
    auto* action = new QAction(this);
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, command);
    addAction(action);
    return action;
}

void CScriptEditor::UpdateEditMenu() {
    const bool selected = edit_->textCursor().hasSelection();
    cut_->setEnabled(selected);
    copy_->setEnabled(selected);
    clear_->setEnabled(selected);
    paste_->setEnabled(edit_->canPaste());
    undo_->setEnabled(edit_->document()->isUndoAvailable());
    redo_->setEnabled(edit_->document()->isRedoAvailable());
}

void CScriptEditor::SetScript(std::u16string_view script) {
    lineEnd_ = LineEndOf(script);
    edit_->setPlainText(Q(script));
    // Taken back from the text, so that the close box compares like with like.
    opening_ = edit_->Text();
}

std::u16string CScriptEditor::Script() const {
    return WithLineEnds(edit_->Text(), lineEnd_);
}

void CScriptEditor::SetTheme(EditorTheme theme) {
    theme_ = theme;
    // The profile's folder does not exist before the program's first write to it.
    const std::filesystem::path profile = AppProfileFile();
    std::error_code error;
    std::filesystem::create_directories(profile.parent_path(), error);
    CProfile(profile).WriteInt(kProfileSection, kThemeKey, static_cast<int>(theme));
    edit_->SetTheme(theme);
    (theme == EditorTheme::Clear ? clearTheme_ : darkTheme_)->setChecked(true);
}

void CScriptEditor::TestRun() {
    CTestErrorKeeper keeper(services_.prompt);
    if (TestScript(services_.testRun, Script(), eventId_, keeper)) return;
    if (const auto line = ScriptErrorLine(keeper.Error())) edit_->GoToLine(*line);
}

void CScriptEditor::SaveAndExit() {
    // A script that does not compile would fail at its first run, and that disconnects.
    if (const auto error = CheckScriptSyntax(Script())) {
        const std::u16string where =
            error->line > 0 ? Format(u"The script has an error at line %d:", error->line)
                            : std::u16string(u"The script has an error:");
        const PromptAnswer answer = services_.prompt.AskQuestion(
            where + u"\r\n" + error->message + u"\r\n\r\nSave it anyway?", u"Save and exit",
            PromptButtons::YesNo, PromptIcon::Warning);
        if (answer != PromptAnswer::Yes) {
            if (error->line > 0) edit_->GoToLine(error->line);
            return;
        }
    }
    done(QDialog::Accepted);
}

void CScriptEditor::ExitWithoutSave() {
    done(QDialog::Rejected);
}

std::optional<std::filesystem::path> CScriptEditor::ChooseFile(bool save) {
    QFileDialog chooser(this, save ? tr("Save script as...") : tr("Load script from file"));
    chooser.setObjectName(QStringLiteral("scriptFile"));
    chooser.setNameFilters({tr("Lua Files (*.lua *.lu)"), tr("Text files (*.txt)"), tr("All (*)")});
    if (save) {
        chooser.setAcceptMode(QFileDialog::AcceptSave);
        chooser.setFileMode(QFileDialog::AnyFile);
        chooser.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        chooser.setAcceptMode(QFileDialog::AcceptOpen);
        chooser.setFileMode(QFileDialog::ExistingFile);
    }
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return PathFromText(chooser.selectedFiles().first().toStdU16String());
}

void CScriptEditor::LoadFromFile() {
    if (!edit_->document()->isEmpty() &&
        services_.prompt.AskQuestion(u"The current Script will be erased if you load a new one "
                                     u"from a file.\rClick OK to proceed.",
                                     u"Script not empty",
                                     PromptButtons::YesNo) != PromptAnswer::Yes) {
        return;
    }
    const auto file = ChooseFile(false);
    if (!file) return;
    std::string bytes;
    switch (ReadFileUpTo(*file, kMaxScriptFile, bytes)) {
        case ReadResult::Ok:
            break;
        case ReadResult::CannotRead:
            services_.prompt.ShowMessage(Format(u"The file %s could not be read.", PathText(*file)),
                                         u"Load script from file", PromptIcon::Error);
            return;
        case ReadResult::TooLarge:
            services_.prompt.ShowMessage(
                Format(u"The file %s is too large for a script (more than 1 MiB).\r\nNothing "
                       u"was loaded.",
                       PathText(*file)),
                u"Load script from file", PromptIcon::Warning);
            return;
    }
    const std::u16string script = ScriptFromFileBytes(bytes);
    if (script.find_first_of(u"\r\n") != std::u16string::npos) lineEnd_ = LineEndOf(script);
    // One step to undo, so a file loaded over the wrong script does not lose it.
    edit_->ReplaceAll(script);
}

void CScriptEditor::SaveToFile() {
    if (edit_->document()->isEmpty()) return;
    const auto file = ChooseFile(true);
    if (!file) return;
    if (!WriteFileAtomically(*file, ScriptFileBytes(Script()))) {
        services_.prompt.ShowMessage(
            Format(u"The script could not be saved to %s.", PathText(*file)), u"Save script as...",
            PromptIcon::Error);
    }
}

void CScriptEditor::InsertFromRepository() {
    edit_->HidePopups();
    if (const auto script = CRepositoryDlg::PickScript(services_, this)) edit_->InsertText(*script);
    edit_->setFocus();
}

void CScriptEditor::OpenHelper() {
    edit_->ToggleHelper(edit_->textCursor().selectedText().toStdU16String());
}

void CScriptEditor::OpenParams() {
    edit_->ToggleParams(edit_->textCursor().selectedText().toStdU16String());
}

void CScriptEditor::OpenHelpPage(std::u16string_view page) {
    const std::u16string address =
        HelpAddressOf(page, WebHost(), kProductKey, ManualFolder(COrvaPanelApp::ProgramFolder()));
    if (!address.empty()) OpenAddress(address);
}

void CScriptEditor::OpenAddress(std::u16string_view address) {
    CQtShellOpener().Open(address);
}

void CScriptEditor::closeEvent(QCloseEvent* event) {
    if (!EqualsNoCase(edit_->Text(), opening_)) {
        switch (services_.prompt.AskQuestion(
            u"This LUA script has been changed.\r\nDo you want to save it?", u"Save befor exit?",
            PromptButtons::YesNoCancel)) {
            case PromptAnswer::Yes:
                done(QDialog::Accepted);
                break;
            case PromptAnswer::No:
                done(QDialog::Rejected);
                break;
            default:
                event->ignore();
                return;
        }
    } else {
        done(QDialog::Rejected);
    }
    event->accept();
}

void CScriptEditor::keyPressEvent(QKeyEvent* event) {
    // Neither Esc nor Enter ends the editor; only its menus and the close box do.
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace orva
