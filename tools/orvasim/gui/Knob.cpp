#include "Knob.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QtMath>

namespace orva::sim {
namespace {

constexpr int kWheelNotch = 120;  // angleDelta of one notch of a common mouse wheel
constexpr qreal kDegreesPerDetent = 15;
constexpr int kPageDetents = 10;

}  // namespace

CKnob::CKnob(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral(
        "Click the left half to turn back one detent, the right half to turn forward one.\n"
        "The mouse wheel turns one detent a notch; drag sideways to turn fast.\n"
        "Keys: Left/Right one detent, Page Down/Page Up ten."));
}

QSize CKnob::sizeHint() const {
    const int side = 3 * fontMetrics().height();
    return {side, side};
}

int CKnob::DragStep() const {
    return std::max(4, fontMetrics().height() / 3);
}

void CKnob::Turn(int detents) {
    if (detents == 0) return;
    detents_ += detents;
    update();
    emit Turned(detents);
}

void CKnob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) - 4;
    const QRectF body(QPointF((width() - side) / 2, (height() - side) / 2), QSizeF(side, side));
    const QPalette& pal = palette();
    p.setPen(QPen(hasFocus() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Dark),
                  hasFocus() ? 2.5 : 1.5));
    p.setBrush(pal.color(pressed_ ? QPalette::Midlight : QPalette::Button));
    p.drawEllipse(body);
    // The two halves' meaning, faintly, so a click lands where the user means.
    p.setPen(pal.color(QPalette::PlaceholderText));
    const QRectF half(body.left(), body.top(), body.width() / 2, body.height());
    p.drawText(half.adjusted(side * 0.08, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, "-");
    p.drawText(half.translated(body.width() / 2, 0).adjusted(0, 0, -side * 0.08, 0),
               Qt::AlignRight | Qt::AlignVCenter, "+");
    const qreal angle = qDegreesToRadians(detents_ * kDegreesPerDetent - 90);
    const QPointF centre = body.center();
    const qreal r = side / 2;
    p.setPen(QPen(pal.color(QPalette::ButtonText), std::max(2.0, side / 16), Qt::SolidLine,
                  Qt::RoundCap));
    p.drawLine(centre + QPointF(std::cos(angle), std::sin(angle)) * r * 0.35,
               centre + QPointF(std::cos(angle), std::sin(angle)) * r * 0.85);
}

void CKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = true;
    dragging_ = false;
    pressX_ = qRound(event->position().x());
    dragTurned_ = 0;
    update();
}

void CKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) return;
    const int dx = qRound(event->position().x()) - pressX_;
    if (!dragging_ && std::abs(dx) < QApplication::startDragDistance()) return;
    dragging_ = true;
    const int wanted = dx / DragStep();
    Turn(wanted - dragTurned_);
    dragTurned_ = wanted;
}

void CKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
    pressed_ = false;
    if (!dragging_ && rect().contains(event->position().toPoint()))
        Turn(event->position().x() < width() / 2.0 ? -1 : 1);
    dragging_ = false;
    update();
}

void CKnob::wheelEvent(QWheelEvent* event) {
    // Fine-grained wheels and touchpads send parts of a notch; a detent needs a whole one.
    wheelAngle_ += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    const int notches = wheelAngle_ / kWheelNotch;
    wheelAngle_ -= notches * kWheelNotch;
    Turn(notches);
    event->accept();
}

void CKnob::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
        case Qt::Key_Minus:
            Turn(-1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Plus:
            Turn(1);
            break;
        case Qt::Key_PageDown:
            Turn(-kPageDetents);
            break;
        case Qt::Key_PageUp:
            Turn(kPageDetents);
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace orva::sim
