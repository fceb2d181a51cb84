// A rotary encoder's knob: a click on either half or a wheel notch turns it one detent, a
// drag sideways turns it fast, and the arrow keys turn it from the keyboard.
#pragma once

#include <QWidget>

namespace orva::sim {

class CKnob final : public QWidget {
    Q_OBJECT

public:
    explicit CKnob(QWidget* parent = nullptr);

    // Net detents turned so far, forward positive.
    int Detents() const { return detents_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void Turned(int detents);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Turn(int detents);
    int DragStep() const;

    int detents_ = 0;
    int wheelAngle_ = 0;  // eighths of a degree not yet made into a detent
    bool pressed_ = false;
    bool dragging_ = false;
    int pressX_ = 0;
    int dragTurned_ = 0;  // detents this drag has turned
};

}  // namespace orva::sim
