// The "Orva Card Selection" dialog: picks an attached board by serial, names it and sets its
// SENSE jumper, describing the board it has opened.
#pragma once

#include <QDialog>
#include <string>

#include "app/ConnectionController.h"
#include "app/HelpPages.h"
#include "ui/QtCardTool.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orva {

class COrvaConfigDlg final : public QDialog {
    Q_OBJECT

public:
    // Starts from the configured card; its settings are the ones given here.
    COrvaConfigDlg(IHidBackend& backend, CardChoice choice, QWidget* parent = nullptr);
    ~COrvaConfigDlg() override;

    // The chosen serial, name and Sense setting; the caller takes them (and stores them) only
    // when the dialog ended with Ok.
    CardChoice Choice() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildWindow();
    bool FillList();
    void LineChosen(int index);
    void DevicesChanged();
    void ReadSettings();
    void OpenCard();
    void CardNotification(const Notification& n);
    void ShowSense();
    void ShowInfo(const std::u16string& text);
    void UpdateOk();

    const CardChoice configured_;
    std::u16string serial_;  // the wanted serial: the configured one until a line is chosen
    bool senseVcc_ = false;
    bool started_ = false;
    bool inCardInfo_ = false;
    CQtCardTool tool_;

    QComboBox* cards_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* senseLabel_ = nullptr;
    QPushButton* sense_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    CHelpPageScope help_{u"card-tools.html#card-selection"};  // the local manual only
};

}  // namespace orva
