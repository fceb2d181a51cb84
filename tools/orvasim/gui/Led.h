// One digital output of the simulated board: lit when the panel's output image sets its pin.
#pragma once

#include <QWidget>

namespace orva::sim {

class CLed final : public QWidget {
    Q_OBJECT

public:
    CLed(int pin, const QString& where, QWidget* parent = nullptr);

    int Pin() const { return pin_; }
    bool IsLit() const { return lit_; }
    void SetLit(bool lit);
    static QColor LitColour() { return {255, 176, 0}; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Describe();

    int pin_;
    QString where_;
    bool lit_ = false;
};

}  // namespace orva::sim
