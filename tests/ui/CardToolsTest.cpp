// The card tools as the user sees them, against simulated boards running as processes: what the
// dialogs show, what they learn, what reaches the board and what the selection leaves in the
// card settings file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/ConnectionController.h"
#include "card/VirtualBoard.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/QtPrinters.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"
#include "support/Widgets.h"
#include "ui/CalcPinIdDlg.h"
#include "ui/LookingForIdDlg.h"
#include "ui/OrvaConfigDlg.h"

namespace orva {
namespace {

constexpr int kWaitMs = 10000;

const QString kMainInfo = QStringLiteral(
    "Card detected, connected and responding\n\nType:\t\tORVA BOARD USBMAIN\nSerial:\t\t"
    "ORVA-12345\nVersion:\t\t2.1\nExtensions:\t64 INS 1\n\t\t32 DISPLAYS 1\n\t\t");
const QString kDigitalReady = QStringLiteral("Ok, ready.\n\nMove or press the button you want...");
const QString kAnalogReady = QStringLiteral("Ok, ready.\nTurn to the right and left stops...");

using Board = std::unique_ptr<test::SimProcess>;
using test::Child;

class CardToolsTest : public test::HomeTest {
protected:
    void SetUp() override { home_.MakeUserFolder(); }

    static Board StartBoard(const std::string& serial, const std::string& kind = "main",
                            const std::string& extensions = "") {
        std::vector<std::string> args{"board", "--serial", serial, "--kind", kind};
        if (!extensions.empty()) args.insert(args.end(), {"--ext", extensions});
        auto board = std::make_unique<test::SimProcess>(args);
        EXPECT_TRUE(board->Ready());
        return board;
    }

    static QString Info(QWidget* dialog) {
        return Child<QPlainTextEdit>(dialog, "info")->toPlainText();
    }
    static QString Text(QWidget* dialog, const char* label) {
        return Child<QLabel>(dialog, label)->text();
    }
    static QStringList Items(QWidget* dialog, const char* combo) {
        QStringList items;
        auto* box = Child<QComboBox>(dialog, combo);
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        return items;
    }
    static bool WaitFor(const std::function<bool()>& ready) {
        return QTest::qWaitFor(ready, kWaitMs);
    }
    // The board has let go of every link (and handled what came before).
    static bool WaitUnlinked(test::SimProcess& board) {
        return WaitFor(
            [&] { return board.Command("info").find(" clients=0 ") != std::string::npos; });
    }
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    CVirtualHidBackend backend_;
};

TEST_F(CardToolsTest, SelectionDescribesTheMainBoardAndEscLetsItGoSilently) {
    Board board = StartBoard("ORVA-12345", "main", "0,15");
    COrvaConfigDlg dialog(backend_, {u"ORVA-12345", u"COCKPIT", true});
    dialog.show();
    EXPECT_EQ(Items(&dialog, "cards"), QStringList{QStringLiteral("001: ORVA-12345")});
    EXPECT_EQ(Child<QComboBox>(&dialog, "cards")->currentIndex(), 0);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "cardName")->text(), QStringLiteral("COCKPIT"));
    EXPECT_TRUE(Child<QPushButton>(&dialog, "sense")->isVisible());
    EXPECT_EQ(Child<QPushButton>(&dialog, "sense")->text(), QStringLiteral("VCC"));
    EXPECT_EQ(Info(&dialog), QStringLiteral("Waiting for card info..."));
    EXPECT_TRUE(WaitFor([&] { return Info(&dialog) == kMainInfo; })) << Info(&dialog).toStdString();

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_TRUE(WaitUnlinked(*board));
    // Nothing sent on closing: only the opening's request for the card information, the analog
    // channels switched off and the end of the information. Counted once the link is gone, when
    // the board has handled every report, since the last of them may still be on its way when
    // the description shows.
    const std::string info = board->Command("info");
    EXPECT_EQ(info.substr(info.find("reports="), 10), "reports=3 ");
}

TEST_F(CardToolsTest, AServoBoardIsDescribedAtOnceWithoutTheSenseButton) {
    Board board = StartBoard("ORVA-31", "servo");
    COrvaConfigDlg dialog(backend_, {u"ORVA-31", u"SERVOS", false});
    dialog.show();
    EXPECT_FALSE(Child<QPushButton>(&dialog, "sense")->isVisible());
    EXPECT_FALSE(Child<QLabel>(&dialog, "senseLabel")->isVisible());
    // No card number comes from this kind of board, so the serial is not marked as failing.
    EXPECT_EQ(Info(&dialog),
              QStringLiteral("Card detected, connected and responding\n\nType:\t\t"
                             "ORVA BOARD SERVO\nSerial:\t\tORVA-31\nVersion:\t\t1.0"));
}

TEST_F(CardToolsTest, ABoardThatWillNotOpenLeavesTheSelectionWaiting) {
    // Announced and alive, but with no socket to reach it by.
    const auto info = VirtualBoardFolder() / "stuck.info";
    test::WriteBytes(info, FormatBoardInfo({"", kOrvaVendor, PID_USBMAIN, u"ORVA-9", u"X"}));
    const int fd = ::open(info.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    COrvaConfigDlg dialog(backend_, {u"ORVA-9", u"STUCK", false});
    dialog.show();
    EXPECT_EQ(Items(&dialog, "cards"), QStringList{QStringLiteral("001: ORVA-9")});
    EXPECT_EQ(Info(&dialog), QStringLiteral("Waiting for card info..."));
    EXPECT_FALSE(Child<QPushButton>(&dialog, "sense")->isVisible());
    ::close(fd);
}

// What the controller does with the choice is its own (ControllerTest stores the name and sense
// and asks about the rename); here the dialog shows the stored name and sense of the board chosen
// and hands back what the user made of them.
TEST_F(CardToolsTest, ChoosingABoardShowsItsStoredNameAndSenseAndOkHandsBackTheEdits) {
    Board first = StartBoard("ORVA-11111");
    Board second = StartBoard("ORVA-22222");
    const CProfile cards(CardSettingsFile());
    cards.WriteString(u"ORVA-22222", u"Alias", u"OVERHEAD");
    cards.WriteString(u"ORVA-22222", u"Sense", u"Vcc");

    COrvaConfigDlg dialog(backend_, {u"ORVA-11111", u"", false});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* list = Child<QComboBox>(&dialog, "cards");
    const int target = list->findText(QStringLiteral("ORVA-22222"), Qt::MatchEndsWith);
    ASSERT_GE(target, 0);
    list->setFocus();
    Key(target > list->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
    auto* name = Child<QLineEdit>(&dialog, "cardName");
    EXPECT_EQ(name->text(), QStringLiteral("OVERHEAD"));
    EXPECT_EQ(Child<QPushButton>(&dialog, "sense")->text(), QStringLiteral("VCC"));
    Key(Qt::Key_N, Qt::AltModifier);
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("PEDESTAL"));
    Key(Qt::Key_S, Qt::AltModifier);
    Key(Qt::Key_Space);
    EXPECT_EQ(Child<QPushButton>(&dialog, "sense")->text(), QStringLiteral("GND"));
    Key(Qt::Key_N, Qt::AltModifier);
    Key(Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CardChoice choice = dialog.Choice();
    EXPECT_EQ(choice.serial, u"ORVA-22222");
    EXPECT_EQ(choice.cardName, u"PEDESTAL");
    EXPECT_FALSE(choice.senseVcc);
}

TEST_F(CardToolsTest, CalculatorOffersTheMainBoardAndItsInputCardAndCopiesThePinId) {
    Board board = StartBoard("ORVA-12345", "main", "0,15");
    CCalcPinIdDlg dialog(backend_, u"ORVA-12345");
    dialog.show();
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Waiting for card info..."));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_TRUE(WaitFor([&] { return Child<QComboBox>(&dialog, "cards")->isEnabled(); }));
    EXPECT_EQ(Items(&dialog, "cards"), (QStringList{QStringLiteral("Orva MAIN Serial ORVA-12345"),
                                                    QStringLiteral("64 Inputs ADDR 0")}));
    EXPECT_EQ(Items(&dialog, "pins").size(), 32);

    Key(Qt::Key_E, Qt::AltModifier);
    Key(Qt::Key_Down);
    EXPECT_EQ(Items(&dialog, "pins").size(), 64);
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Selected PIN Id is: 16"));
    Key(Qt::Key_I, Qt::AltModifier);
    Key(Qt::Key_End);
    EXPECT_EQ(Child<QComboBox>(&dialog, "pins")->currentText(), QStringLiteral("Input nº 64"));
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Selected PIN Id is: 79"));
    Key(Qt::Key_E, Qt::AltModifier);
    Key(Qt::Key_Up);
    Key(Qt::Key_I, Qt::AltModifier);
    Key(Qt::Key_End);
    EXPECT_EQ(Child<QComboBox>(&dialog, "pins")->currentText(), QStringLiteral("OutPut nº 16"));
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Selected PIN Id is: 511"));

    EXPECT_EQ(Child<QPushButton>(&dialog, "copy")->text(), QStringLiteral("Copy &&  Exit"));
    Key(Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("511"));
    EXPECT_TRUE(WaitUnlinked(*board));
}

TEST_F(CardToolsTest, LearningTakesThePinPressedAfterTheQuietPeriod) {
    Board board = StartBoard("ORVA-12345");
    ASSERT_EQ(board->Command("set 20 1"), "ok");  // reported when the dialog opens the board
    bool sawWait = false;
    bool sawReady = false;
    // The dialog closes itself once it has learned the pin.
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Looking for ID"));
        sawWait = Text(dialog, "text") == QStringLiteral("Please, wait...");
        sawReady = WaitFor([&] { return Text(dialog, "text") == kDigitalReady; });
        board->Command("set 30 1");
    });
    const std::optional<int32_t> id =
        CLookingForIdDlg::LookForId(backend_, u"ORVA-12345", false, kLearnDigital, nullptr);
    EXPECT_TRUE(sawWait);
    EXPECT_TRUE(sawReady);
    EXPECT_EQ(id, 30);
    EXPECT_TRUE(WaitUnlinked(*board));
}

TEST_F(CardToolsTest, LearningAnAnalogChannelTakesTwoSwingsAndSwitchesTheChannelsOffAfter) {
    Board board = StartBoard("ORVA-12345");
    CLookingForIdDlg dialog(backend_, u"ORVA-12345", false, kLearnAnalog);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return Text(&dialog, "text") == kAnalogReady; }));
    EXPECT_EQ(board->Command("mask"), "adc=255");
    board->Command("adc 3 1000");
    board->Command("adc 3 0");
    EXPECT_TRUE(WaitFor([&] {
        return Text(&dialog, "text") ==
               kAnalogReady + QStringLiteral("\nMoved adc 3, do it again to select.");
    }));
    board->Command("adc 3 1000");
    board->Command("adc 3 0");
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Id(), 3);
    ASSERT_TRUE(WaitUnlinked(*board));
    EXPECT_EQ(board->Command("mask"), "adc=0");
}

// Opened without its board, a tool shows nothing to use, and follows the board as it comes, goes
// and comes back.
TEST_F(CardToolsTest, SelectionFollowsItsBoardInOutAndBackIn) {
    COrvaConfigDlg dialog(backend_, {u"ORVA-12345", u"COCKPIT", false});
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Orva Card Selection"));
    const auto nothingToChoose = [&] {
        return Items(&dialog, "cards").isEmpty() && Info(&dialog).isEmpty() &&
               !Child<QPushButton>(&dialog, "sense")->isVisible() &&
               !Child<QPushButton>(&dialog, "ok")->isEnabled();
    };
    EXPECT_TRUE(nothingToChoose());

    Board board = StartBoard("ORVA-12345", "main", "0,15");
    EXPECT_TRUE(WaitFor([&] { return Info(&dialog) == kMainInfo; })) << Info(&dialog).toStdString();
    board->Kill();
    EXPECT_TRUE(WaitFor(nothingToChoose));

    board = StartBoard("ORVA-12345", "main", "0,15");
    EXPECT_TRUE(WaitFor([&] { return Info(&dialog) == kMainInfo; })) << Info(&dialog).toStdString();
    EXPECT_EQ(Child<QComboBox>(&dialog, "cards")->currentIndex(), 0);
    EXPECT_EQ(Child<QLineEdit>(&dialog, "cardName")->text(), QStringLiteral("COCKPIT"));
    EXPECT_TRUE(Child<QPushButton>(&dialog, "ok")->isEnabled());
}

TEST_F(CardToolsTest, CalculatorNamesTheMissingCardAndFollowsItsBoardInAndOut) {
    CCalcPinIdDlg dialog(backend_, u"ORVA-12345");
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Calculate I/O pin ID tool"));
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Card ORVA-12345 not found..."));
    EXPECT_FALSE(Child<QComboBox>(&dialog, "cards")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(&dialog, "pins")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(&dialog, "copy")->isEnabled());

    Board board = StartBoard("ORVA-12345", "main", "0,15");
    EXPECT_TRUE(WaitFor([&] { return Child<QComboBox>(&dialog, "cards")->isEnabled(); }));
    EXPECT_EQ(Items(&dialog, "cards").size(), 2);
    EXPECT_EQ(Text(&dialog, "result"), QStringLiteral("Selected PIN Id is: 496"));

    board->Kill();
    EXPECT_TRUE(WaitFor([&] { return Text(&dialog, "result") == "Card not found..."; }));
    EXPECT_FALSE(Child<QComboBox>(&dialog, "cards")->isEnabled());
    EXPECT_TRUE(Items(&dialog, "pins").isEmpty());
}

TEST_F(CardToolsTest, LearningFollowsAServoBoardOutAndBackInAndTakesItsEighthChannel) {
    Board board = StartBoard("ORVA-8", "servo");
    CLookingForIdDlg dialog(backend_, u"ORVA-8", false, kLearnAnalog);
    dialog.show();
    ASSERT_TRUE(WaitFor([&] { return Text(&dialog, "text") == kAnalogReady; }));

    board->Kill();
    EXPECT_TRUE(WaitFor([&] { return Text(&dialog, "text") == "Card not found..."; }));

    board = StartBoard("ORVA-8", "servo");
    ASSERT_TRUE(WaitFor([&] { return Text(&dialog, "text") == kAnalogReady; }));
    for (const char* value : {"65535", "0", "65535", "0"}) {
        board->Command(std::string("adc 8 ") + value);
    }
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.Id(), 8);
}

}  // namespace
}  // namespace orva
