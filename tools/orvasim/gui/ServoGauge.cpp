#include "ServoGauge.h"

#include <QPainter>
#include <QtMath>

namespace orva::sim {

CServoGauge::CServoGauge(int servo, QWidget* parent) : QWidget(parent), servo_(servo) {
    setObjectName(QStringLiteral("servo-%1").arg(servo));
    setAccessibleName(QStringLiteral("Servo %1").arg(servo));
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    Describe();
}

void CServoGauge::Show(int position, bool powered) {
    if (position == position_ && powered == powered_) return;
    position_ = position;
    powered_ = powered;
    Describe();
    update();
}

void CServoGauge::Describe() {
    const QString text =
        QStringLiteral("Servo %1: position %2 of 255, %3")
            .arg(servo_)
            .arg(position_)
            .arg(powered_ ? QStringLiteral("powered") : QStringLiteral("not powered"));
    setToolTip(text);
    setAccessibleDescription(text);
}

QSize CServoGauge::sizeHint() const {
    const int line = fontMetrics().height();
    return {6 * line, 5 * line};
}

void CServoGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const int line = fontMetrics().height();
    const qreal r = std::min(width() / 2.0, height() - 1.5 * line) - 4;
    const QPointF centre(width() / 2.0, 4 + r);
    p.setPen(QPen(pal.color(QPalette::Dark), 1.5));
    p.setBrush(pal.color(QPalette::Base));
    p.drawPie(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 0, 180 * 16);
    // Position 0 lies to the left, 255 to the right, as a dial reads.
    const auto direction = [](int position) {
        const qreal angle = qDegreesToRadians(180.0 - position * 180.0 / 255.0);
        return QPointF(std::cos(angle), -std::sin(angle));
    };
    for (int tick = 0; tick <= 8; ++tick) {
        const QPointF d = direction(tick * 255 / 8);
        p.drawLine(centre + d * r * 0.85, centre + d * r);
    }
    const QColor needle = powered_ ? QColor(200, 30, 30) : pal.color(QPalette::Mid);
    p.setPen(QPen(needle, std::max(2.0, r / 12), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + direction(position_) * r * 0.9);
    p.setPen(pal.color(powered_ ? QPalette::WindowText : QPalette::PlaceholderText));
    p.drawText(QRectF(0, centre.y() + 2, width(), 1.5 * line), Qt::AlignCenter,
               QStringLiteral("%1: %2%3").arg(servo_).arg(position_).arg(powered_ ? "" : " (off)"));
}

}  // namespace orva::sim
