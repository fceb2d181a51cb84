// The "Looking for ID" dialog: learns the pin, analog channel or encoder pin the user moves on
// the board, for the event being defined.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "app/HelpPages.h"
#include "ui/QtCardTool.h"
#include "ui/text/PinLearning.h"

class QLabel;
class QPushButton;
class QTimer;

namespace orva {

class CLookingForIdDlg final : public QDialog {
    Q_OBJECT

public:
    // The mode is the event type learned for: 2 digital pin, 3 analog channel, 4 encoder.
    CLookingForIdDlg(IHidBackend& backend, std::u16string serial, bool senseVcc, int mode,
                     QWidget* parent = nullptr);
    ~CLookingForIdDlg() override;

    // The learned id; 0 until something was learned.
    int32_t Id() const { return id_; }

    // Runs the dialog modally: the learned id, or nothing when the user cancelled.
    static std::optional<int32_t> LookForId(IHidBackend& backend, std::u16string serial,
                                            bool senseVcc, int mode, QWidget* parent);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LookForCard();
    void CardNotification(const Notification& n);
    void QuietTimeout();
    void Update();
    void ShowText(const std::u16string& text);

    const std::u16string serial_;
    const bool senseVcc_;
    CPinLearner learner_;
    int32_t id_ = 0;
    bool started_ = false;
    CQtCardTool tool_;

    QLabel* text_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* quiet_ = nullptr;
    CHelpPageScope help_{u"card-tools.html#looking-for-id"};  // the local manual only
};

}  // namespace orva
