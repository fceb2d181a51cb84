#include "BoardWindow.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <tuple>

#include "Knob.h"
#include "Led.h"
#include "PinButton.h"
#include "SegmentDisplay.h"
#include "ServoGauge.h"
#include "card/PinIds.h"

namespace orva::sim {
namespace {

constexpr int kPinsPerRow = 16;
constexpr int kRefreshMs = 33;  // about the rate a screen can show
constexpr int kAnalogMax = 1023;
constexpr int kServoCount = 8;
constexpr int kServosPerRow = 4;

QString ToQString(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QLabel* SectionTitle(const QString& text) {
    auto* label = new QLabel(text);
    QFont bold = label->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    label->setFont(bold);
    return label;
}

QLabel* Hint(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// Where the i-th pin of a card sits, as its tool tip tells.
QString PinPlace(const PinGroup& group, int i) {
    return group.addr < 0 ? QStringLiteral("main board I/O %1").arg(i + 1)
                          : QStringLiteral("ADDR %1 I/O %2").arg(group.addr).arg(i + 1);
}

QScrollArea* Scrolled(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

// The word the analog report carries for what the scripts should read: the main board sends
// its reading as it is, the servo board a 16-bit one that the panel scales back to 0-1023.
uint16_t AnalogWord(BoardKind kind, int value) {
    return static_cast<uint16_t>(kind == BoardKind::Main ? value : value * 65535 / kAnalogMax);
}

int AnalogReading(BoardKind kind, const BoardImage& image, int channel) {
    if (kind == BoardKind::Main) return image.analog[static_cast<size_t>(channel)];
    return image.analog[static_cast<size_t>(channel - 1)] * 1024 / 65536;
}

}  // namespace

CBoardWindow::CBoardWindow(CBoardSim& board, const std::vector<KnobPins>& knobs, QWidget* parent)
    : QWidget(parent), board_(board), kind_(board.Options().kind) {
    setWindowTitle(QStringLiteral("Orva board %1 (simulated)")
                       .arg(QString::fromStdString(board.Options().serial)));
    auto* root = new QVBoxLayout(this);
    header_ = BuildHeader();
    root->addWidget(header_);
    auto* columns = new QSplitter(Qt::Horizontal);
    columns->setChildrenCollapsible(false);
    columns_[0] = BuildDriveColumn(knobs);
    columns_[1] = BuildShowColumn();
    columns->addWidget(Scrolled(columns_[0]));
    columns->addWidget(Scrolled(columns_[1]));
    root->addWidget(columns, 1);

    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { Refresh(); });
    Refresh(true);
}

QSize CBoardWindow::sizeHint() const {
    const QSize drive = columns_[0]->sizeHint(), show = columns_[1]->sizeHint();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins m = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    return {drive.width() + show.width() + 2 * scrollBar + 2 * spacing + m.left() + m.right(),
            header_->sizeHint().height() + std::max(drive.height(), show.height()) + spacing +
                m.top() + m.bottom()};
}

QWidget* CBoardWindow::BuildHeader() {
    auto* header = new QWidget;
    auto* layout = new QGridLayout(header);
    layout->setContentsMargins(0, 0, 0, 0);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    QFont bold = status_->font();
    bold.setBold(true);
    status_->setFont(bold);
    plug_ = new QPushButton;
    plug_->setObjectName(QStringLiteral("plug"));
    connect(plug_, &QPushButton::clicked, this, &CBoardWindow::TogglePlug);
    auto* control =
        new QLabel(QStringLiteral("Commands reach it too, on stdin or by: orvasim ctl %1 COMMAND")
                       .arg(QString::fromStdString(board_.ControlPath())));
    control->setTextInteractionFlags(Qt::TextSelectableByMouse);
    control->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(status_, 0, 0);
    layout->addWidget(plug_, 0, 1, 2, 1, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(control, 1, 0);
    layout->setColumnStretch(0, 1);
    return header;
}

QWidget* CBoardWindow::BuildDriveColumn(const std::vector<KnobPins>& knobs) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    // The few knobs and sliders first: with many input cards the switches scroll below them.
    if (kind_ == BoardKind::Main) {
        layout->addWidget(SectionTitle(QStringLiteral("Encoders")));
        layout->addWidget(BuildKnobs(knobs));
    }
    layout->addWidget(SectionTitle(QStringLiteral("Analog")));
    layout->addWidget(BuildAnalog());
    if (kind_ == BoardKind::Main) {
        layout->addWidget(SectionTitle(QStringLiteral("Inputs")));
        layout->addWidget(Hint(QStringLiteral(
            "Click a switch to turn it on or off; Shift+click pushes it (on while held). "
            "Right-click a pin to make it a push button.")));
        layout->addWidget(BuildInputs());
    }
    layout->addStretch(1);
    return column;
}

QWidget* CBoardWindow::BuildShowColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    if (kind_ == BoardKind::Main) {
        layout->addWidget(SectionTitle(QStringLiteral("Outputs")));
        layout->addWidget(BuildOutputs());
        if (!DisplayCards(board_.Options()).empty()) {
            layout->addWidget(SectionTitle(QStringLiteral("Displays")));
            layout->addWidget(BuildDisplays());
        }
    } else {
        layout->addWidget(SectionTitle(QStringLiteral("Servos")));
        layout->addWidget(BuildServos());
    }
    layout->addStretch(1);
    return column;
}

QWidget* CBoardWindow::BuildInputs() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const PinGroup& group : InputGroups(board_.Options())) {
        auto* card = new QGroupBox(ToQString(group.title));
        auto* grid = new QGridLayout(card);
        grid->setSpacing(2);
        for (int i = 0; i < group.count; ++i) {
            auto* pin = new CPinButton(group.firstPin + i, PinPlace(group, i));
            connect(pin, &CPinButton::LevelChosen, this, [this](int p, bool on) {
                board_.SetInputs({{p, on}});
            });
            grid->addWidget(pin, i / kPinsPerRow, i % kPinsPerRow);
            inputs_.push_back(pin);
        }
        grid->setColumnStretch(kPinsPerRow, 1);
        layout->addWidget(card);
    }
    return box;
}

QWidget* CBoardWindow::BuildKnobs(const std::vector<KnobPins>& knobs) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    int number = 0;
    for (const auto& [a, b] : KnobPinPairs(knobs)) {
        ++number;
        auto* group = new QGroupBox(QStringLiteral("Knob %1").arg(number));
        auto* column = new QVBoxLayout(group);
        auto* knob = new CKnob;
        knob->setObjectName(QStringLiteral("knob-%1").arg(number));
        knob->setAccessibleName(QStringLiteral("Knob %1").arg(number));
        column->addWidget(knob, 0, Qt::AlignHCenter);
        auto* pins = new QFormLayout;
        auto* pinA = new QSpinBox;
        auto* pinB = new QSpinBox;
        for (auto [spin, pin, contact] : {std::tuple{pinA, a, 'A'}, std::tuple{pinB, b, 'B'}}) {
            spin->setRange(kFirstPin, kLastPin);
            spin->setValue(pin);
            spin->setToolTip(QStringLiteral("The input pin of the knob's %1 contact").arg(contact));
            pins->addRow(QStringLiteral("Pin %1").arg(contact), spin);
        }
        column->addLayout(pins);
        connect(knob, &CKnob::Turned, this, [this, pinA, pinB](int detents) {
            board_.TurnEncoder(pinA->value(), pinB->value(), detents);
        });
        row->addWidget(group);
    }
    row->addStretch(1);
    return box;
}

QWidget* CBoardWindow::BuildAnalog() {
    auto* box = new QGroupBox(QStringLiteral("Channels (the value the scripts read)"));
    auto* grid = new QGridLayout(box);
    for (int channel = 1; channel <= AnalogChannels(kind_); ++channel) {
        auto* label = new QLabel(QStringLiteral("&%1").arg(channel));
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setObjectName(QStringLiteral("analog-%1").arg(channel));
        slider->setAccessibleName(QStringLiteral("Analog channel %1").arg(channel));
        slider->setRange(0, kAnalogMax);
        slider->setPageStep(64);
        label->setBuddy(slider);
        auto* value = new QLabel(QStringLiteral("0"));
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(slider, &QSlider::valueChanged, this,
                [this, channel](int v) { SendAnalog(channel, v); });
        grid->addWidget(label, channel - 1, 0);
        grid->addWidget(slider, channel - 1, 1);
        grid->addWidget(value, channel - 1, 2);
        analog_.push_back({channel, slider, value});
    }
    adcMask_ = new QLabel;
    grid->addWidget(adcMask_, AnalogChannels(kind_), 0, 1, 3);
    return box;
}

QWidget* CBoardWindow::BuildOutputs() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (const PinGroup& group : OutputGroups(board_.Options())) {
        auto* card = new QGroupBox(ToQString(group.title));
        auto* grid = new QGridLayout(card);
        grid->setSpacing(2);
        for (int i = 0; i < group.count; ++i) {
            auto* led = new CLed(group.firstPin + i, PinPlace(group, i));
            grid->addWidget(led, i / kPinsPerRow, i % kPinsPerRow);
            leds_.push_back(led);
        }
        grid->setColumnStretch(kPinsPerRow, 1);
        layout->addWidget(card);
    }
    return box;
}

QWidget* CBoardWindow::BuildDisplays() {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int addr : DisplayCards(board_.Options())) {
        auto* display = new CSegmentDisplay(addr);
        auto* card = new QGroupBox(QStringLiteral("%1, digits %2-%3")
                                       .arg(ToQString(ExtensionLongName(addr)))
                                       .arg(display->FirstDigit())
                                       .arg(display->FirstDigit() + CSegmentDisplay::kDigits - 1));
        auto* inside = new QVBoxLayout(card);
        inside->addWidget(display);
        layout->addWidget(card);
        displays_.push_back(display);
    }
    return box;
}

QWidget* CBoardWindow::BuildServos() {
    auto* box = new QGroupBox(QStringLiteral("Positions 0-255 (grey: not powered)"));
    auto* grid = new QGridLayout(box);
    for (int servo = 1; servo <= kServoCount; ++servo) {
        auto* gauge = new CServoGauge(servo);
        grid->addWidget(gauge, (servo - 1) / kServosPerRow, (servo - 1) % kServosPerRow);
        servos_.push_back(gauge);
    }
    return box;
}

void CBoardWindow::TogglePlug() {
    if (board_.Image().plugged) {
        board_.Stop();
    } else if (!board_.Start()) {
        status_->setText(QStringLiteral("Could not plug in: the board's sockets cannot be made"));
        return;
    }
    Refresh(true);
}

void CBoardWindow::SendAnalog(int channel, int value) {
    board_.SetAnalog(channel, AnalogWord(kind_, value));
    for (const AnalogControls& a : analog_) {
        if (a.channel == channel) a.value->setNum(value);
    }
}

void CBoardWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh(true);
    refreshTimer_.start();
}

void CBoardWindow::hideEvent(QHideEvent* event) {
    refreshTimer_.stop();
    QWidget::hideEvent(event);
}

void CBoardWindow::Refresh(bool force) {
    const uint64_t changes = board_.ChangeCount();
    if (!force && changes == seenChanges_) return;
    seenChanges_ = changes;  // taken before the image, so a change in between is seen next time
    ShowImage(board_.Image());
}

void CBoardWindow::ShowImage(const BoardImage& image) {
    // An unplugged board has no power: its lamps and digits are dark, its switches stay put.
    static const BoardImage kDark{};
    const BoardImage& shown = image.plugged ? image : kDark;
    for (CPinButton* pin : inputs_) {
        const PinBit bit = InputBit(pin->Pin());
        pin->ShowLevel((image.inputs[bit.byte] & bit.mask) != 0);
    }
    for (CLed* led : leds_) {
        const PinBit bit = OutputBit(led->Pin());
        led->SetLit((shown.outputs[bit.byte] & bit.mask) != 0);
    }
    for (size_t i = 0; i < displays_.size(); ++i) {
        const auto card =
            static_cast<size_t>((displays_[i]->FirstDigit() - 1) / CSegmentDisplay::kDigits);
        displays_[i]->SetCodes(shown.displays[card].data() + 3);
    }
    QStringList enabled;
    for (const AnalogControls& a : analog_) {
        if (!a.slider->isSliderDown()) {
            const QSignalBlocker quiet(a.slider);
            a.slider->setValue(AnalogReading(kind_, image, a.channel));
            a.value->setNum(a.slider->value());
        }
        if (image.adcMask & (1u << (a.channel - 1))) enabled << QString::number(a.channel);
    }
    adcMask_->setText(QStringLiteral("Channels the panel has switched on: %1")
                          .arg(enabled.isEmpty() ? QStringLiteral("none") : enabled.join(", ")));
    for (size_t i = 0; i < servos_.size(); ++i)
        servos_[i]->Show(shown.servos[i], (shown.servoEnable >> i) & 1);

    if (!image.plugged) {
        status_->setText(QStringLiteral("Unplugged: the panel cannot see the board"));
    } else if (image.panels == 0) {
        status_->setText(QStringLiteral("Plugged in, waiting for the panel to open the board"));
    } else {
        status_->setText(QStringLiteral("Plugged in, the panel has the board open"));
    }
    plug_->setText(image.plugged ? QStringLiteral("&Unplug") : QStringLiteral("&Plug in"));
}

}  // namespace orva::sim
