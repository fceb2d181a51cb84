// The "Calculate I/O pin ID tool" dialog: the pin id of an input or output chosen by card and
// I/O number, from the extension cards the board reports.
#pragma once

#include <QDialog>
#include <string>

#include "app/HelpPages.h"
#include "ui/QtCardTool.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace orva {

class CCalcPinIdDlg final : public QDialog {
    Q_OBJECT

public:
    CCalcPinIdDlg(IHidBackend& backend, std::u16string serial, QWidget* parent = nullptr);
    ~CCalcPinIdDlg() override;

    // The pin id shown; 0 while none is.
    int PinId() const { return pinId_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    void LookForCard(bool atStart);
    void CardNotification(const Notification& n);
    void ClearLists();
    void FillPins();
    void ShowPin();
    void CopyAndExit();

    const std::u16string serial_;
    int pinId_ = 0;
    bool started_ = false;
    bool inCardInfo_ = false;
    CQtCardTool tool_;

    QComboBox* cards_ = nullptr;
    QComboBox* pins_ = nullptr;
    QLabel* result_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* cancel_ = nullptr;
    CHelpPageScope help_{u"card-tools.html#pin-calculator"};  // the local manual only
};

}  // namespace orva
