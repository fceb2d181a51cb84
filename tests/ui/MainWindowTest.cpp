// The desktop program's main window over the real controller, with the simulated board and
// IOCP server as processes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/HelpPages.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "support/QtPrinters.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/DebugMonitor.h"
#include "ui/DesktopProgram.h"
#include "ui/MainWindowFixture.h"
#include "ui/TrayIcon.h"

namespace orva {
namespace {

// Catches what the desktop would open, through Qt's own handler hook.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher() {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"http", "https", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }
    QStringList opened;

public slots:
    void Open(const QUrl& url) { opened << url.toString(); }
};

TEST_F(MainWindowTest, StatusButtonsToolsAndTrayFollowTheConnection) {
    StartAll();
    EXPECT_EQ(Window().windowTitle(), QStringLiteral("OrvaPanel (ID000)"));
    EXPECT_EQ(Status(), QStringLiteral("Current status: NOT connected."));
    EXPECT_EQ(StatusColour(), 0xC80000u);
    EXPECT_TRUE(Child<QPushButton>("orvaConfig")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("iocpConfig")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("eventsConfig")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("connect")->isDefault());
    EXPECT_EQ(TrayMenu(), (QStringList{"Connect", "Hide", "I/O Monitor", "-", "Exit"}));
    EXPECT_EQ(Window().Tray()->Icon()->toolTip(), QStringLiteral("ID000: NOT connected."));
    // The tools and editors open only while disconnected. The card selection's choice is stored
    // for its board: the name typed, and the sense shown (GND) over the one stored before.
    QString title;
    test::OnModal([&title](QWidget* dialog) {
        title = dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);  // discards: nothing saved
    });
    Click("eventsConfig");
    EXPECT_EQ(title, QStringLiteral("Events list"));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "id000_vars.xml"));
    const CProfile cards(CardSettingsFile());
    cards.WriteString(u"ORVA-12345", u"Sense", u"Vcc");
    test::OnModal([&title](QWidget* dialog) {
        title = dialog->windowTitle();
        EXPECT_EQ(test::Child<QPushButton>(dialog, "sense")->text(), QStringLiteral("GND"));
        test::Child<QLineEdit>(dialog, "cardName")->setText(QStringLiteral("ID000"));
        QTest::mouseClick(test::Child<QPushButton>(dialog, "ok"), Qt::LeftButton);
    });
    Click("orvaConfig");
    EXPECT_EQ(title, QStringLiteral("Orva Card Selection"));
    EXPECT_EQ(cards.ReadString(u"ORVA-12345", u"Alias", u""), u"ID000");
    EXPECT_EQ(cards.ReadString(u"ORVA-12345", u"Sense", u""), u"Gnd");
    QAction* calculator = nullptr;
    for (QAction* a : Window().findChildren<QAction*>()) {
        if (a->text() == QStringLiteral("&Calculate I/O pin ID...")) calculator = a;
    }
    ASSERT_NE(calculator, nullptr);
    EXPECT_TRUE(calculator->isEnabled());

    Click("connect");
    ASSERT_EQ(server_->Command("wait-clients 1 3000"), "ok");
    EXPECT_EQ(Status(), QStringLiteral("Current status: Connected."));
    EXPECT_EQ(StatusColour(), 0x008000u);
    EXPECT_EQ(Child<QPushButton>("connect")->text(), QStringLiteral("&Disconnect"));
    for (const char* button : {"orvaConfig", "iocpConfig", "eventsConfig"})
        EXPECT_FALSE(Child<QPushButton>(button)->isEnabled()) << button;
    EXPECT_EQ(TrayMenu(), (QStringList{"Disconnect", "Hide", "I/O Monitor", "-", "Exit"}));
    EXPECT_EQ(Window().Tray()->Icon()->toolTip(), QStringLiteral("ID000: Connected."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the wait cursor is gone again
    EXPECT_FALSE(calculator->isEnabled());

    // The tray's first item disconnects.
    Window().Tray()->Menu()->actions()[0]->trigger();
    EXPECT_EQ(server_->Command("wait-line Arn.Fin: 3000"), "ok");
    EXPECT_EQ(Status(), QStringLiteral("Current status: NOT connected."));
    EXPECT_TRUE(Child<QPushButton>("iocpConfig")->isEnabled());
    EXPECT_EQ(Child<QPushButton>("connect")->text(), QStringLiteral("&Connect"));
    EXPECT_TRUE(calculator->isEnabled());
}

TEST_F(MainWindowTest, OptionChecksAreWrittenAtOnceAndTheCloseBoxWhileDisconnectedEnds) {
    StartAll();
    QTest::keyClick(Child<QCheckBox>("autoConnect"), Qt::Key_Space);
    const CProfile ini(folder_ / "id000_conf.cnf");
    EXPECT_EQ(ini.ReadInt(u"Options", u"AutoConnect", -1), 1);
    QTest::keyClick(Child<QCheckBox>("autoHide"), Qt::Key_Space);
    EXPECT_EQ(ini.ReadInt(u"Options", u"AutoHide", -1), 1);
    QTest::keyClick(Child<QCheckBox>("autoConnect"), Qt::Key_Space);
    EXPECT_EQ(ini.ReadInt(u"Options", u"AutoConnect", -1), 0);

    QSignalSpy ended(&Window(), &QDialog::finished);
    Window().close();
    EXPECT_EQ(ended.count(), 1);
}

// Connected, the card-missing question closes itself when the board returns; the close box keeps
// the instance; a server that drops the link ends it.
TEST_F(MainWindowTest, TheCardQuestionClosesItselfAndTheCloseRuleWithoutATray) {
    StartAll();
    ASSERT_FALSE(COrvaPanelDlg::HasTray());  // the offscreen platform has none
    QSignalSpy ended(&Window(), &QDialog::finished);
    Click("connect");
    ASSERT_TRUE(program_->Controller().IsConnected());
    QString asked;
    std::unique_ptr<test::SimProcess> back;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || back) return;
        asked = box->windowTitle() + QStringLiteral(": ") + box->text();
        back = test::StartBoard("ORVA-12345");  // plugged in again while the question is open
    });
    watch.start();
    board_->Kill();
    EXPECT_TRUE(QTest::qWaitFor([&] { return back && !QApplication::activeModalWidget(); }, 10000));
    watch.stop();
    EXPECT_EQ(asked, QStringLiteral("Card not found...: Your selected Orva Card is not present.\n"
                                    "Do you want to change the Orva Card?"));
    EXPECT_TRUE(program_->Controller().IsConnected());  // scripts and servers untouched

    // Connected: the close box keeps the instance; with no tray the window is minimised, never
    // hidden, and the status line says why.
    Window().close();
    EXPECT_TRUE(Window().isVisible());
    EXPECT_TRUE(Window().isMinimized());
    EXPECT_TRUE(Child<QLabel>("status")->toolTip().contains(QStringLiteral("no system tray")));
    EXPECT_EQ(ended.count(), 0);
    // Esc does what the close box does.
    QTest::keyClick(&Window(), Qt::Key_Escape);
    EXPECT_EQ(ended.count(), 0);
    // A double click on the tray icon shows the window again.
    emit Window().Tray()->Icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(Window().isMinimized());
    // The server drops the link: its close request ends the instance, and until the program is
    // gone every control shows the session ended with it.
    server_->Command("drop");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 5000));
    EXPECT_FALSE(program_->Controller().HasSession());
    EXPECT_EQ(Status(), QStringLiteral("Current status: NOT connected."));
    EXPECT_EQ(Child<QPushButton>("connect")->text(), QStringLiteral("&Connect"));
    EXPECT_TRUE(Child<QPushButton>("iocpConfig")->isEnabled());
    EXPECT_EQ(TrayMenu().first(), QStringLiteral("Connect"));
    EXPECT_EQ(Window().Tray()->Icon()->toolTip(), QStringLiteral("ID000: NOT connected."));
}

TEST_F(MainWindowTest, RightDoubleClickOnTheTrayAsksToExit) {
    StartAll();
    QSignalSpy ended(&Window(), &QDialog::finished);
    QStringList asked;
    const auto answer = [&](QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [&asked, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked << box->windowTitle() + QStringLiteral(": ") + box->text();
            box->button(button)->click();
        });
    };
    QSystemTrayIcon* icon = Window().Tray()->Icon();
    answer(QMessageBox::No);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(asked, (QStringList{"Ask: Exit?"}));
    EXPECT_EQ(ended.count(), 0);
    answer(QMessageBox::Yes);
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindowTest, HelpOpensTheNewestPageOnTheProfilesHostAndAboutTheInstancesFolder) {
    StartAll();
    UrlCatcher catcher;
    CProfile(AppProfileFile()).WriteString(u"Web", u"Host", u"https://Help.Example");
    ::unsetenv("ORVA_WEB_HOST");
    QTest::keyClick(&Window(), Qt::Key_F1);
    {
        const CHelpPageScope page(u"Anadir_y_Editar_Eventos.htm");
        QTest::keyClick(Window().Monitor(), Qt::Key_F1);  // F1 anywhere
    }
    EXPECT_EQ(catcher.opened, (QStringList{"https://help.example/iocp/orva/orvapanel/help/",
                                           "https://help.example/iocp/orva/orvapanel/help/"
                                           "anadir_y_editar_eventos.htm"}));

    // About names the instance and the IOCP log, and opens the instance's folder.
    catcher.opened.clear();
    QString text;
    test::OnModal([&](QWidget* about) {
        for (QLabel* label : about->findChildren<QLabel*>()) text += label->text() + "\n";
        for (QPushButton* b : about->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("&Open folder")) b->click();
        }
        about->close();
    });
    Window().ShowAbout();
    EXPECT_TRUE(text.contains(QStringLiteral("OrvaPanel 1.04")));
    EXPECT_TRUE(text.contains(QStringLiteral("Instance ID000")));
    EXPECT_TRUE(text.contains(QString::fromStdString(folder_.string())));
    EXPECT_TRUE(text.contains(
        QString::fromStdString((home_.State() / "orvapanel" / "iocpclient.log").string())));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(QUrl(catcher.opened[0]).toLocalFile().chopped(1),
              QString::fromStdString(folder_.string()));
}

// Without a web host F1 opens the window's page of the manual that lies beside the program
// (here beside the test), through the program's shell opener.
TEST_F(MainWindowTest, WithoutAWebHostF1OpensTheLocalManual) {
    StartAll();
    UrlCatcher catcher;
    QTest::keyClick(&Window(), Qt::Key_F1);
    {
        const CHelpPageScope page(u"configurcion_de_los_eventos.htm");
        QTest::keyClick(Window().Monitor(), Qt::Key_F1);
    }
    ASSERT_EQ(catcher.opened.size(), 2);
    for (const QString& address : catcher.opened) {
        const QUrl url(address);
        EXPECT_EQ(url.scheme(), QStringLiteral("file"));
        EXPECT_TRUE(QFileInfo::exists(url.toLocalFile())) << address.toStdString();
    }
    EXPECT_TRUE(catcher.opened[0].endsWith(QStringLiteral("/share/doc/orvapanel/html/index.html")));
    EXPECT_TRUE(catcher.opened[1].endsWith(QStringLiteral("/events.html")));
}

}  // namespace
}  // namespace orva

#include "MainWindowTest.moc"
