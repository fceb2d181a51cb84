// The script editor as the user drives it: keys, popups, menus, the test run, script files and
// the ways out.
#include "ui/ScriptEditor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <memory>

#include "app/HelpPages.h"
#include "core/PrintMonitor.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "support/Prompts.h"
#include "support/QtPrinters.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/EditorServices.h"
#include "ui/ScriptEditing.h"
#include "ui/ScriptPopups.h"
#include "ui/ScriptTextEdit.h"
#include "ui/text/ScriptText.h"

namespace orva {
namespace {

using test::OnModal;

// The dark theme's colours by kind of word; a value's is the clear theme's too.
const QColor kKeyword(189, 99, 197), kMember(76, 153, 211), kOperator(21, 210, 21),
    kValue(255, 128, 3), kPlain(240, 240, 255);

class ScriptEditorTest : public test::HomeTest {
protected:
    ScriptEditorTest() {
        // The names a connect would publish, and what an AFTER CONNECT script makes.
        events_[0].type = kEventAfterConnect;
        events_[0].id = 0;
        events_[0].name = u"Start";
        events_[0].script = u"Panel = {lamp = 16}\nfunction SetLamp(pin, on) end";
        EXPECT_TRUE(RefreshNamesList(names_, events_, services_.testRun, prompt_));
        monitor_.SetView(nullptr);
    }

    // With from..to selected, else the caret at the end.
    void Open(std::u16string_view script, int from = -1, int to = -1) {
        editor_ = std::make_unique<CScriptEditor>(services_, u"GEAR");
        editor_->SetScript(script);
        editor_->SetEventId(42);
        editor_->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor_.get()));
        Text()->setFocus();
        from < 0 ? Text()->moveCursor(QTextCursor::End) : Select(from, to);
    }

    CScriptTextEdit* Text() { return editor_->Editor(); }
    CHelperList* Helper() { return Text()->Helper(); }
    CParamsBox* Params() { return Text()->Params(); }
    QString Plain() { return Text()->toPlainText(); }
    QString Selected() { return Text()->textCursor().selectedText(); }
    QWidget* Focus() { return QApplication::focusWidget(); }

    void Type(const char* text) {
        for (const char* c = text; *c; ++c) QTest::keyClick(Focus(), *c);
    }
    template <typename... Keys>
    void Key(Keys... keys) {
        (QTest::keyClick(Focus(), keys), ...);
    }
    void CtrlT() { QTest::keyClick(Focus(), Qt::Key_T, Qt::ControlModifier); }
    void Select(int from, int to) {
        QTextCursor cursor = Text()->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        Text()->setTextCursor(cursor);
    }

    // A window's menu item as its label reads.
    static QAction* Item(const QWidget* window, const char* menu, const char* label) {
        for (const QMenu* shown : window->findChildren<QMenu*>()) {
            if (shown->title().remove(QLatin1Char('&')) != QLatin1String(menu)) continue;
            for (QAction* action : shown->actions()) {
                if (action->text().remove(QLatin1Char('&')) == QLatin1String(label)) return action;
            }
        }
        ADD_FAILURE() << "no menu item " << menu << " > " << label;
        return nullptr;
    }
    QAction* Item(const char* menu, const char* label) { return Item(editor_.get(), menu, label); }
    void Choose(const char* menu, const char* label) { Item(menu, label)->trigger(); }

    // Each {line, column, colour}: the colouring's there, else the text colour.
    void ExpectColours(std::initializer_list<std::tuple<int, int, QColor>> marks) {
        for (const auto& [line, column, colour] : marks) {
            QColor shown = Text()->palette().color(QPalette::Text);
            for (const auto& range :
                 Text()->document()->findBlockByNumber(line).layout()->formats()) {
                if (column >= range.start && column < range.start + range.length) {
                    shown = range.format.foreground().color();
                }
            }
            EXPECT_EQ(shown, colour) << line << ':' << column;
        }
    }

    // Runs a Script menu item, picking file in the chooser it opens after checking what it offers.
    void ThroughChooser(const char* item, const std::filesystem::path& file, const char* title) {
        OnModal(
            [file, title](QWidget* modal) {
                auto* chooser = qobject_cast<QFileDialog*>(modal);
                ASSERT_NE(chooser, nullptr);
                EXPECT_EQ(chooser->windowTitle(), QLatin1String(title));
                EXPECT_EQ(chooser->nameFilters(),
                          (QStringList{"Lua Files (*.lua *.lu)", "Text files (*.txt)", "All (*)"}));
                EXPECT_EQ(chooser->selectedNameFilter(), QStringLiteral("Lua Files (*.lua *.lu)"));
                // Typed as a whole path, then Enter.
                auto* name = test::Child<QLineEdit>(chooser, "fileNameEdit");
                name->setText(QString::fromStdU16String(PathText(file)));
                QTest::keyClick(name, Qt::Key_Return);
            },
            editor_.get());
        Choose("Script", item);
    }

    CRecordingPrompt prompt_;
    CEventTable events_;
    CNamesList names_;
    CPrintMonitor monitor_;
    EditorServices services_{prompt_, nullptr, {},
                             false,   names_,  ScriptServices{.monitor = &monitor_}};
    std::unique_ptr<CScriptEditor> editor_;
};

TEST_F(ScriptEditorTest, ColoursByKindInTheStoredThemeStoresAChoiceAtOnceAndFollowsEdits) {
    Open(u"");
    EXPECT_EQ(editor_->windowTitle(), QStringLiteral("LUA Script editor - GEAR"));
    EXPECT_EQ(editor_->Theme(), EditorTheme::Dark);
    EXPECT_TRUE(Item("Theme", "Dark")->isChecked());
    EXPECT_EQ(Text()->palette().color(QPalette::Base), QColor(30, 30, 30));
    EXPECT_TRUE(test::ColumnsLineUp(Text()->font()));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"editor_de_scripts_de_lua.htm");
    // Typed at once: "Panel." would open the Helper list.
    Text()->insertPlainText(QStringLiteral("if Panel.lamp then SetLamp(Id) end_x"));
    // if: keyword; Panel.lamp: table member; (: operator; Id: value; end_x: end is whole.
    ExpectColours({{0, 0, kKeyword}, {0, 3, kMember}, {0, 26, kOperator}});
    ExpectColours({{0, 27, kValue}, {0, 31, kKeyword}, {0, 34, kPlain}});

    Choose("Theme", "Clear");
    EXPECT_EQ(CProfile(AppProfileFile()).ReadInt(u"Scripts", u"Theme", 1), 0);
    EXPECT_TRUE(Item("Theme", "Clear")->isChecked());
    EXPECT_FALSE(Item("Theme", "Dark")->isChecked());
    ExpectColours({{0, 0, QColor(0, 0, 255)}, {0, 3, QColor(0, 165, 234)}});
    ExpectColours({{0, 26, QColor(0, 128, 0)}, {0, 27, kValue}});
    EXPECT_EQ(Text()->palette().color(QPalette::Text), QColor(0, 0, 0));
    // Colours are no edit: nothing to undo but the typing.
    Text()->undo();
    EXPECT_EQ(Plain(), QString());

    // The next editor opens in the stored theme.
    Open(u"");
    EXPECT_EQ(editor_->Theme(), EditorTheme::Clear);
    EXPECT_TRUE(Item("Theme", "Clear")->isChecked());
    EXPECT_EQ(Text()->palette().color(QPalette::Base), QColor(255, 255, 255));
    Choose("Theme", "Dark");
    EXPECT_EQ(CProfile(AppProfileFile()).ReadInt(u"Scripts", u"Theme", 0), 1);

    // Lines added, split or taken back are coloured anew.
    Open(u"x = 1");
    Text()->InsertText(u"\nif Id then\nprint(Id)");
    ExpectColours({{1, 0, kKeyword}, {2, 6, kValue}});
    // Enter in the middle of a word: both halves coloured as what they now are.
    Select(20, 20);  // "pri|nt"
    Key(Qt::Key_Return);
    ExpectColours({{2, 0, kPlain}, {3, 0, kPlain}});
    Text()->undo();
    ExpectColours({{2, 0, kKeyword}});
    Text()->undo();
    EXPECT_EQ(Plain(), QStringLiteral("x = 1"));
    ExpectColours({{0, 2, kOperator}});
}

TEST_F(ScriptEditorTest, ADotAfterAKnownTableOpensTheHelperAndAParenthesisTheParameterHints) {
    Open(u"x = 1\r\n");
    Type("Gear.");  // not a table: nothing opens
    EXPECT_FALSE(Helper()->isVisible());
    EXPECT_EQ(Focus(), Text());
    Type(" orva.");
    ASSERT_TRUE(Helper()->isVisible());
    EXPECT_EQ(Focus(), Helper());
    EXPECT_EQ(Helper()->Prefix(), u"orva.");
    EXPECT_EQ(Selected(), QStringLiteral("orva."));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"helper.htm");
    // Its top left corner one line below the caret.
    EXPECT_EQ(Helper()->y(), Text()->cursorRect().top() + Text()->fontMetrics().height());

    // Typing narrows the choice; a character no word continues with leaves it.
    Type("dz");
    EXPECT_EQ(Helper()->Prefix(), u"orva.d");
    EXPECT_EQ(Helper()->SelectedWord(), u"orva.din.");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Helper()->Prefix(), u"orva.");
    EXPECT_EQ(Helper()->SelectedWord(), u"orva.");
    Key(Qt::Key_Down);
    EXPECT_EQ(Helper()->Prefix(), u"orva.");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Helper()->isVisible());
    EXPECT_EQ(Focus(), Text());
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_EQ(Plain(), QStringLiteral("x = 1\nGear. orva.adc."));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"editor_de_scripts_de_lua.htm");
    Text()->undo();
    EXPECT_EQ(Plain(), QStringLiteral("x = 1\nGear. orva."));

    // A parenthesis from the Helper opens the parameter hints.
    Open(u"");
    Type("orva.dout.state.set(");  // through the Helper the dot opens
    EXPECT_FALSE(Helper()->isVisible());
    EXPECT_EQ(Plain(), QStringLiteral("orva.dout.state.set("));
    ASSERT_TRUE(Params()->isVisible());
    ASSERT_EQ(Params()->count(), 1);
    EXPECT_EQ(Params()->item(0)->text(), QStringLiteral("(pin id, true|false)"));
    EXPECT_EQ(Focus(), Text());  // shown beside the text, not in its way
    EXPECT_EQ(CHelpPages::Shared().Current(), u"dout_state_set.htm");

    Type("16, true)");
    EXPECT_FALSE(Params()->isVisible());
    EXPECT_EQ(Plain(), QStringLiteral("orva.dout.state.set(16, true)"));
    EXPECT_EQ(CHelpPages::Shared().Current(), u"editor_de_scripts_de_lua.htm");
}

TEST_F(ScriptEditorTest, F4sParameterBoxTakesTheFocusOnDownAndF3TogglesTheHelper) {
    Open(u"x = orva.encoder.create", 4, 23);
    Key(Qt::Key_F4);
    ASSERT_TRUE(Params()->isVisible());
    EXPECT_EQ(Params()->count(), 2);
    EXPECT_EQ(Focus(), Text());
    Key(Qt::Key_Down);
    EXPECT_EQ(Focus(), Params());
    EXPECT_EQ(Params()->currentRow(), 0);
    Key(Qt::Key_Down, Qt::Key_Up);
    EXPECT_EQ(Focus(), Params());
    Key(Qt::Key_Up);
    EXPECT_EQ(Focus(), Text());
    EXPECT_TRUE(Params()->isVisible());
    EXPECT_TRUE(Params()->selectedItems().isEmpty());

    // Esc puts it away and leaves the caret at the end of the selection.
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Params()->isVisible());
    EXPECT_EQ(Selected(), QString());
    EXPECT_EQ(Text()->textCursor().position(), 23);
    EXPECT_TRUE(editor_->isVisible());

    // F4 again, then a key that moves the caret, puts it away too.
    Select(4, 23);
    Key(Qt::Key_F4);
    ASSERT_TRUE(Params()->isVisible());
    Key(Qt::Key_Left);
    EXPECT_FALSE(Params()->isVisible());

    // F3 toggles the Helper, with the selection as its prefix.
    Open(u"x = SetL", 4, 8);
    Key(Qt::Key_F3);
    ASSERT_TRUE(Helper()->isVisible());
    EXPECT_EQ(Helper()->SelectedWord(), u"SetLamp");
    // Id and Value are offered with what they hold for each event type; other words say nothing.
    const auto value = Helper()->findItems(QStringLiteral("Value"), Qt::MatchExactly);
    ASSERT_EQ(value.size(), 1);
    EXPECT_TRUE(value[0]->toolTip().contains(
        QStringLiteral("\nENCODER: the direction of the step: 1 or -1\n")));
    EXPECT_EQ(Helper()->findItems(QStringLiteral("Id"), Qt::MatchExactly).size(), 1);
    EXPECT_EQ(Helper()->currentItem()->toolTip(), QString());
    Key(Qt::Key_F3);
    EXPECT_FALSE(Helper()->isVisible());
    EXPECT_EQ(Focus(), Text());

    Key(Qt::Key_F3);
    ASSERT_TRUE(Helper()->isVisible());
    // Moving to a word that does not begin with the prefix makes it the prefix.
    Key(Qt::Key_Down);
    EXPECT_EQ(Helper()->Prefix(), Helper()->SelectedWord());
    Key(Qt::Key_Tab);
    EXPECT_EQ(Plain(), QStringLiteral("x = ") + QString::fromStdU16String(Helper()->Prefix()));
    // Esc in the list only closes it.
    Key(Qt::Key_F3, Qt::Key_Escape);
    EXPECT_FALSE(Helper()->isVisible());
    EXPECT_TRUE(editor_->isVisible());
}

TEST_F(ScriptEditorTest, EscapeWithNoPopupDoesNothingEnterNeverClosesTabIsTextCtrlTReindents) {
    Open(u"a = 1", 0, 1);
    Key(Qt::Key_Escape);
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_EQ(Selected(), QStringLiteral("a"));
    EXPECT_EQ(Plain(), QStringLiteral("a = 1"));
    EXPECT_EQ(editor_->result(), 0);

    Text()->moveCursor(QTextCursor::End);
    Key(Qt::Key_Return, Qt::Key_Enter);
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_EQ(Plain(), QStringLiteral("a = 1\n\n"));
    // Not even with the focus outside the text.
    editor_->setFocus();
    Key(Qt::Key_Escape, Qt::Key_Return);
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_TRUE(prompt_.Requests().empty());

    // Tab goes in front of the selection, which stays selected.
    Text()->setFocus();
    Select(2, 3);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Plain(), QStringLiteral("a \t= 1\n\n"));
    EXPECT_EQ(Selected(), QStringLiteral("="));
    EXPECT_EQ(Focus(), Text());

    // Ctrl+T reindents as one step to undo.
    Open(u"if a then\r\nb()\r\nend\r\nc = 1", 11, 11);  // after "b"
    CtrlT();
    EXPECT_EQ(Plain(), QStringLiteral("if a then\n\tb()\nend\nc = 1"));
    EXPECT_EQ(Text()->textCursor().position(), 12);  // still after "b"
    Text()->undo();
    EXPECT_EQ(Plain(), QStringLiteral("if a then\nb()\nend\nc = 1"));

    // Only the selection when there is one.
    Select(10, 18);
    CtrlT();
    EXPECT_EQ(Plain(), QStringLiteral("if a then\nb()\nend\nc = 1"));
    EXPECT_EQ(editor_->Script(), u"if a then\r\nb()\r\nend\r\nc = 1");
}

TEST_F(ScriptEditorTest, TheCloseBoxAsksBeforeLosingAChangeButNotForLetterCase) {
    Open(u"Print(x)", 0, 1);
    Type("p");
    editor_->close();
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(editor_->result(), QDialog::Rejected);
    EXPECT_TRUE(prompt_.Requests().empty());

    Open(u"x = 1");
    Type("0");
    prompt_.QueueAnswer(PromptAnswer::Cancel);
    editor_->close();
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(
        prompt_.Requests()[0],
        (PromptRequest{u"This LUA script has been changed.\r\nDo you want to save it?",
                       u"Save befor exit?", PromptButtons::YesNoCancel, PromptIcon::Question}));
    EXPECT_TRUE(editor_->isVisible());

    prompt_.QueueAnswer(PromptAnswer::Yes);
    editor_->close();
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(editor_->result(), QDialog::Accepted);
    EXPECT_EQ(editor_->Script(), u"x = 10");

    Open(u"x = 1");
    Type("0");
    prompt_.QueueAnswer(PromptAnswer::No);
    editor_->close();
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(editor_->result(), QDialog::Rejected);
}

// The messages are the test run's own (ScriptHostTest); here the event's id, which message shows
// and where the caret goes.
TEST_F(ScriptEditorTest, TheTestRunPrintsToTheMonitorAndAnErrorShowsItsLine) {
    Open(u"print('Id=', Id)\r\n");
    Choose("Script", "Test");
    EXPECT_EQ(monitor_.Content(), u"Id=42");
    EXPECT_EQ(prompt_.Texts(), std::vector<std::u16string>{u"Test OK.\r\nNo errors detected"});

    Open(u"x = 1\r\ny = 2\r\nv = orva.adc.value.get(9)\r\nz = 3");
    Choose("Script", "Test");
    ASSERT_EQ(prompt_.Count(), 2u);
    EXPECT_TRUE(prompt_.Texts()[1].starts_with(u"[3]\r\n\r\nLine  orva.adc.value.get:"));
    EXPECT_EQ(Text()->textCursor().blockNumber(), 2);
    EXPECT_EQ(Text()->textCursor().positionInBlock(), 0);
}

TEST_F(ScriptEditorTest, LoadAndSaveKeepTheFileByteForByte) {
    const auto folder = home_.Root();
    // UTF-16LE, CR LF, a tab, a no-break space, a character outside the code page, and an odd
    // last byte that is no character.
    const std::u16string script = u"-- \u00A0é\u20AC\r\nif Id == 1 then\r\n\tprint('x')\r\nend";
    test::WriteBytes(folder / "in.lua", ScriptFileBytes(script) + '\x41');

    Open(u"old = 1");
    prompt_.QueueAnswer(PromptAnswer::Yes);
    ThroughChooser("Load from...", folder / "in.lua", "Load script from file");
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0],
              (PromptRequest{u"The current Script will be erased if you load a new one from a "
                             u"file.\rClick OK to proceed.",
                             u"Script not empty", PromptButtons::YesNo, PromptIcon::Question}));
    EXPECT_EQ(editor_->Script(), script);

    ThroughChooser("Save as...", folder / "out.lua", "Save script as...");
    EXPECT_EQ(test::ReadBytes(folder / "out.lua"), ScriptFileBytes(script));
    // An existing file is overwritten without a question.
    ThroughChooser("Save as...", folder / "out.lua", "Save script as...");
    EXPECT_EQ(prompt_.Count(), 1u);

    // Loading is one step to undo; No keeps the script without asking for a file.
    Text()->undo();
    EXPECT_EQ(editor_->Script(), u"old = 1");
    prompt_.QueueAnswer(PromptAnswer::No);
    Choose("Script", "Load from...");
    EXPECT_EQ(editor_->Script(), u"old = 1");

    // A file that cannot be written is reported.
    ThroughChooser("Save as...", folder / "missing" / "out.lua", "Save script as...");
    ASSERT_EQ(prompt_.Count(), 3u);
    EXPECT_EQ(prompt_.Requests()[2].caption, u"Save script as...");
    EXPECT_EQ(prompt_.Requests()[2].icon, PromptIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

// A file larger than any script (a log, an image, a device that never ends) is refused before
// it is read whole, and the script stays as it was; a file of exactly 1 MiB still loads.
TEST_F(ScriptEditorTest, LoadRefusesFilesOverOneMebibyte) {
    const auto folder = home_.Root();
    const std::string line = ScriptFileBytes(u"x = 1\r\n");
    std::string mebibyte;
    while (mebibyte.size() < (1u << 20)) mebibyte += line;
    mebibyte.resize(1u << 20);
    test::WriteBytes(folder / "big.lua", mebibyte + '\0');
    test::WriteBytes(folder / "exact.lua", mebibyte);

    Open(u"");
    for (const std::filesystem::path& file :
         {folder / "big.lua", std::filesystem::path("/dev/zero")}) {
        prompt_.ClearRecord();
        ThroughChooser("Load from...", file, "Load script from file");
        ASSERT_EQ(prompt_.Count(), 1u) << file;
        EXPECT_EQ(
            prompt_.Requests()[0],
            (PromptRequest{u"The file " + PathText(file) +
                               u" is too large for a script (more than 1 MiB).\r\nNothing "
                               u"was loaded.",
                           u"Load script from file", PromptButtons::Ok, PromptIcon::Warning}));
        EXPECT_EQ(editor_->Script(), u"");
    }

    prompt_.ClearRecord();
    ThroughChooser("Load from...", folder / "exact.lua", "Load script from file");
    EXPECT_EQ(prompt_.Count(), 0u);
    EXPECT_EQ(ScriptFileBytes(editor_->Script()), mebibyte);
}

TEST_F(ScriptEditorTest, ASnippetFromTheRepositoryReplacesTheSelectionAsOneStep) {
    test::WriteBytes(home_.MakeUserFolder() / "repository.xml",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<repository Version=\"1.0\">\n"
                     "\t<code type=\"Lamp\" from=\"Ben\" description=\"Gear lights\" "
                     "script=\"-- gear&#13;&#10;SetLamp(16, true)\"/>\n"
                     "</repository>\n");
    Open(u"a = 1\r\nb = 2", 6, 11);
    OnModal(
        [](QWidget* modal) {
            EXPECT_EQ(modal->windowTitle(), QStringLiteral("Code repository"));
            test::Child<QTableWidget>(modal, "list")->selectRow(0);
            QTest::mouseClick(test::Child<QPushButton>(modal, "insert"), Qt::LeftButton);
        },
        editor_.get());
    Key(Qt::Key_F2);
    EXPECT_EQ(editor_->Script(), u"a = 1\r\n-- gear\r\nSetLamp(16, true)");
    EXPECT_EQ(editor_->focusWidget(), Text());  // where the focus is when the window is back
    Text()->undo();
    EXPECT_EQ(editor_->Script(), u"a = 1\r\nb = 2");
}

TEST_F(ScriptEditorTest, TheMouseOpensTheEditMenuAndSelectsWholeLinesInTheMargin) {
    Open(u"abc", 0, 1);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    QStringList shown;
    QTimer::singleShot(50, [&shown] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        for (QAction* action : popup->actions()) {
            if (!action->isSeparator()) {
                shown << action->text().remove(QLatin1Char('&')) +
                             (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
            }
        }
        popup->close();
    });
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            Text()->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Text()->viewport(), &click);
    EXPECT_EQ(shown, (QStringList{"Code writer", "Cut", "Copy", "Paste", "Clear", "Undo (off)",
                                  "Redo (off)"}));

    // The margin selects whole lines, and brackets show their partner.
    Open(u"a = 1\r\nb = f(g(2), 3)\r\nc = 3");
    QWidget* margin = Text()->LineNumbers();
    const int secondLine =
        Text()->cursorRect(QTextCursor(Text()->document()->findBlockByNumber(1))).center().y();
    QTest::mouseClick(margin, Qt::LeftButton, Qt::NoModifier, QPoint(3, secondLine));
    EXPECT_EQ(Selected(), QStringLiteral("b = f(g(2), 3)") + QChar(QChar::ParagraphSeparator));

    Select(16, 16);  // after the inner pair's ")"
    QList<int> marked;
    for (const auto& mark : Text()->extraSelections()) {
        if (mark.cursor.hasSelection()) marked << mark.cursor.selectionStart();
    }
    EXPECT_EQ(marked, (QList<int>{15, 13}));
}

TEST_F(ScriptEditorTest, TheEventsListGetsTheEditedScriptOnSaveAndExit) {
    std::u16string script = u"a = 1\r\nb = 2";
    OnModal([this](QWidget* modal) {
        auto* editor = qobject_cast<CScriptEditor*>(modal);
        ASSERT_NE(editor, nullptr);
        editor->Editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Editor(), "0\r");
        QTest::keyClicks(editor->Editor(), "c = 3");
        Item(editor, "Script", "Save and exit")->trigger();
    });
    EXPECT_TRUE(EditScriptText(services_, script, u"GEAR", 7, nullptr));
    EXPECT_EQ(script, u"a = 1\r\nb = 20\r\nc = 3");

    OnModal([](QWidget* modal) {
        QTest::keyClicks(modal->focusWidget(), "x");
        Item(modal, "Script", "Exit without save")->trigger();
    });
    EXPECT_FALSE(EditScriptText(services_, script, u"GEAR", 7, nullptr));
    EXPECT_EQ(script, u"a = 1\r\nb = 20\r\nc = 3");
}

TEST_F(ScriptEditorTest, SaveAndExitAsksBeforeSavingAScriptThatDoesNotCompile) {
    std::u16string script = u"a = 1\r\nif a then";
    // No: the editor stays open with the caret on the line Lua names, and nothing is saved.
    int caretLine = -1;
    OnModal([&caretLine](QWidget* modal) {
        Item(modal, "Script", "Save and exit")->trigger();
        caretLine = qobject_cast<CScriptEditor*>(modal)->Editor()->textCursor().blockNumber();
        Item(modal, "Script", "Exit without save")->trigger();
    });
    EXPECT_FALSE(EditScriptText(services_, script, u"GEAR", 7, nullptr));
    EXPECT_EQ(caretLine, 1);
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0],
              (PromptRequest{u"The script has an error at line 2:\r\n'end' expected near "
                             u"<eof>\r\n\r\nSave it anyway?",
                             u"Save and exit", PromptButtons::YesNo, PromptIcon::Warning, false}));

    // Yes: saved as it is. A script that compiles is saved without a word.
    prompt_.QueueAnswer(PromptAnswer::Yes);
    OnModal([](QWidget* modal) {
        auto* edit = qobject_cast<CScriptEditor*>(modal)->Editor();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, " x = 2");
        Item(modal, "Script", "Save and exit")->trigger();
    });
    EXPECT_TRUE(EditScriptText(services_, script, u"GEAR", 7, nullptr));
    EXPECT_EQ(script, u"a = 1\r\nif a then x = 2");
    OnModal([](QWidget* modal) {
        auto* edit = qobject_cast<CScriptEditor*>(modal)->Editor();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClicks(edit, " end");
        Item(modal, "Script", "Save and exit")->trigger();
    });
    EXPECT_TRUE(EditScriptText(services_, script, u"GEAR", 7, nullptr));
    EXPECT_EQ(script, u"a = 1\r\nif a then x = 2 end");
    EXPECT_EQ(prompt_.Count(), 2u);
}

}  // namespace
}  // namespace orva
