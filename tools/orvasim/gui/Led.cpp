#include "Led.h"

#include <QPainter>

namespace orva::sim {

CLed::CLed(int pin, const QString& where, QWidget* parent)
    : QWidget(parent), pin_(pin), where_(where) {
    setObjectName(QStringLiteral("output-%1").arg(pin));
    setAccessibleName(QStringLiteral("Output %1").arg(pin));
    Describe();
}

void CLed::SetLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    Describe();
    update();
}

void CLed::Describe() {
    const QString state = lit_ ? QStringLiteral("on") : QStringLiteral("off");
    setToolTip(QStringLiteral("Output %1 (%2): %3").arg(pin_).arg(where_, state));
    setAccessibleDescription(state);
}

QSize CLed::sizeHint() const {
    const QFontMetrics fm(font());
    const int height = fm.height() + fm.height() / 2;
    return {std::max(fm.horizontalAdvance(QStringLiteral("888")) + fm.height(), height), height};
}

void CLed::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const qreal radius = box.height() / 3;
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.setBrush(lit_ ? LitColour() : QColor(70, 70, 70));
    p.drawRoundedRect(box, radius, radius);
    p.setPen(lit_ ? QColor(20, 20, 20) : QColor(170, 170, 170));
    p.drawText(box, Qt::AlignCenter, QString::number(pin_));
}

}  // namespace orva::sim
