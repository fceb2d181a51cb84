// The print monitor window, offscreen, with the real clipboard and real files.
#include "ui/DebugMonitor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <memory>

#include "app/HelpPages.h"
#include "platform/Text.h"
#include "platform/UserPrompt.h"
#include "support/Prompts.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"

namespace orva {
namespace {

constexpr std::u16string_view kPage = u"la_ventana__print_monitor__o_de_log.htm";

class DebugMonitorTest : public ::testing::Test {
protected:
    QAction* Action(const char* name) { return window_->findChild<QAction*>(name); }
    // What the display shows once the pieces printed so far are in (a repaint brings them).
    QString Shown() const {
        window_->Flush();
        return window_->Display()->toPlainText();
    }
    QString Kept() const { return QString::fromStdU16String(std::u16string(monitor_.Content())); }
    void PrintLines(int from, int to) {
        for (int i = from; i < to; ++i) {
            monitor_.Append(u"line " + std::u16string(QString::number(i).toStdU16String()));
            monitor_.Append(u"\r\n");
        }
    }
    bool EndInView() const {
        QPlainTextEdit* display = window_->Display();
        QTextCursor end(display->document());
        end.movePosition(QTextCursor::End);
        return display->viewport()->rect().contains(display->cursorRect(end));
    }

    CPrintMonitor monitor_;
    CRecordingPrompt prompt_;
    std::unique_ptr<CDebugMonitor> window_ = std::make_unique<CDebugMonitor>(monitor_, prompt_);
};

TEST_F(DebugMonitorTest, APrintShowsTheWindowWhichClosingOnlyHidesAndTheHelpPageFollows) {
    EXPECT_EQ(window_->windowTitle(), "LUA print monitor");
    EXPECT_FALSE(window_->isVisible());
    EXPECT_NE(CHelpPages::Shared().Current(), kPage);
    monitor_.Append(u"kept");
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(Shown(), "kept");
    EXPECT_EQ(CHelpPages::Shared().Current(), kPage);
    window_->Show();  // shown twice, registered once
    window_->close();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_NE(CHelpPages::Shared().Current(), kPage);
    EXPECT_EQ(Shown(), "kept");
    EXPECT_EQ(monitor_.Content(), u"kept");
}

// The line ends are the display text's own (MonitorTextTest); here pieces appended to the
// display show as a display filled with the whole content does.
TEST_F(DebugMonitorTest, PiecesShowAsTheWholeTextWould) {
    for (std::u16string_view piece : {u"a\r", u"\nb\rc", u"", u"\n\r", u"\nd\u20ac"})
        monitor_.Append(piece);
    EXPECT_EQ(Shown(), QString::fromStdU16String(u"a\nb\nc\n\nd\u20ac"));

    CPrintMonitor other;
    other.Append(monitor_.Content());
    CDebugMonitor whole(other, prompt_);
    EXPECT_EQ(whole.Display()->toPlainText(), Shown());
    EXPECT_EQ(whole.Display()->blockCount(), window_->Display()->blockCount());
}

TEST_F(DebugMonitorTest, TheEndStaysInViewPauseKeepsTheDisplayAndCopyAllTakesEverything) {
    PrintLines(0, 300);
    window_->Flush();
    QApplication::processEvents();
    EXPECT_GT(window_->Display()->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(EndInView());

    const QString before = Shown();
    Action("pause")->trigger();
    EXPECT_TRUE(monitor_.IsPaused());
    PrintLines(300, 400);
    monitor_.Append(u"not shown yet \u00e9");
    EXPECT_EQ(Shown(), before);
    Action("copyAll")->trigger();  // the content as printed, the unshown part included
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Kept());

    Action("pause")->trigger();
    EXPECT_EQ(Shown(), QString::fromStdU16String(MonitorDisplayText(monitor_.Content())));
    QApplication::processEvents();
    EXPECT_TRUE(EndInView());
}

// Pieces printed between two repaints go in as one insertion, however many there are.
TEST_F(DebugMonitorTest, PrintsBetweenTwoRepaintsAreOneInsertion) {
    window_->Show();
    int insertions = 0;
    QObject::connect(window_->Display()->document(), &QTextDocument::contentsChange,
                     [&insertions](int, int, int added) { insertions += added > 0 ? 1 : 0; });
    PrintLines(0, 500);
    EXPECT_EQ(insertions, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return insertions > 0; }, 5000));  // the next repaint
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(window_->Display()->blockCount(), 501);
    EXPECT_FALSE(window_->Display()->document()->isUndoAvailable());
}

// The monitor keeps the newest lines and says at its top how many older ones went; the display,
// Copy all and Save as hold exactly what is kept, also after a pause over the limit.
TEST_F(DebugMonitorTest, TheNewestLinesAreKeptAndTheDroppedOnesCounted) {
    CPrintMonitor bounded;
    bounded.SetMaxLines(100);
    CDebugMonitor window(bounded, prompt_);
    auto* dropped = window.findChild<QLabel*>("dropped");
    for (int i = 0; i < 250; ++i)
        bounded.Append(u"line " + QString::number(i).toStdU16String() + u"\r\n");
    bounded.Append(u"unfinished");
    window.Flush();
    const QStringList lines = window.Display()->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 101);
    EXPECT_EQ(lines.first(), "line 150");
    EXPECT_EQ(lines[99], "line 249");
    EXPECT_EQ(lines.last(), "unfinished");
    EXPECT_TRUE(dropped->isVisible());
    EXPECT_EQ(dropped->text(), "150 older lines were dropped: the monitor keeps the newest 100.");
    window.findChild<QAction*>("copyAll")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromStdU16String(std::u16string(bounded.Content())));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("line 150\r\n"));
    test::TempHome home;
    const std::filesystem::path saved = home.Root() / "kept.txt";
    ASSERT_TRUE(window.SaveTo(saved));
    EXPECT_EQ(test::ReadBytes(saved), ToUtf8(bounded.Content()));

    window.findChild<QAction*>("pause")->trigger();
    for (int i = 250; i < 600; ++i)
        bounded.Append(u"\r\nline " + QString::number(i).toStdU16String());
    window.Flush();
    EXPECT_EQ(window.Display()->toPlainText().split(u'\n').first(), "line 150");  // paused
    window.findChild<QAction*>("pause")->trigger();
    window.Flush();
    const QStringList resumed = window.Display()->toPlainText().split(u'\n');
    ASSERT_EQ(resumed.size(), 101);
    EXPECT_EQ(resumed.first(), "line 499");
    EXPECT_EQ(resumed.last(), "line 599");
    EXPECT_EQ(dropped->text(), "500 older lines were dropped: the monitor keeps the newest 100.");

    // A clear starts the count again.
    bounded.Clear();
    window.Flush();
    EXPECT_FALSE(dropped->isVisible());
    EXPECT_EQ(window.Display()->toPlainText(), "");
}

TEST_F(DebugMonitorTest, ResetAsksOnlyWhenNotEmptyAndClsNever) {
    Action("reset")->trigger();
    EXPECT_EQ(prompt_.Count(), 0u);
    monitor_.Append(u"x\r");
    prompt_.QueueAnswer(PromptAnswer::No);
    prompt_.QueueAnswer(PromptAnswer::Yes);
    Action("reset")->trigger();
    EXPECT_EQ(Shown(), "x\n");
    Action("reset")->trigger();
    ASSERT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(
        prompt_.Requests()[0],
        (PromptRequest{u"The LUA Print monitor content is NOT empty.\r\nWould you like to "
                       u"'reset' the LUA Print monitor content?",
                       u"Reset monitor content", PromptButtons::YesNo, PromptIcon::Question}));
    EXPECT_TRUE(monitor_.Content().empty());
    EXPECT_EQ(Shown(), "");
    monitor_.Append(u"\ny");  // the "\r" before the reset is forgotten with it
    EXPECT_EQ(Shown(), "\ny");

    // A script's cls() empties without a question.
    monitor_.Clear();
    EXPECT_EQ(prompt_.Count(), 2u);
    EXPECT_EQ(Shown(), "");
}

TEST_F(DebugMonitorTest, FindCountsMatchesAndWraps) {
    monitor_.Append(u"Alpha beta\r\nALPHA\r\nalphabet\r\ngamma");
    Action("find")->trigger();
    auto* text = window_->findChild<QLineEdit*>("findText");
    auto* count = window_->findChild<QLabel*>("findCount");
    ASSERT_TRUE(window_->findChild<QWidget*>("findBar")->isVisible());
    const auto selectionAt = [this] { return window_->Display()->textCursor().selectionStart(); };

    QTest::keyClicks(text, "alpha");
    EXPECT_EQ(count->text(), "1 of 3");
    EXPECT_EQ(window_->Display()->textCursor().selectedText(), "Alpha");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(selectionAt(), 11);
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(selectionAt(), 0);
    EXPECT_EQ(count->text(), "1 of 3");
    QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(selectionAt(), 17);
    EXPECT_EQ(count->text(), "3 of 3");

    QTest::keyClicks(text, "z");
    EXPECT_EQ(count->text(), "No matches");
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(window_->findChild<QWidget*>("findBar")->isVisible());
}

TEST_F(DebugMonitorTest, SaveWritesUtf8AndReportsAFailure) {
    test::TempHome home;
    monitor_.Append(u"caf\u00e9 \u20ac\r\nnext\rlast\n");
    ASSERT_TRUE(window_->SaveTo(home.Root() / "out.txt"));
    EXPECT_EQ(test::ReadBytes(home.Root() / "out.txt"), "caf\xC3\xA9 \xE2\x82\xAC\r\nnext\rlast\n");
    EXPECT_EQ(prompt_.Count(), 0u);

    EXPECT_FALSE(window_->SaveTo(home.Root() / "missing" / "out.txt"));
    ASSERT_EQ(prompt_.Count(), 1u);
    EXPECT_EQ(prompt_.Requests()[0].caption, u"Save monitor content");
    EXPECT_EQ(prompt_.Requests()[0].icon, PromptIcon::Error);
}

TEST_F(DebugMonitorTest, LooksAndKeys) {
    monitor_.Append(u"\u2588\u2588\u2588");  // full blocks: pixels in the text colour
    window_->Flush();
    QPlainTextEdit* display = window_->Display();
    EXPECT_TRUE(display->isReadOnly());
    const QImage image = display->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(2, image.height() - 2), QColor(30, 30, 30));
    bool textColour = false;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 20; ++y) textColour |= image.pixelColor(x, y) == QColor(66, 152, 176);
    EXPECT_TRUE(textColour);
    EXPECT_TRUE(test::ColumnsLineUp(display->font()));
    EXPECT_GE(display->fontMetrics().height(), 14);
    EXPECT_LE(display->fontMetrics().height(), 17);

    QMenu* menu = window_->findChild<QMenuBar*>()->actions().at(0)->menu();
    EXPECT_EQ(menu->title(), "&Content");
    QStringList items;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) items << a->text();
    EXPECT_EQ(items,
              QStringList({"&Pause update", "&Copy all", "&Find...", "&Save as...", "&Reset"}));
    EXPECT_EQ(Action("find")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
}

}  // namespace
}  // namespace orva
