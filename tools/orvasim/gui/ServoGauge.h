// One servo output of the servo board: a needle over a half dial, at the position last written.
#pragma once

#include <QWidget>

namespace orva::sim {

class CServoGauge final : public QWidget {
    Q_OBJECT

public:
    explicit CServoGauge(int servo, QWidget* parent = nullptr);

    void Show(int position, bool powered);
    int Position() const { return position_; }
    bool Powered() const { return powered_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    int servo_;
    int position_ = 0;
    bool powered_ = false;
};

}  // namespace orva::sim
