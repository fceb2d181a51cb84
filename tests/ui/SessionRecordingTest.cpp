// The main window's "Record session...": a session of the desktop program into a scenario file,
// with the simulated board and IOCP server as processes.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "platform/Paths.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/DesktopProgram.h"

namespace orva {
namespace {

class SessionRecordingTest : public test::HomeTest {
protected:
    void SetUp() override {
        ::setenv("ORVA_WEB_HOST", "", 1);
        const auto folder = home_.MakeUserFolder();
        board_ = test::StartBoard("ORVA-12345");
        server_ = test::StartServer("P3D");
        ASSERT_TRUE(board_->Ready() && server_->Ready());
        test::WriteBytes(folder / "id000_conf.cnf",
                         "[Iocp]\nServers=1\nAlias_000=P3D\nIpDir_000=127.0.0.1\nPort_000=" +
                             std::to_string(server_->Port()) +
                             "\n[Options]\nAutoConnect=0\nAutoHide=0\n[Orva]\nSerial=ORVA-12345\n");
        test::WriteBytes(folder / "id000_vars.xml",
                         "<offsets_list version=\"1.0\">"
                         "<offset type=\"2\" name=\"SWITCH\" id=\"20\" script=\"iocp.offset.value."
                         "set('P3D', 330, Value)\"/>"
                         "<offset type=\"6\" name=\"LAMP\" id=\"330\" script=\"orva.dout.state."
                         "set(30, Value)\"/></offsets_list>");
        program_ = std::make_unique<CDesktopProgram>();
        ASSERT_FALSE(program_->Start({}).has_value());
        program_->Window().show();
    }
    QAction* RecordItem() {
        for (const QMenu* menu : program_->Window().findChildren<QMenu*>()) {
            if (menu->title() != QStringLiteral("&Program")) continue;
            for (QAction* a : menu->actions()) {
                if (a->objectName() == QStringLiteral("recordSession")) return a;
            }
        }
        return nullptr;
    }

    std::unique_ptr<test::SimProcess> board_;
    std::unique_ptr<test::SimProcess> server_;
    std::unique_ptr<CDesktopProgram> program_;
};

TEST_F(SessionRecordingTest, TheProgramMenuRecordsTheNextSessionIntoTheChosenFile) {
    QAction* record = RecordItem();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->text(), QStringLiteral("&Record session..."));
    EXPECT_TRUE(record->isEnabled());
    const auto file = home_.Root() / "cockpit.scenario";
    test::OnModal([&file](QWidget* modal) {
        auto* name = test::Child<QLineEdit>(modal, "fileNameEdit");
        name->setText(QString::fromStdU16String(PathText(file)));
        QTest::keyClick(name, Qt::Key_Return);
    });
    record->trigger();
    EXPECT_EQ(record->text(), QStringLiteral("Stop &recording"));

    QTest::mouseClick(program_->Window().findChild<QPushButton*>(QStringLiteral("connect")),
                      Qt::LeftButton);
    ASSERT_TRUE(program_->Controller().IsConnected());
    EXPECT_EQ(board_->Command("set 20 1"), "ok");
    EXPECT_TRUE(QTest::qWaitFor([&] { return board_->Command("out 30") == "1"; }, 5000));

    // Stopped by hand while connected: the file is written and the user told where.
    QString told;
    test::OnModal([&told](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        told = box->windowTitle() + QStringLiteral(": ") + box->text();
        box->accept();
    });
    record->trigger();
    EXPECT_EQ(told, QStringLiteral("Record session: The session was recorded in:\n") +
                        QString::fromStdString(file.string()) +
                        QStringLiteral("\n\nReplay it with: orvapanel-headless --scenario FILE"));
    EXPECT_EQ(record->text(), QStringLiteral("&Record session..."));
    const std::string text = test::ReadBytes(file);
    for (const char* line :
         {"instance ID000\n", "connect\n", "expect server P3D \"Arn.Inicio:330:\"\n",
          "board set 20 1\n", "expect server P3D \"Arn.Resp:330=1:\"\n", "expect output 30 1\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    EXPECT_EQ(text.find("disconnect"), std::string::npos) << text;  // it ended before that

    // The next recording ends with its session's disconnect, which it records.
    const auto second = home_.Root() / "second.scenario";
    test::OnModal([&second](QWidget* modal) {
        auto* name = test::Child<QLineEdit>(modal, "fileNameEdit");
        name->setText(QString::fromStdU16String(PathText(second)));
        QTest::keyClick(name, Qt::Key_Return);
    });
    record->trigger();
    test::OnModal([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->accept();
    });
    QTest::mouseClick(program_->Window().findChild<QPushButton*>(QStringLiteral("connect")),
                      Qt::LeftButton);
    EXPECT_FALSE(program_->Controller().IsConnected());
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(second); }, 5000));
    const std::string ended = test::ReadBytes(second);
    EXPECT_NE(ended.find("disconnect\nexpect server P3D \"Arn.Fin:\"\nexpect output 30 0\n"),
              std::string::npos)
        << ended;
    EXPECT_EQ(record->text(), QStringLiteral("&Record session..."));
}

}  // namespace
}  // namespace orva
