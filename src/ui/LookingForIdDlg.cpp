#include "ui/LookingForIdDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "ui/QtUserPrompt.h"

namespace orva {
namespace {

CPinLearner::TimePoint Now() {
    return std::chrono::steady_clock::now();
}

}  // namespace

CLookingForIdDlg::CLookingForIdDlg(IHidBackend& backend, std::u16string serial, bool senseVcc,
                                   int mode, QWidget* parent)
    : QDialog(parent),
      serial_(std::move(serial)),
      senseVcc_(senseVcc),
      learner_(mode),
      tool_(backend, CCardTool::OnFinish::AdcOffThenClose,
            {[this](const Notification& n) { CardNotification(n); },
             [this] {
                 if (started_) LookForCard();
             }}) {
    setWindowTitle(QStringLiteral("Looking for ID"));
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("text"));
    text_->setTextFormat(Qt::PlainText);
    text_->setMinimumWidth(text_->fontMetrics().averageCharWidth() * 45);
    text_->setMinimumHeight(text_->fontMetrics().lineSpacing() * 4);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);

    quiet_ = new QTimer(this);
    quiet_->setSingleShot(true);
    quiet_->setTimerType(Qt::PreciseTimer);
    connect(quiet_, &QTimer::timeout, this, [this] { QuietTimeout(); });
    cancel_->setFocus();
}

CLookingForIdDlg::~CLookingForIdDlg() = default;

std::optional<int32_t> CLookingForIdDlg::LookForId(IHidBackend& backend, std::u16string serial,
                                                   bool senseVcc, int mode, QWidget* parent) {
    CLookingForIdDlg dialog(backend, std::move(serial), senseVcc, mode, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Id();
}

void CLookingForIdDlg::done(int result) {
    quiet_->stop();
    tool_.Finish();
    QDialog::done(result);
}

void CLookingForIdDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    LookForCard();
}

// Any kind of board, at the first opening and after a device change alike: a servo board's
// channels are learned after an unplug as well as before it.
void CLookingForIdDlg::LookForCard() {
    quiet_->stop();
    if (!tool_.LookForCard(-1, serial_)) {
        learner_.Stop();
        ShowText(u"Card not found...");
        return;
    }
    if (!tool_.OpenCard(-1, serial_, senseVcc_)) {
        learner_.Stop();
        ShowText(u"Please, wait...");
        return;
    }
    COrvaCard& card = tool_.Card();
    if (card.IsMainBoard()) card.SetAllOutputs(false);
    card.SetAdcMask(learner_.Mode() == kLearnAnalog ? 0xFF : 0);
    learner_.Start(Now());
    Update();
}

void CLookingForIdDlg::CardNotification(const Notification& n) {
    if (n.message == WM_CARD_INPUT) {
        learner_.OnInput(n.wParam, n.lParam, Now());
    } else if (n.message == WM_CARD_ADC) {
        learner_.OnAdc(n.wParam, n.lParam, Now());
    } else {
        return;
    }
    Update();
}

void CLookingForIdDlg::QuietTimeout() {
    learner_.Tick(Now());
    Update();
}

void CLookingForIdDlg::Update() {
    if (const auto id = learner_.Selected()) {
        id_ = *id;
        accept();
        return;
    }
    ShowText(learner_.Text());
    if (const auto until = learner_.QuietUntil()) {
        // Rounded up, so the timer never fires a moment before the period has ended.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Now());
        quiet_->start(static_cast<int>(std::max<int64_t>(left.count(), 0)));
    } else {
        quiet_->stop();
    }
}

void CLookingForIdDlg::ShowText(const std::u16string& text) {
    text_->setText(CQtUserPrompt::DisplayText(text));
}

}  // namespace orva
