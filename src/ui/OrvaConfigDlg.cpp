#include "ui/OrvaConfigDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "card/PinIds.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "ui/Buttons.h"
#include "ui/QtUserPrompt.h"
#include "ui/text/PinLearning.h"

namespace orva {

COrvaConfigDlg::COrvaConfigDlg(IHidBackend& backend, CardChoice choice, QWidget* parent)
    : QDialog(parent),
      configured_(std::move(choice)),
      serial_(configured_.serial),
      senseVcc_(configured_.senseVcc),
      tool_(
          backend, CCardTool::OnFinish::CloseOnly,
          {[this](const Notification& n) { CardNotification(n); }, [this] { DevicesChanged(); }}) {
    setWindowTitle(QStringLiteral("Orva Card Selection"));
    BuildWindow();
    name_->setText(QString::fromStdU16String(configured_.cardName));
    ShowSense();
    UpdateOk();
}

COrvaConfigDlg::~COrvaConfigDlg() = default;

void COrvaConfigDlg::BuildWindow() {
    cards_ = new QComboBox(this);
    cards_->setObjectName(QStringLiteral("cards"));
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("cardName"));
    sense_ = new QPushButton(this);
    sense_->setObjectName(QStringLiteral("sense"));
    sense_->setAutoDefault(false);
    senseLabel_ =
        new QLabel(QStringLiteral("The &SENSE jumper (J5) of the card is connected to:"), this);
    senseLabel_->setObjectName(QStringLiteral("senseLabel"));
    senseLabel_->setBuddy(sense_);
    info_ = new QPlainTextEdit(this);
    info_->setObjectName(QStringLiteral("info"));
    info_->setReadOnly(true);
    info_->setMinimumHeight(info_->fontMetrics().lineSpacing() * 9);
    ok_ = MakeButton(QStringLiteral("Ok"), "ok", this, true);
    cancel_ = MakeButton(QStringLiteral("Cancel"), "cancel", this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Orva Card:"), cards_);
    form->addRow(QStringLiteral("Card &Name:"), name_);
    auto* senseRow = new QHBoxLayout;
    senseRow->addWidget(senseLabel_);
    senseRow->addWidget(sense_);
    senseRow->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(senseRow);
    layout->addWidget(info_, 1);
    layout->addLayout(buttons);

    setTabOrder(cards_, name_);
    setTabOrder(name_, sense_);
    setTabOrder(sense_, info_);
    setTabOrder(info_, ok_);
    setTabOrder(ok_, cancel_);

    connect(cards_, &QComboBox::currentIndexChanged, this, [this](int i) { LineChosen(i); });
    connect(name_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
    connect(sense_, &QPushButton::clicked, this, [this] {
        senseVcc_ = !senseVcc_;
        ShowSense();
    });
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    senseLabel_->hide();
    sense_->hide();
    cards_->setFocus();
}

CardChoice COrvaConfigDlg::Choice() const {
    return {serial_, name_->text().toStdU16String(), senseVcc_};
}

void COrvaConfigDlg::done(int result) {
    tool_.Finish();
    QDialog::done(result);
}

void COrvaConfigDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    if (FillList()) OpenCard();
    UpdateOk();
}

// The list of attached boards, with the wanted board's line selected when it is there.
bool COrvaConfigDlg::FillList() {
    const bool present = tool_.LookForCard(-1, serial_);
    const QSignalBlocker blocker(cards_);
    cards_->clear();
    int wanted = -1;
    for (const std::u16string& line : tool_.Lines()) {
        if (SerialOfCardLine(line) == serial_) wanted = cards_->count();
        cards_->addItem(QString::fromStdU16String(line));
    }
    cards_->setCurrentIndex(wanted);
    return present;
}

void COrvaConfigDlg::LineChosen(int index) {
    if (index < 0) return;
    serial_ = SerialOfCardLine(cards_->itemText(index).toStdU16String());
    ReadSettings();
    OpenCard();
    UpdateOk();
}

void COrvaConfigDlg::DevicesChanged() {
    if (!started_) return;  // the first showing looks for the board anyway
    name_->clear();
    senseVcc_ = false;
    ShowSense();
    if (FillList()) {
        ReadSettings();
        OpenCard();
    } else {
        senseLabel_->hide();
        sense_->hide();
        info_->clear();
    }
    UpdateOk();
}

// The configured card starts from what the caller gave; any other from the card settings file.
void COrvaConfigDlg::ReadSettings() {
    if (serial_ == configured_.serial) {
        name_->setText(QString::fromStdU16String(configured_.cardName));
        senseVcc_ = configured_.senseVcc;
    } else {
        const CProfile cards(CardSettingsFile());
        name_->setText(QString::fromStdU16String(cards.ReadString(serial_, u"Alias", u"")));
        senseVcc_ = EqualsNoCase(cards.ReadString(serial_, u"Sense", u"Gnd"), u"vcc");
    }
    ShowSense();
}

void COrvaConfigDlg::OpenCard() {
    COrvaCard& card = tool_.Card();
    const bool opened = tool_.OpenCard(-1, serial_);
    const bool main = opened && card.IsMainBoard();
    senseLabel_->setVisible(main);
    sense_->setVisible(main);
    if (main) {
        card.ClearVersion();
        card.SendCommand(CMD_GET_INFO, 0);
        ShowInfo(u"Waiting for card info...");
    } else if (opened) {
        ShowInfo(BoardInfoText(card.GetProduct(), card.GetSerial(), card.VersionMajor(),
                               card.VersionMinor()));
    } else {
        ShowInfo(u"Waiting for card info...");
    }
    card.SetAdcMask(0);
}

void COrvaConfigDlg::CardNotification(const Notification& n) {
    if (n.message != WM_CARD_INFO || n.lParam != 255 || inCardInfo_) return;
    inCardInfo_ = true;
    COrvaCard& card = tool_.Card();
    card.SendCommand(CMD_INFO_DONE, 0);
    std::vector<std::u16string> names;
    for (int addr : CCardTool::PresentExtensions(card)) names.push_back(ExtensionShortName(addr));
    ShowInfo(MainBoardInfoText(card.GetSerial(), card.CheckCardNumber(), card.VersionMajor(),
                               card.VersionMinor(), names));
    inCardInfo_ = false;
}

void COrvaConfigDlg::ShowSense() {
    sense_->setText(senseVcc_ ? QStringLiteral("VCC") : QStringLiteral("GND"));
}

void COrvaConfigDlg::ShowInfo(const std::u16string& text) {
    info_->setPlainText(CQtUserPrompt::DisplayText(text));
}

// Ok takes an attached board with a name: an empty name would become an empty instance name.
void COrvaConfigDlg::UpdateOk() {
    ok_->setEnabled(cards_->currentIndex() >= 0 && !name_->text().trimmed().isEmpty());
}

}  // namespace orva
