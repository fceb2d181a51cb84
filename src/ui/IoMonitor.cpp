#include "ui/IoMonitor.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ConnectionController.h"
#include "card/PinIds.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "ui/IoWidgets.h"
#include "ui/QtCardTool.h"

namespace orva {
namespace {

using Clock = std::chrono::steady_clock;
// A change shorter than a refresh stays lit long enough for an eye to catch it.
constexpr std::chrono::milliseconds kFlash{250};

QString Text(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// A tab's page in a scroll area; its layout is emptied and refilled on rebuilds.
void ScrolledPage(QTabWidget* tabs, const QString& title, QWidget*& page) {
    auto* scroll = new QScrollArea(tabs);
    scroll->setWidgetResizable(true);
    page = new QWidget(scroll);
    new QVBoxLayout(page);
    scroll->setWidget(page);
    tabs->addTab(scroll, title);
}

void Empty(QWidget* page) {
    QLayout* layout = page->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

}  // namespace

CIoMonitor::CIoMonitor(CConnectionController& controller, IHidBackend& backend, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(controller), backend_(backend) {
    auto* layout = new QVBoxLayout(this);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("state"));
    layout->addWidget(state_);
    tabs_ = new QTabWidget(this);
    ScrolledPage(tabs_, QStringLiteral("&Inputs"), inputsPage_);
    ScrolledPage(tabs_, QStringLiteral("&Outputs"), outputsPage_);
    ScrolledPage(tabs_, QStringLiteral("&Analog"), analogPage_);
    analogTab_ = tabs_->widget(tabs_->count() - 1);
    ScrolledPage(tabs_, QStringLiteral("&Displays"), displaysPage_);
    encoders_ = new QTableWidget(0, 5, tabs_);
    encoders_->setHorizontalHeaderLabels({QStringLiteral("Encoder"), QStringLiteral("Pin A"),
                                          QStringLiteral("Pin B"), QStringLiteral("Value"),
                                          QStringLiteral("Limits")});
    encoders_->verticalHeader()->hide();
    encoders_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    encoders_->horizontalHeader()->setStretchLastSection(true);
    tabs_->addTab(encoders_, QStringLiteral("&Encoders"));
    layout->addWidget(tabs_, 1);
    resize(620, 460);

    timer_ = new QTimer(this);
    timer_->setInterval(kRefresh);
    connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
    SetTitles();
}

CIoMonitor::~CIoMonitor() {
    ReleaseOwnBoard();
}

void CIoMonitor::showEvent(QShowEvent* event) {
    if (!help_) help_.emplace(u"io-monitor.html");
    QWidget::showEvent(event);
    CProfile(AppProfileFile()).WriteInt(u"Windows", u"IoMonitor", 1);
    UpdateSource();
    timer_->start();
}

void CIoMonitor::hideEvent(QHideEvent* event) {
    help_.reset();
    QWidget::hideEvent(event);
    timer_->stop();
    UpdateSource();  // nothing held while hidden
}

void CIoMonitor::closeEvent(QCloseEvent* event) {
    // Remembered so that it opens again with the program, as the user left it.
    CProfile(AppProfileFile()).WriteInt(u"Windows", u"IoMonitor", 0);
    QWidget::closeEvent(event);
}

void CIoMonitor::UpdateSource() {
    const bool linked = controller_.HasSession() || controller_.IsConnecting();
    if (!isVisible() || linked) ReleaseOwnBoard();
    if (!isVisible()) {
        card_ = nullptr;
    } else if (linked) {
        card_ = controller_.Card().IsConnected() ? &controller_.Card() : nullptr;
    } else if (!tool_) {
        OpenOwnBoard();
    }
    SetTitles();
}

void CIoMonitor::OpenOwnBoard() {
    const CConfiguration& config = controller_.Configuration();
    tool_ = std::make_unique<CQtCardTool>(backend_, CCardTool::OnFinish::AdcOffThenClose,
                                          CCardTool::Handlers{nullptr, [this] {
                                                                  // The board came or went: look
                                                                  // for it again.
                                                                  ReleaseOwnBoard();
                                                                  UpdateSource();
                                                              }});
    card_ = nullptr;
    if (tool_->LookForCard(-1, config.cardSerial) &&
        tool_->OpenCard(-1, config.cardSerial, config.senseVcc)) {
        card_ = &tool_->Card();
        card_->SetAdcMask(0xFF);  // nobody else reads the channels: show them all
    }
}

void CIoMonitor::ReleaseOwnBoard() {
    if (!tool_) return;
    if (card_ == &tool_->Card()) card_ = nullptr;
    tool_.reset();
    test_.Forget();
    history_.Clear();
    infoAsked_ = infoDone_ = false;
}

void CIoMonitor::SetTitles() {
    const std::u16string serial = controller_.Configuration().cardSerial;
    QString state;
    if (!card_) {
        state = isVisible() && !controller_.HasSession()
                    ? QStringLiteral("Board %1 not found: waiting for it.").arg(Text(serial))
                    : QStringLiteral("No board.");
        setWindowTitle(QStringLiteral("I/O monitor - %1").arg(Text(serial)));
    } else if (tool_) {
        state = QStringLiteral(
                    "Not connected: the monitor has opened board %1 itself; no script "
                    "runs. Click an output to switch it.")
                    .arg(Text(serial));
        setWindowTitle(
            QStringLiteral("I/O monitor - %1 (opened by the monitor)").arg(Text(serial)));
    } else {
        state = QStringLiteral(
                    "Connected: board %1 as the scripts drive it. Click an output to "
                    "switch it for a test.")
                    .arg(Text(serial));
        setWindowTitle(QStringLiteral("I/O monitor - %1 (connected)").arg(Text(serial)));
    }
    state_->setText(state);
}

void CIoMonitor::AskCardInfo() {
    // The extension cards are known only from the card information, which a connection never
    // asks for: ask once, and say done when it came.
    if (!card_->IsMainBoard()) return;
    if (!infoAsked_) {
        infoAsked_ = true;
        card_->ClearVersion();
        card_->SendCommand(CMD_GET_INFO, 0);
    } else if (!infoDone_ && (card_->VersionMajor() != 0 || card_->VersionMinor() != 0)) {
        infoDone_ = true;
        card_->SendCommand(CMD_INFO_DONE, 0);
    }
}

void CIoMonitor::Refresh() {
    if (!card_ || !card_->IsConnected()) {
        if (card_ && !tool_) card_ = nullptr;
        return;
    }
    AskCardInfo();
    const CardSnapshot s = card_->Snapshot(true);
    if (s.product != builtProduct_ || s.extensions != builtExtensions_) Rebuild(s);
    const auto now = Clock::now();
    ShowInputs(s, now);
    ShowOutputs(s);
    ShowAnalog(s, now);
    ShowDisplaysAndEncoders(s);
}

void CIoMonitor::Rebuild(const CardSnapshot& s) {
    builtProduct_ = s.product;
    builtExtensions_ = s.extensions;
    for (QWidget* page : {inputsPage_, outputsPage_, analogPage_, displaysPage_}) Empty(page);
    inputGrids_.clear();
    outputGrids_.clear();
    displayRows_.clear();
    servos_.clear();
    const auto names = PinEventNames(controller_.Events());
    const auto addGrid = [&](QWidget* page, const IoCardGroup& g, bool outputs) {
        auto* box = new QGroupBox(Text(g.title), page);
        auto* grid = new CPinGrid(g.firstPin, g.count, outputs, box);
        grid->SetNames(names);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(grid);
        page->layout()->addWidget(box);
        return grid;
    };
    for (const IoCardGroup& g : InputGroups(s))
        inputGrids_[g.addr] = addGrid(inputsPage_, g, false);
    auto* buttons = new QWidget(outputsPage_);
    auto* row = new QHBoxLayout(buttons);
    auto* allOn = new QPushButton(QStringLiteral("All o&n"), buttons);
    auto* allOff = new QPushButton(QStringLiteral("All o&ff"), buttons);
    connect(allOn, &QPushButton::clicked, this, [this] { AllOutputs(true); });
    connect(allOff, &QPushButton::clicked, this, [this] { AllOutputs(false); });
    row->addWidget(allOn);
    row->addWidget(allOff);
    row->addStretch(1);
    outputsPage_->layout()->addWidget(buttons);
    for (const IoCardGroup& g : OutputGroups(s)) {
        CPinGrid* grid = addGrid(outputsPage_, g, true);
        grid->onClick = [this](int pin) { TestOutput(pin); };
        outputGrids_[g.addr] = grid;
    }

    auto* analog = new QWidget(analogPage_);
    auto* channels = new QGridLayout(analog);
    for (int c = 1; c <= 8; ++c) {
        Channel& ch = channels_[c - 1];
        auto* name = new QLabel(QStringLiteral("Channel %1").arg(c), analog);
        ch.bar = new QProgressBar(analog);
        ch.bar->setRange(0, kAnalogMax);
        ch.bar->setTextVisible(false);
        ch.value = new QLabel(QStringLiteral("0"), analog);
        ch.value->setMinimumWidth(40);
        ch.plot = new CAnalogPlot(analog);
        channels->addWidget(name, c - 1, 0);
        channels->addWidget(ch.bar, c - 1, 1);
        channels->addWidget(ch.value, c - 1, 2);
        channels->addWidget(ch.plot, c - 1, 3);
    }
    channels->setColumnStretch(3, 1);
    analogPage_->layout()->addWidget(analog);
    if (s.product == PID_SERVO) {
        auto* box = new QGroupBox(QStringLiteral("Servo positions"), analogPage_);
        auto* grid = new QGridLayout(box);
        for (int c = 1; c <= 8; ++c) {
            auto* bar = new QProgressBar(box);
            bar->setRange(0, 255);
            bar->setFormat(QStringLiteral("%v"));
            grid->addWidget(new QLabel(QStringLiteral("Servo %1").arg(c), box), c - 1, 0);
            grid->addWidget(bar, c - 1, 1);
            servos_.push_back(bar);
        }
        analogPage_->layout()->addWidget(box);
    }
    for (int g : DisplayCards(s)) {
        auto* box = new QGroupBox(Text(ExtensionLongName(kMainBoardAddr + g)), displaysPage_);
        auto* digits = new CSegmentRow(32 * g + 1, box);
        auto* inner = new QVBoxLayout(box);
        inner->addWidget(digits);
        displaysPage_->layout()->addWidget(box);
        displayRows_[g] = digits;
    }
    if (displayRows_.empty()) {
        displaysPage_->layout()->addWidget(
            new QLabel(QStringLiteral("No display card reported (ADDR 15-19)."), displaysPage_));
    }
    for (QWidget* page : {inputsPage_, outputsPage_, analogPage_, displaysPage_}) {
        static_cast<QVBoxLayout*>(page->layout())->addStretch(1);
    }
}

void CIoMonitor::ShowInputs(const CardSnapshot& s, Clock::time_point now) {
    for (auto& [addr, grid] : inputGrids_) {
        std::vector<CPinGrid::Cell> cells(grid->Cells().size());
        for (size_t i = 0; i < cells.size(); ++i) {
            const int pin = grid->FirstPin() + static_cast<int>(i);
            const Lamp lamp = InputLamp(s, pin);
            if (lamp.changed) flashUntil_[pin] = now + kFlash;
            const auto it = flashUntil_.find(pin);
            cells[i].on = lamp.on;
            cells[i].flash = it != flashUntil_.end() && it->second > now;
            if (it != flashUntil_.end() && !cells[i].flash) flashUntil_.erase(it);
        }
        grid->SetCells(cells);
    }
}

void CIoMonitor::ShowOutputs(const CardSnapshot& s) {
    test_.Check(s);
    for (auto& [addr, grid] : outputGrids_) {
        std::vector<CPinGrid::Cell> cells(grid->Cells().size());
        for (size_t i = 0; i < cells.size(); ++i) {
            const int pin = grid->FirstPin() + static_cast<int>(i);
            cells[i].on = OutputOn(s, pin);
            cells[i].testing = test_.Testing(pin);
            cells[i].marked = test_.Overridden(pin);
        }
        grid->SetCells(cells);
    }
}

void CIoMonitor::ShowAnalog(const CardSnapshot& s, Clock::time_point now) {
    history_.Add(s, now);
    if (tabs_->currentWidget() != analogTab_) return;  // drawn only where it can be seen
    for (int c = 1; c <= 8; ++c) {
        Channel& ch = channels_[c - 1];
        if (!ch.bar) continue;
        const int value = AnalogValue(s, c);
        ch.bar->setValue(std::min(value, kAnalogMax));
        ch.value->setText(QString::number(value));
        const bool active = history_.Active(c);
        ch.plot->setVisible(active);
        if (active) {
            ch.plot->SetSamples(history_.Samples(c, now),
                                std::chrono::duration<double>(CAnalogHistory::kSpan).count(),
                                kAnalogMax);
        }
    }
    for (size_t i = 0; i < servos_.size(); ++i) {
        servos_[i]->setValue(ServoPosition(s, static_cast<int>(i) + 1));
    }
}

void CIoMonitor::ShowDisplaysAndEncoders(const CardSnapshot& s) {
    for (auto& [g, row] : displayRows_) {
        const DisplayReport& image = s.displays[static_cast<size_t>(g)];
        row->SetCodes(std::vector<uint8_t>(image.begin() + 3, image.begin() + 35));
    }
    encoders_->setRowCount(static_cast<int>(s.encoders.size()));
    for (size_t i = 0; i < s.encoders.size(); ++i) {
        const CardSnapshot::Encoder& e = s.encoders[i];
        const QString limits = QStringLiteral("%1 .. %2%3")
                                   .arg(e.low)
                                   .arg(e.high)
                                   .arg(e.cyclic ? QStringLiteral(", cyclic") : QString());
        const QString cells[] = {QString::number(e.id), QString::number(e.pinA),
                                 QString::number(e.pinB), QString::number(e.value), limits};
        for (int column = 0; column < 5; ++column) {
            QTableWidgetItem* item = encoders_->item(static_cast<int>(i), column);
            if (!item) {
                item = new QTableWidgetItem;
                encoders_->setItem(static_cast<int>(i), column, item);
            }
            if (item->text() != cells[column]) item->setText(cells[column]);
        }
    }
}

void CIoMonitor::TestOutput(int pin) {
    if (!card_ || !card_->IsConnected()) return;
    const bool on = !card_->OutputState(pin);
    card_->SetOutput(pin, on);  // through the board object's own output path and lock
    test_.Set(pin, on);
    Refresh();
}

void CIoMonitor::AllOutputs(bool on) {
    if (!card_ || !card_->IsConnected()) return;
    card_->SetAllOutputs(on);
    for (auto& [addr, grid] : outputGrids_) {
        for (size_t i = 0; i < grid->Cells().size(); ++i) {
            test_.Set(grid->FirstPin() + static_cast<int>(i), on);
        }
    }
    Refresh();
}

CPinGrid* CIoMonitor::InputGrid(int addr) const {
    const auto it = inputGrids_.find(addr);
    return it == inputGrids_.end() ? nullptr : it->second;
}

CPinGrid* CIoMonitor::OutputGrid(int addr) const {
    const auto it = outputGrids_.find(addr);
    return it == outputGrids_.end() ? nullptr : it->second;
}

CSegmentRow* CIoMonitor::DisplayRow(int card) const {
    const auto it = displayRows_.find(card);
    return it == displayRows_.end() ? nullptr : it->second;
}

CAnalogPlot* CIoMonitor::Plot(int channel) const {
    return channel >= 1 && channel <= 8 ? channels_[channel - 1].plot : nullptr;
}

}  // namespace orva
