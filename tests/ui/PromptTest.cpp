// Questions as message boxes: the exact texts, captions, buttons and icons, and the questions
// the program closes itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/QtPrinters.h"
#include "ui/QtUserPrompt.h"

namespace orva {
namespace {

struct Seen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool onTop = false;
};

// Reads the box that opens next and ends it with fn.
void WhenOpen(Seen& seen, std::function<void(QMessageBox*)> fn) {
    QTimer::singleShot(0, [&seen, fn] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)};
        fn(box);
    });
}

TEST(PromptTest, BoxesShowTheProgramsTextsAndGiveTheAnswer) {
    CQtUserPrompt prompt;
    Seen seen;
    WhenOpen(seen, [](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(prompt.AskQuestion(u"Could not find the IOCPServer.\r\nDo you want to change IOCP "
                                 u"Configuration?",
                                 u"Server not found...", PromptButtons::YesNo),
              PromptAnswer::No);
    EXPECT_EQ(seen.title, QStringLiteral("Server not found..."));
    EXPECT_EQ(seen.text, QStringLiteral("Could not find the IOCPServer.\nDo you want to change "
                                        "IOCP Configuration?"));
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    WhenOpen(seen, [](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
    EXPECT_EQ(prompt.Ask({u"a", u"Overwrite config?", PromptButtons::YesNoCancel,
                          PromptIcon::Warning, false}),
              PromptAnswer::Cancel);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    // Esc on a Yes/No question is No; an error stays on top of everything.
    WhenOpen(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(prompt.AskQuestion(u"Exit?", u"Ask", PromptButtons::YesNo), PromptAnswer::No);
    WhenOpen(seen, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    prompt.ShowMessage(u"x <b>y</b>", u"LUA Script Error", PromptIcon::Error, true);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);
    EXPECT_TRUE(seen.onTop);
    EXPECT_EQ(seen.text, QStringLiteral("x <b>y</b>"));  // shown as written, not as markup
    EXPECT_EQ(CQtUserPrompt::DisplayText(u"a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
}

TEST(PromptTest, TheProgramClosesItsOwnQuestionAsNo) {
    CQtUserPrompt prompt;
    Seen seen;
    WhenOpen(seen, [&prompt](QMessageBox*) {
        prompt.CloseQuestion(u"Other");  // another caption: stays open
        prompt.CloseQuestion(u"Card not found..");
    });
    EXPECT_EQ(prompt.AskQuestion(u"Your selected Orva Card is not present.\r\nDo you want to "
                                 u"change the Orva Card?",
                                 u"Card not found...", PromptButtons::YesNo),
              PromptAnswer::No);
    EXPECT_EQ(seen.title, QStringLiteral("Card not found..."));
}

}  // namespace
}  // namespace orva
