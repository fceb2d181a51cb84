#include "ui/CalcPinIdDlg.h"

#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "card/PinIds.h"
#include "platform/Text.h"
#include "ui/Buttons.h"
#include "ui/text/PinLearning.h"

namespace orva {
namespace {

constexpr int kLastIoCard = 14;  // ADDR 15 and up hold displays; 15 names the main board here

}  // namespace

CCalcPinIdDlg::CCalcPinIdDlg(IHidBackend& backend, std::u16string serial, QWidget* parent)
    : QDialog(parent),
      serial_(std::move(serial)),
      tool_(backend, CCardTool::OnFinish::AdcOffThenClose,
            {[this](const Notification& n) { CardNotification(n); },
             [this] {
                 if (started_) LookForCard(false);
             }}) {
    setWindowTitle(QStringLiteral("Calculate I/O pin ID tool"));
    BuildWindow();
    ClearLists();
}

CCalcPinIdDlg::~CCalcPinIdDlg() = default;

void CCalcPinIdDlg::BuildWindow() {
    cards_ = new QComboBox(this);
    cards_->setObjectName(QStringLiteral("cards"));
    pins_ = new QComboBox(this);
    pins_->setObjectName(QStringLiteral("pins"));
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("result"));
    result_->setTextFormat(Qt::PlainText);
    result_->setMinimumWidth(result_->fontMetrics().averageCharWidth() * 36);
    // The ampersand is doubled so that it shows.
    copy_ = MakeButton(QStringLiteral("Copy &&  Exit"), "copy", this, true);
    cancel_ = MakeButton(QStringLiteral("Cancel"), "cancel", this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("CARD &Extension:"), cards_);
    form->addRow(QStringLiteral("&Input or Output pin:"), pins_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copy_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(result_);
    layout->addLayout(buttons);

    connect(cards_, &QComboBox::currentIndexChanged, this, [this] { FillPins(); });
    connect(pins_, &QComboBox::currentIndexChanged, this, [this] { ShowPin(); });
    connect(copy_, &QPushButton::clicked, this, [this] { CopyAndExit(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CCalcPinIdDlg::done(int result) {
    tool_.Finish();
    QDialog::done(result);
}

void CCalcPinIdDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    LookForCard(true);
}

// Main boards only: the other kind has no pins to calculate.
void CCalcPinIdDlg::LookForCard(bool atStart) {
    ClearLists();
    if (!tool_.LookForCard(PID_USBMAIN, serial_)) {
        result_->setText(QString::fromStdU16String(
            atStart ? Format(u"Card %s not found...", serial_) : u"Card not found..."));
        return;
    }
    tool_.OpenCard(PID_USBMAIN, serial_);
    COrvaCard& card = tool_.Card();
    card.ClearVersion();
    card.SendCommand(CMD_GET_INFO, 0);
    card.SetAdcMask(0);
    result_->setText(QStringLiteral("Waiting for card info..."));
}

void CCalcPinIdDlg::CardNotification(const Notification& n) {
    if (n.message != WM_CARD_INFO || n.lParam != 255 || inCardInfo_) return;
    inCardInfo_ = true;
    COrvaCard& card = tool_.Card();
    card.SendCommand(CMD_INFO_DONE, 0);
    {
        const QSignalBlocker blocker(cards_);
        cards_->clear();
        cards_->addItem(QString::fromStdU16String(Format(u"Orva MAIN Serial %s", card.GetSerial())),
                        kMainBoardAddr);
        for (int addr : CCardTool::PresentExtensions(card)) {
            if (addr <= kLastIoCard) {
                cards_->addItem(QString::fromStdU16String(ExtensionLongName(addr)), addr);
            }
        }
        cards_->setCurrentIndex(0);
    }
    FillPins();
    cards_->setEnabled(true);
    pins_->setEnabled(true);
    if (!pins_->hasFocus()) cards_->setFocus();
    inCardInfo_ = false;
}

void CCalcPinIdDlg::ClearLists() {
    {
        const QSignalBlocker cards(cards_);
        const QSignalBlocker pins(pins_);
        cards_->clear();
        pins_->clear();
    }
    cards_->setEnabled(false);
    pins_->setEnabled(false);
    ShowPin();
}

void CCalcPinIdDlg::FillPins() {
    {
        const QSignalBlocker blocker(pins_);
        pins_->clear();
        for (const PinChoice& choice : PinChoices(cards_->currentData().toInt())) {
            pins_->addItem(QString::fromStdU16String(choice.text), choice.value);
        }
        pins_->setCurrentIndex(pins_->count() > 0 ? 0 : -1);
    }
    ShowPin();
}

void CCalcPinIdDlg::ShowPin() {
    if (pins_->currentIndex() < 0) {
        pinId_ = 0;
        copy_->setEnabled(false);
        return;
    }
    pinId_ = ToolPinId(cards_->currentData().toInt(), pins_->currentData().toInt());
    result_->setText(QString::fromStdU16String(Format(u"Selected PIN Id is: %d", pinId_)));
    copy_->setEnabled(true);
}

void CCalcPinIdDlg::CopyAndExit() {
    if (pinId_ == 0) return;
    QGuiApplication::clipboard()->setText(QString::number(pinId_));
    accept();
}

}  // namespace orva
