// The simulated board's window, offscreen, over a real simulator in this process, with
// orvapanel-headless as a real process opening the board and running the scripts.
#include "BoardWindow.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "BoardSim.h"
#include "Knob.h"
#include "Led.h"
#include "PinButton.h"
#include "SegmentDisplay.h"
#include "ServoGauge.h"
#include "card/VirtualBoard.h"
#include "support/Process.h"
#include "support/QtPrinters.h"
#include "support/Simulators.h"
#include "support/TestEnv.h"

namespace orva::sim {
namespace {

using namespace std::chrono_literals;

constexpr int kPatienceMs = 10000;
const std::string kSerial = "ORVA-13579";

class BoardWindowTest : public test::HomeTest {
protected:
    void SetUp() override { OpenBoard({kSerial, BoardKind::Main, {0, 5, 15}}); }
    void TearDown() override {
        if (panel_) {
            panel_->Signal(SIGTERM);
            panel_->Wait();
        }
        window_.reset();
        board_.reset();
    }
    // A started board of this kind and its window, shown, in place of the one there was.
    void OpenBoard(BoardOptions options) {
        window_.reset();
        board_ = std::make_unique<CBoardSim>(std::move(options));
        ASSERT_TRUE(board_->Start());
        window_ = std::make_unique<CBoardWindow>(*board_);
        window_->show();
    }

    // orvapanel-headless on an instance without servers whose events are these XML elements;
    // returns once its AFTER CONNECT scripts have run (they run in the list's order, so one
    // more at the end tells) and the board has taken its link: the panel's connect completes
    // before the simulator's accept thread has the link, and reports sent before are lost.
    void StartPanel(const std::string& events) {
        const auto folder = home_.MakeUserFolder();
        test::WriteBytes(
            folder / "bwt_conf.cnf",
            "[Iocp]\nServers=0\n[Options]\nAutoConnect=1\nAutoHide=0\n[Orva]\nSerial=" + kSerial +
                "\n");
        test::WriteBytes(folder / "bwt_vars.xml",
                         "<offsets_list version=\"1.0\">" + events +
                             "<offset type=\"0\" name=\"READY\" id=\"0\" script=\"print('scripts "
                             "ready') printnl()\"/></offsets_list>");
        panel_ = std::make_unique<test::Process>(
            test::BinPath("orvapanel-headless"), std::vector<std::string>{"/BWT"},
            std::vector<std::pair<std::string, std::string>>{{"ORVA_WEB_HOST", ""}});
        ASSERT_TRUE(PanelSays("scripts ready"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return board_->HasClient(); }, kPatienceMs));
    }
    ::testing::AssertionResult PanelSays(const std::string& line) {
        if (panel_->WaitForLine(line, 10s).value_or("") == line)
            return ::testing::AssertionSuccess();
        std::string said;
        for (const auto& l : panel_->Lines()) said += "\n  " + l;
        return ::testing::AssertionFailure()
               << "the panel never said \"" << line << "\"; it said:" << said;
    }
    std::vector<std::string> PanelLinesStartingWith(const std::string& start) const {
        std::vector<std::string> lines;
        for (const auto& line : panel_->Lines()) {
            if (line.rfind(start, 0) == 0) lines.push_back(line);
        }
        return lines;
    }
    template <typename T>
    T* Find(const QString& name) const {
        T* found = window_->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QString Status() const { return Find<QLabel>(QStringLiteral("status"))->text(); }
    static void TurnWheel(QWidget* widget, int angle) {
        const QPointF at = QRectF(widget->rect()).center();
        QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
    }

    std::unique_ptr<CBoardSim> board_;
    std::unique_ptr<CBoardWindow> window_;
    std::unique_ptr<test::Process> panel_;
};

TEST_F(BoardWindowTest, TheWindowShowsTheBoardsCards) {
    EXPECT_EQ(window_->windowTitle(), "Orva board ORVA-13579 (simulated)");
    // Main board and ADDR 0 inputs; main board and ADDR 5 outputs; ADDR 15 digits.
    EXPECT_EQ(window_->findChildren<CPinButton*>().size(), 16 + 64);
    EXPECT_EQ(window_->findChildren<CLed*>().size(), 16 + 64);
    EXPECT_NE(window_->findChild<CPinButton*>("input-16"), nullptr);
    EXPECT_NE(window_->findChild<CPinButton*>("input-511"), nullptr);
    EXPECT_EQ(window_->findChild<CPinButton*>("input-80"), nullptr);  // no ADDR 1 card
    EXPECT_EQ(Find<CSegmentDisplay>(QStringLiteral("display-15"))->FirstDigit(), 1);
    EXPECT_EQ(window_->findChildren<QSlider*>().size(), 7u);  // the main board's channels
    EXPECT_EQ(Status(), "Plugged in, waiting for the panel to open the board");
}

TEST_F(BoardWindowTest, SwitchesPushButtonsAndSlidersReachThePanel) {
    StartPanel(
        "<offset type=\"2\" name=\"SW\" id=\"0\" "
        "script=\"print('pin ', Id, ' = ', Value) printnl()\"/>"
        "<offset type=\"3\" name=\"POT\" id=\"2\" "
        "script=\"print('adc ', Id, ' = ', Value) printnl()\"/>");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Status() == "Plugged in, the panel has the board open"; }, kPatienceMs));
    // A click flips a switch; a command moves the switch in the window.
    auto* pin = Find<CPinButton>(QStringLiteral("input-20"));
    QTest::mouseClick(pin, Qt::LeftButton);
    EXPECT_TRUE(PanelSays("pin 20 = 1"));
    EXPECT_TRUE(pin->ShownLevel());
    EXPECT_EQ(board_->Execute("toggle 20"), "ok");
    EXPECT_TRUE(PanelSays("pin 20 = 0"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pin->ShownLevel(); }, kPatienceMs));

    // A shift-click pushes the switch only while held; the switch itself never moves.
    auto* shifted = Find<CPinButton>(QStringLiteral("input-21"));
    QTest::mousePress(shifted, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_TRUE(PanelSays("pin 21 = 1"));
    QTest::mouseRelease(shifted, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_TRUE(PanelSays("pin 21 = 0"));
    EXPECT_FALSE(shifted->isChecked());

    // A pin made a push button, from its context menu by keyboard (the menu key, then the
    // entry's mnemonic), is on only while held.
    auto* button = Find<CPinButton>(QStringLiteral("input-22"));
    QTimer::singleShot(0, [] {
        QWidget* menu = QApplication::activePopupWidget();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, Qt::Key_P);
    });
    button->setFocus();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, button->rect().center(),
                              button->mapToGlobal(button->rect().center()));
    QApplication::sendEvent(button, &menuKey);
    ASSERT_TRUE(button->IsPushButton());
    QTest::keyPress(button, Qt::Key_Space);
    EXPECT_TRUE(PanelSays("pin 22 = 1"));
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_TRUE(PanelSays("pin 22 = 0"));
    QTest::mousePress(button, Qt::LeftButton);
    EXPECT_TRUE(PanelSays("pin 22 = 1"));
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_TRUE(PanelSays("pin 22 = 0"));

    // An analog slider sends what the scripts read.
    auto* slider = Find<QSlider>(QStringLiteral("analog-2"));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_TRUE(PanelSays("adc 2 = 1023"));
    EXPECT_EQ(board_->Image().analog[2], 1023);
}

// A wheel notch and a click on the left half are one detent each; a drag turns fast, on the pins
// the user chose.
TEST_F(BoardWindowTest, WheelClicksAndDragsTurnTheKnobsOnTheirPins) {
    StartPanel(
        "<offset type=\"0\" name=\"SETUP\" id=\"0\" script=\"KNOB = orva.encoder.create(496, "
        "497) FAST = orva.encoder.create(100, 101)\"/>"
        "<offset type=\"4\" name=\"TURN\" id=\"1\" script=\"steps = (steps or 0) + Value "
        "print('enc ', Id, ' ', Value, ' ', steps) printnl()\"/>"
        "<offset type=\"2\" name=\"MARK\" id=\"20\" script=\"print('mark ', "
        "orva.encoder.value.get(KNOB), ' ', orva.encoder.value.get(FAST)) printnl()\"/>");
    auto* knob = Find<CKnob>(QStringLiteral("knob-1"));
    const auto pins = knob->parentWidget()->findChildren<QSpinBox*>();
    ASSERT_EQ(pins.size(), 2);
    EXPECT_EQ(pins[0]->value(), 496);  // the first free pair of the main board's inputs
    EXPECT_EQ(pins[1]->value(), 497);
    auto* mark = Find<CPinButton>(QStringLiteral("input-20"));

    TurnWheel(knob, 120);
    // A switch flipped afterwards marks the end: its event comes after every step before it.
    QTest::mouseClick(mark, Qt::LeftButton);
    ASSERT_TRUE(PanelSays("mark 4 0"));  // the program counts every edge: four a detent
    EXPECT_EQ(PanelLinesStartingWith("enc "),
              (std::vector<std::string>{"enc 1 1 1", "enc 1 1 2", "enc 1 1 3", "enc 1 1 4"}));
    QTest::mouseClick(knob, Qt::LeftButton, Qt::NoModifier, {2, knob->height() / 2});
    QTest::mouseClick(mark, Qt::LeftButton);
    ASSERT_TRUE(PanelSays("mark 0 0"));
    EXPECT_EQ(PanelLinesStartingWith("enc ").size(), 8u);
    EXPECT_EQ(PanelLinesStartingWith("enc ").back(), "enc 1 -1 0");
    EXPECT_EQ(knob->Detents(), 0);

    auto* fast = Find<CKnob>(QStringLiteral("knob-2"));
    const auto fastPins = fast->parentWidget()->findChildren<QSpinBox*>();
    ASSERT_EQ(fastPins.size(), 2);
    EXPECT_EQ(fastPins[0]->value(), 498);  // the second free pair
    for (auto [spin, pin] : {std::pair{fastPins[0], 100}, std::pair{fastPins[1], 101}}) {
        spin->selectAll();
        QTest::keyClicks(spin, QString::number(pin));
    }
    const QPoint centre = fast->rect().center();
    const QPoint right = centre + QPoint(10 * fast->fontMetrics().height(), 0);
    QTest::mousePress(fast, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseMove(fast, right);
    QTest::mouseRelease(fast, Qt::LeftButton, Qt::NoModifier, right);
    EXPECT_GT(fast->Detents(), 1);
    QTest::mouseClick(mark, Qt::LeftButton);
    EXPECT_TRUE(PanelSays("mark 0 " + std::to_string(4 * fast->Detents())));
}

TEST_F(BoardWindowTest, TheServoBoardShowsItsNeedlesAndScalesItsChannels) {
    OpenBoard({kSerial, BoardKind::Servo, {}});
    EXPECT_EQ(window_->findChildren<CPinButton*>().size(), 0);
    StartPanel(
        "<offset type=\"0\" name=\"SERVO\" id=\"0\" "
        "script=\"orva.servo.position.set(3, 200)\"/>"
        "<offset type=\"3\" name=\"POT\" id=\"8\" "
        "script=\"print('adc ', Id, ' = ', Value) printnl()\"/>");
    auto* servo = Find<CServoGauge>(QStringLiteral("servo-3"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return servo->Position() == 200 && servo->Powered(); }, kPatienceMs));
    EXPECT_EQ(Find<CServoGauge>(QStringLiteral("servo-2"))->Position(), 0);
    // Unwritten for a second, the servo loses its power and the needle turns grey.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !servo->Powered(); }, kPatienceMs));
    EXPECT_EQ(servo->Position(), 200);

    auto* slider = Find<QSlider>(QStringLiteral("analog-8"));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_TRUE(PanelSays("adc 8 = 1023"));  // from the 16-bit reading the board sends
}

// What the scripts write lights the LEDs and draws the digits; unplugged, the board vanishes for
// the panel and its lamps go dark, and plugged in it is back.
TEST_F(BoardWindowTest, OutputsAndDigitsFromTheScriptsAndUnplugAndPlugIn) {
    StartPanel(
        "<offset type=\"0\" name=\"ON\" id=\"0\" "
        "script=\"orva.dout.state.set(30, true) orva.dout.state.set(497, true)\"/>"
        "<offset type=\"0\" name=\"FRQ\" id=\"0\" script=\"D = orva.display.create(1, 6) "
        "orva.display.show.frq(D, 11802)\"/>");
    auto* led = Find<CLed>(QStringLiteral("output-30"));
    auto* led497 = Find<CLed>(QStringLiteral("output-497"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return led->IsLit() && led497->IsLit(); }, kPatienceMs));
    EXPECT_FALSE(Find<CLed>(QStringLiteral("output-31"))->IsLit());
    EXPECT_FALSE(Find<CLed>(QStringLiteral("output-496"))->IsLit());
    EXPECT_EQ(led->grab().toImage().pixelColor(3, led->height() / 2), CLed::LitColour());

    auto* display = Find<CSegmentDisplay>(QStringLiteral("display-15"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return display->Code(5) != 0; }, kPatienceMs));
    // 118.025: the decimal point rides on the third digit.
    const std::vector<uint8_t> expected{0x30, 0x30, 0xFF, 0x7E, 0x6D, 0x5B, 0x00};
    for (int k = 0; k < static_cast<int>(expected.size()); ++k)
        EXPECT_EQ(display->Code(k), expected[static_cast<size_t>(k)]) << "position " << k;
    const QImage drawn = display->grab().toImage();
    const auto colour = [&](int position, int bit) {
        return drawn.pixelColor(display->SegmentPoint(position, bit));
    };
    EXPECT_EQ(colour(2, CSegmentDisplay::kDecimalPointBit), CSegmentDisplay::LitColour());
    EXPECT_EQ(colour(1, CSegmentDisplay::kDecimalPointBit), CSegmentDisplay::DarkColour());
    // The 5: segments a, c, d, f, g lit; b and e dark.
    for (int bit : {6, 4, 3, 1, 0}) EXPECT_EQ(colour(5, bit), CSegmentDisplay::LitColour()) << bit;
    for (int bit : {5, 2}) EXPECT_EQ(colour(5, bit), CSegmentDisplay::DarkColour()) << bit;

    const auto announced = [] {
        const auto boards = CVirtualHidBackend().Enumerate();
        return std::any_of(boards.begin(), boards.end(),
                           [](const HidDeviceInfo& b) { return b.serial == u"ORVA-13579"; });
    };
    auto* plug = Find<QPushButton>(QStringLiteral("plug"));
    EXPECT_EQ(plug->text(), "&Unplug");
    QTest::mouseClick(plug, Qt::LeftButton);
    EXPECT_TRUE(panel_->WaitForLine("Your selected Orva Card is not present.", 10s).has_value());
    EXPECT_FALSE(announced());
    EXPECT_EQ(Status(), "Unplugged: the panel cannot see the board");
    EXPECT_EQ(plug->text(), "&Plug in");
    EXPECT_FALSE(led->IsLit());  // no power, no lamps

    QTest::mouseClick(plug, Qt::LeftButton);
    EXPECT_TRUE(announced());
    EXPECT_EQ(Status(), "Plugged in, waiting for the panel to open the board");
    EXPECT_EQ(plug->text(), "&Unplug");
}

// orvasim board --gui as a process: its commands keep working while the window is open.
TEST(BoardWindowProgram, CommandsWorkBesideTheWindowAndAStopSignalUnplugs) {
    test::TempHome home;
    test::SimProcess sim(
        {"board", "--serial", "ORVA-24680", "--kind", "main", "--gui", "--knob", "100,101"});
    ASSERT_TRUE(sim.Ready());
    EXPECT_EQ(sim.Command("set 20 1"), "ok");  // the control socket
    sim.Proc().Write("out 30\n");              // stdin
    EXPECT_EQ(sim.Proc().ReadLine(10s).value_or("no answer"), "0");
    sim.Proc().CloseInput();  // the end of stdin ends nothing
    EXPECT_EQ(sim.Command("info").rfind("serial=ORVA-24680 ", 0), 0u);
    sim.Proc().Signal(SIGTERM);
    EXPECT_EQ(sim.Proc().Wait(), 0);
    EXPECT_TRUE(CVirtualHidBackend().Enumerate().empty());
}

TEST(BoardWindowProgram, QuitOnStdinClosesTheWindowAndUnplugs) {
    test::TempHome home;
    test::SimProcess sim({"board", "--serial", "ORVA-24680", "--kind", "servo", "--gui"});
    ASSERT_TRUE(sim.Ready());
    sim.Proc().Write("quit\n");
    EXPECT_EQ(sim.Proc().ReadLine(10s).value_or("no answer"), "bye");
    EXPECT_EQ(sim.Proc().Wait(), 0);
    EXPECT_TRUE(CVirtualHidBackend().Enumerate().empty());
}

TEST(BoardWindowProgram, WithoutADisplayItSaysSoAndAnnouncesNoBoard) {
    test::TempHome home;
    test::Process sim(test::BinPath("orvasim"),
                      {"board", "--serial", "ORVA-24680", "--kind", "main", "--gui"},
                      {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_TRUE(sim.Lines().empty());  // no "ready" line
    EXPECT_TRUE(CVirtualHidBackend().Enumerate().empty());
}

// Which cards, pins and knobs a board's window offers.
TEST(BoardLayout, CardsByAddrWithTheirPinsAndNames) {
    const BoardOptions options{kSerial, BoardKind::Main, {15, 10, 5, 0, 0, 40}};
    const auto inputs = InputGroups(options);
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].title, u"Main board, pins 496-511");
    EXPECT_EQ(inputs[1].title, u"64 Inputs ADDR 0, pins 16-79");
    EXPECT_EQ(inputs[2].title, u"32 Ins / 32 Out ADDR 10, pins 336-367");
    EXPECT_EQ(inputs[2].count, 32);
    const auto outputs = OutputGroups(options);
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[1].title, u"64 Outputs ADDR 5, pins 16-79");
    EXPECT_EQ(outputs[2].firstPin, 336);
    EXPECT_EQ(DisplayCards(options), std::vector<int>{15});
    EXPECT_TRUE(InputGroups({kSerial, BoardKind::Servo, {0}}).empty());
    // Knobs take the asked pairs, then free pairs of the main board.
    EXPECT_EQ(KnobPinPairs({{100, 101}, {498, 497}}),
              (std::vector<KnobPins>{{100, 101}, {498, 497}, {500, 501}, {502, 503}}));
}

}  // namespace
}  // namespace orva::sim
