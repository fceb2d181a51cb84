// The desktop program's life around its questions: a connect that waits on one, the program's
// end under one, the start-up's card question, what the window shows after a lost link, and an
// events file that does not read.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <functional>

#include "core/Configuration.h"
#include "support/QtPrinters.h"
#include "support/Widgets.h"
#include "ui/MainWindowFixture.h"

namespace orva {
namespace {

// Calls handle once for each message box that opens while the watch lives, from inside the
// box's own loop.
class BoxWatch {
public:
    explicit BoxWatch(std::function<void(QMessageBox*)> handle) : handle_(std::move(handle)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->property("orvaSeen").toBool()) return;
            box->setProperty("orvaSeen", true);
            handle_(box);
        });
        timer_.start();
    }

private:
    std::function<void(QMessageBox*)> handle_;
    QTimer timer_;
};

int Count(std::u16string_view text, std::u16string_view piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::u16string_view::npos;
         at = text.find(piece, at + 1))
        ++n;
    return n;
}

TEST_F(MainWindowTest, AConnectWaitingOnItsQuestionsStartsNoOtherAndTheEndStoresNoAnswer) {
    StartAll(-1);  // the options were never asked
    WriteEvents(u"<offset type=\"0\" name=\"HELLO\" id=\"0\" script=\"print('after connect')\"/>");
    QStringList asked;
    bool connectEnabled = true;
    bool trayEnabled = true;
    {
        // Inside the first question, the window's button and the tray's item are greyed and the
        // toggle itself does nothing.
        BoxWatch answer([&](QMessageBox* box) {
            asked << box->windowTitle();
            if (asked.size() == 1) {
                connectEnabled = Child<QPushButton>("connect")->isEnabled();
                trayEnabled = Window().Tray()->Menu()->actions()[0]->isEnabled();
                program_->Controller().ToggleConnection();
                box->button(QMessageBox::Yes)->click();
            } else {
                box->button(QMessageBox::No)->click();
            }
        });
        Click("connect");
    }
    EXPECT_EQ(asked, (QStringList{"Auto connect...", "Auto hide window..."}));
    EXPECT_FALSE(connectEnabled);
    EXPECT_FALSE(trayEnabled);
    EXPECT_TRUE(program_->Controller().IsConnected());
    EXPECT_EQ(server_->Command("wait-clients 1 3000"), "ok");
    EXPECT_EQ(Count(program_->Controller().Monitor().Content(), u"after connect"), 1);
    EXPECT_TRUE(Child<QPushButton>("connect")->isEnabled());
    EXPECT_EQ(Child<QPushButton>("connect")->text(), QStringLiteral("&Disconnect"));

    // Ended under the question (the tray's Exit; a stop signal or a lost link end the same way):
    // the question closes as every loop ends, and nothing the user did not choose is stored.
    Click("connect");
    WriteConfig(server_->Port(), -1);
    const std::string before = test::ReadBytes(folder_ / "id000_conf.cnf");
    QSignalSpy ended(&Window(), &QDialog::finished);
    asked.clear();
    {
        BoxWatch exit([&](QMessageBox* box) {
            asked << box->windowTitle();
            Window().Tray()->Menu()->actions().back()->trigger();
            box->reject();  // what the end of the program's loops does to it
        });
        Click("connect");
    }
    EXPECT_EQ(asked, (QStringList{"Auto connect..."}));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(test::ReadBytes(folder_ / "id000_conf.cnf"), before);
    EXPECT_FALSE(program_->Controller().HasSession());
    EXPECT_EQ(server_->Command("wait-clients 0 3000"), "ok");
}

TEST_F(MainWindowTest, TheStartUpCardQuestionClosesItselfWhenTheBoardIsPluggedIn) {
    server_ = test::StartServer("P3D");
    ASSERT_TRUE(server_->Ready());
    WriteConfig(server_->Port());
    QStringList asked;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool closedByTheTest = false;
    BoxWatch plugIn([&](QMessageBox* box) {
        asked << box->windowTitle() + QStringLiteral(": ") + box->text();
        icon = box->icon();
        board_ = test::StartBoard("ORVA-12345");
        QTimer::singleShot(10000, box, [&closedByTheTest, box] {
            closedByTheTest = true;
            box->reject();
        });
    });
    program_ = std::make_unique<CDesktopProgram>();
    ASSERT_FALSE(program_->Start({}).has_value());
    EXPECT_EQ(asked, (QStringList{"Card not found...: Your selected Orva Card is not present.\n"
                                  "Do you want to change the Orva Card?"}));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_FALSE(closedByTheTest);
    // Gone on as after No: no card selection, and the board is there to connect to.
    Window().show();
    EXPECT_EQ(Status(), QStringLiteral("Current status: NOT connected."));
    Click("connect");
    EXPECT_TRUE(program_->Controller().IsConnected());
    EXPECT_EQ(asked.size(), 1);
}

// An events file broken by hand: the start-up shows the parse error, and "Save and exit" in the
// events list asks before it saves over the file; No leaves it as it is, Yes keeps it beside
// under the name the question gives.
TEST_F(MainWindowTest, SaveAndExitAfterABrokenLoadKeepsTheBrokenFile) {
    WriteEvents(u"<offset type=\"2\" name=\"GEAR\" id=\"20\" script=\"if Value < 1 then end\"/>");
    const std::filesystem::path events = folder_ / "id000_vars.xml";
    const std::string broken = test::ReadBytes(events);
    QStringList asked;
    QString question;
    QMessageBox::StandardButton answer = QMessageBox::No;
    BoxWatch watch([&](QMessageBox* box) {
        asked << box->windowTitle();
        if (box->windowTitle() != QStringLiteral("Events file not read")) return box->accept();
        question = box->text();
        box->button(answer)->click();
    });
    StartAll();
    EXPECT_EQ(asked, QStringList{"XML Parsing error"});
    for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
        answer = button;
        asked.clear();
        test::OnModal([](QWidget* list) {
            QTest::mouseClick(test::Child<QPushButton>(list, "save"), Qt::LeftButton);
        });
        Click("eventsConfig");
        EXPECT_EQ(asked, QStringList{"Events file not read"});
    }
    const QString before = QStringLiteral("kept as\n");
    const qsizetype at = question.indexOf(before) + before.size();
    const std::filesystem::path kept =
        question.mid(at, question.indexOf(u'\n', at) - at).toStdString();
    EXPECT_EQ(kept.parent_path(), folder_);
    EXPECT_EQ(test::ReadBytes(kept), broken);
    EXPECT_EQ(test::ReadBytes(events), EventsFileBytes(CEventTable()));
}

}  // namespace
}  // namespace orva
