#include "SegmentDisplay.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace orva::sim {
namespace {

constexpr int kBlock = 8;  // digits of one block byte, drawn a little apart
constexpr int kPerRow = 16;
constexpr int kRows = CSegmentDisplay::kDigits / kPerRow;
constexpr int kGapsPerRow = kPerRow / kBlock - 1;

// A segment as a stretched hexagon from one point to another along its axis.
QPolygonF Bar(QPointF from, QPointF to, qreal thickness) {
    const qreal h = thickness / 2;
    if (from.y() == to.y()) {
        return QPolygonF({from,
                          {from.x() + h, from.y() - h},
                          {to.x() - h, to.y() - h},
                          to,
                          {to.x() - h, to.y() + h},
                          {from.x() + h, from.y() + h}});
    }
    return QPolygonF({from,
                      {from.x() + h, from.y() + h},
                      {to.x() + h, to.y() - h},
                      to,
                      {to.x() - h, to.y() - h},
                      {from.x() - h, from.y() + h}});
}

}  // namespace

CSegmentDisplay::CSegmentDisplay(int addr, QWidget* parent)
    : QWidget(parent), addr_(addr), firstDigit_((addr - 15) * kDigits + 1) {
    setObjectName(QStringLiteral("display-%1").arg(addr));
    setAccessibleName(QStringLiteral("Display card ADDR %1").arg(addr));
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void CSegmentDisplay::SetCodes(const uint8_t* codes) {
    if (std::equal(codes_.begin(), codes_.end(), codes)) return;
    std::copy(codes, codes + kDigits, codes_.begin());
    update();
}

CSegmentDisplay::Metrics CSegmentDisplay::Measure() const {
    const qreal line = fontMetrics().height();
    Metrics m{};
    m.digitHeight = 2.4 * line;
    m.digitWidth = 0.5 * m.digitHeight;
    m.thickness = 0.2 * m.digitWidth;
    m.cellWidth = m.digitWidth + 2.2 * m.thickness;  // room for the decimal point
    m.blockGap = 0.5 * m.digitWidth;
    m.margin = 0.4 * line;
    m.labelHeight = QFontMetricsF(LabelFont()).height();
    return m;
}

QFont CSegmentDisplay::LabelFont() const {
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    return small;
}

QSize CSegmentDisplay::sizeHint() const {
    const Metrics m = Measure();
    const qreal width = 2 * m.margin + kPerRow * m.cellWidth + kGapsPerRow * m.blockGap;
    const qreal height = kRows * (2 * m.margin + m.digitHeight + m.labelHeight);
    return {qCeil(width), qCeil(height)};
}

QRectF CSegmentDisplay::DigitRect(int position) const {
    const Metrics m = Measure();
    const qreal left = std::max(0.0, (width() - sizeHint().width()) / 2.0) + m.margin;
    const int column = position % kPerRow;
    const int row = position / kPerRow;
    const int gapsBefore = column / kBlock;
    const qreal x = left + column * m.cellWidth + gapsBefore * m.blockGap;
    const qreal y = row * (2 * m.margin + m.digitHeight + m.labelHeight);
    return {x + m.thickness / 2, y + m.margin, m.digitWidth, m.digitHeight};
}

QPolygonF CSegmentDisplay::SegmentShape(const QRectF& d, int bit) const {
    const qreal t = Measure().thickness;
    const qreal gap = t * 0.2;
    const qreal left = d.left() + t / 2, right = d.right() - t / 2;
    const qreal top = d.top() + t / 2, bottom = d.bottom() - t / 2, mid = d.center().y();
    switch (bit) {
        case 6:  // a
            return Bar({left + gap, top}, {right - gap, top}, t);
        case 5:  // b
            return Bar({right, top + gap}, {right, mid - gap}, t);
        case 4:  // c
            return Bar({right, mid + gap}, {right, bottom - gap}, t);
        case 3:  // d
            return Bar({left + gap, bottom}, {right - gap, bottom}, t);
        case 2:  // e
            return Bar({left, mid + gap}, {left, bottom - gap}, t);
        case 1:  // f
            return Bar({left, top + gap}, {left, mid - gap}, t);
        case 0:  // g
            return Bar({left + gap, mid}, {right - gap, mid}, t);
        default: {  // the decimal point, right of the digit's foot
            const QPointF c(d.right() + t, bottom);
            const qreal r = t * 0.6;
            return QPolygonF(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
        }
    }
}

QPoint CSegmentDisplay::SegmentPoint(int position, int bit) const {
    return SegmentShape(DigitRect(position), bit).boundingRect().center().toPoint();
}

int CSegmentDisplay::PositionAt(QPoint at) const {
    const Metrics m = Measure();
    for (int k = 0; k < kDigits; ++k) {
        const QRectF r = DigitRect(k);
        const QRectF cell(r.left() - m.thickness / 2, r.top() - m.margin, m.cellWidth,
                          r.height() + 2 * m.margin + m.labelHeight);
        if (cell.contains(at)) return k;
    }
    return -1;
}

void CSegmentDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Metrics m = Measure();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(16, 16, 16));
    for (int row = 0; row < kRows; ++row) {
        const QRectF first = DigitRect(row * kPerRow),
                     last = DigitRect(row * kPerRow + kPerRow - 1);
        p.drawRoundedRect(QRectF(first.left() - m.thickness / 2 - m.margin, first.top() - m.margin,
                                 last.right() - first.left() + m.thickness * 2.2 + 2 * m.margin,
                                 m.digitHeight + 2 * m.margin),
                          m.margin, m.margin);
    }
    for (int k = 0; k < kDigits; ++k) {
        const QRectF digit = DigitRect(k);
        const uint8_t code = codes_[static_cast<size_t>(k)];
        for (int bit = 0; bit <= kDecimalPointBit; ++bit) {
            const bool lit = (code >> bit) & 1;
            p.setBrush(lit ? LitColour() : DarkColour());
            if (bit == kDecimalPointBit) {
                p.drawEllipse(SegmentShape(digit, bit).boundingRect());
            } else {
                p.drawPolygon(SegmentShape(digit, bit));
            }
        }
    }
    p.setFont(LabelFont());
    p.setPen(palette().color(QPalette::WindowText));
    for (int k = 0; k < kDigits; ++k) {
        const QRectF digit = DigitRect(k);
        const QRectF label(digit.left() - m.thickness / 2, digit.bottom() + m.margin, m.cellWidth,
                           m.labelHeight);
        p.drawText(label, Qt::AlignCenter, QString::number(firstDigit_ + k));
    }
}

bool CSegmentDisplay::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int k = PositionAt(help->pos());
    if (k < 0) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(),
                           QStringLiteral("Digit %1 (ADDR %2, position %3): code 0x%4")
                               .arg(firstDigit_ + k)
                               .arg(addr_)
                               .arg(k)
                               .arg(codes_[static_cast<size_t>(k)], 2, 16, QLatin1Char('0')),
                           this);
    }
    return true;
}

}  // namespace orva::sim
