// One digital input of the simulated board: a latching switch, or a push button that is on
// only while held.
#pragma once

#include <QAbstractButton>

namespace orva::sim {

class CPinButton final : public QAbstractButton {
    Q_OBJECT

public:
    CPinButton(int pin, const QString& where, QWidget* parent = nullptr);

    int Pin() const { return pin_; }
    bool IsPushButton() const { return !isCheckable(); }
    void SetPushButton(bool push);
    // The level the board holds, whoever set it.
    void ShowLevel(bool on);
    bool ShownLevel() const { return level_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // The user set the input to this level.
    void LevelChosen(int pin, bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Choose(bool on);
    void UpdateToolTip();

    int pin_;
    QString where_;
    bool level_ = false;
    bool heldByShift_ = false;  // a switch pressed with Shift acts as a push button this once
};

}  // namespace orva::sim
