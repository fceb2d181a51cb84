#include "PinButton.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace orva::sim {

CPinButton::CPinButton(int pin, const QString& where, QWidget* parent)
    : QAbstractButton(parent), pin_(pin), where_(where) {
    setObjectName(QStringLiteral("input-%1").arg(pin));
    setText(QString::number(pin));
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Input %1").arg(pin));
    // clicked() comes only from the user, never from ShowLevel's setChecked.
    connect(this, &QAbstractButton::clicked, this, [this](bool checked) {
        if (isCheckable()) Choose(checked);
    });
    connect(this, &QAbstractButton::pressed, this, [this] {
        if (!isCheckable()) Choose(true);
    });
    connect(this, &QAbstractButton::released, this, [this] {
        if (!isCheckable()) Choose(false);
    });
    UpdateToolTip();
}

void CPinButton::SetPushButton(bool push) {
    setCheckable(!push);
    if (!push) setChecked(level_);
    UpdateToolTip();
    update();
    if (push && level_) Choose(false);  // a push button at rest is off
}

void CPinButton::ShowLevel(bool on) {
    if (isCheckable()) setChecked(on);
    if (level_ == on) return;
    level_ = on;
    update();
}

void CPinButton::Choose(bool on) {
    ShowLevel(on);
    emit LevelChosen(pin_, on);
}

void CPinButton::UpdateToolTip() {
    setToolTip(QStringLiteral("Input %1 (%2): %3")
                   .arg(pin_)
                   .arg(where_, IsPushButton() ? QStringLiteral("push button, on while held")
                                               : QStringLiteral("switch; Shift+click pushes it")));
}

QSize CPinButton::sizeHint() const {
    const QFontMetrics fm(font());
    const int height = fm.height() + fm.height() / 2;
    return {std::max(fm.horizontalAdvance(QStringLiteral("888")) + fm.height(), height), height};
}

void CPinButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool shownOn = level_ || isDown();
    QColor fill =
        shownOn ? palette().color(QPalette::Highlight) : palette().color(QPalette::Button);
    if (!isEnabled()) fill = palette().color(QPalette::Window);
    if (isDown()) fill = fill.darker(120);
    p.setPen(QPen(hasFocus() ? palette().color(QPalette::Highlight).darker(150)
                             : palette().color(QPalette::Mid),
                  hasFocus() ? 2.0 : 1.0));
    p.setBrush(fill);
    // Push buttons are round at the ends, switches square-cornered, so the two read apart.
    const qreal radius = IsPushButton() ? box.height() / 2 : box.height() / 6;
    p.drawRoundedRect(box, radius, radius);
    p.setPen(palette().color(shownOn ? QPalette::HighlightedText : QPalette::ButtonText));
    p.drawText(box, Qt::AlignCenter, text());
}

void CPinButton::mousePressEvent(QMouseEvent* event) {
    if (isCheckable() && event->button() == Qt::LeftButton &&
        (event->modifiers() & Qt::ShiftModifier)) {
        heldByShift_ = true;
        setDown(true);
        emit LevelChosen(pin_, true);
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void CPinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (heldByShift_ && event->button() == Qt::LeftButton) {
        heldByShift_ = false;
        setDown(false);
        emit LevelChosen(pin_, isChecked());  // back to where the switch stands
        event->accept();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void CPinButton::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* push = menu.addAction(QStringLiteral("&Push button (on only while held)"));
    push->setCheckable(true);
    push->setChecked(IsPushButton());
    if (menu.exec(event->globalPos()) == push) SetPushButton(push->isChecked());
}

}  // namespace orva::sim
