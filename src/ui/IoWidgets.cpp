#include "ui/IoWidgets.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace orva {
namespace {

constexpr int kColumns = 16;
constexpr int kCellWidth = 34;
constexpr int kCellHeight = 36;
constexpr int kLamp = 16;

const QColor kInputOn(60, 200, 80);
const QColor kOutputOn(255, 150, 30);
const QColor kOff(70, 74, 80);
const QColor kFlash(250, 230, 90);
const QColor kMark(220, 40, 40);

}  // namespace

CPinGrid::CPinGrid(int firstPin, int count, bool outputs, QWidget* parent)
    : QWidget(parent),
      firstPin_(firstPin),
      count_(count),
      outputs_(outputs),
      cells_(static_cast<size_t>(count)) {
    if (outputs_) setCursor(Qt::PointingHandCursor);
}

QSize CPinGrid::sizeHint() const {
    const int rows = (count_ + kColumns - 1) / kColumns;
    return {kColumns * kCellWidth, rows * kCellHeight};
}

QRect CPinGrid::CellRect(int index) const {
    return {(index % kColumns) * kCellWidth, (index / kColumns) * kCellHeight, kCellWidth,
            kCellHeight};
}

QPoint CPinGrid::CellCentre(int pin) const {
    const QRect r = CellRect(pin - firstPin_);
    return {r.center().x(), r.top() + 4 + kLamp / 2};
}

int CPinGrid::PinAt(QPoint at) const {
    const int column = at.x() / kCellWidth;
    const int index = (at.y() / kCellHeight) * kColumns + column;
    return column < kColumns && index >= 0 && index < count_ ? firstPin_ + index : -1;
}

void CPinGrid::SetCells(const std::vector<Cell>& cells) {
    bool same = cells.size() == cells_.size();
    for (size_t i = 0; same && i < cells.size(); ++i) {
        same = cells[i].on == cells_[i].on && cells[i].flash == cells_[i].flash &&
               cells[i].marked == cells_[i].marked && cells[i].testing == cells_[i].testing;
    }
    if (same) return;
    cells_ = cells;
    update();
}

void CPinGrid::SetNames(const std::map<int, std::u16string>& names) {
    names_.clear();
    for (const auto& [pin, name] : names) {
        if (pin >= firstPin_ && pin < firstPin_ + count_) names_[pin] = name;
    }
    update();
}

void CPinGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    p.setFont(small);
    for (int i = 0; i < count_; ++i) {
        const Cell& c = cells_[static_cast<size_t>(i)];
        const QRect cell = CellRect(i);
        const QRectF lamp(cell.center().x() - kLamp / 2.0, cell.top() + 4, kLamp, kLamp);
        p.setPen(QPen(c.marked ? kMark : (c.flash ? kFlash : QColor(30, 30, 30)),
                      c.marked || c.flash ? 3 : 1));
        p.setBrush(c.on ? (outputs_ ? kOutputOn : kInputOn) : kOff);
        p.drawEllipse(lamp);
        if (c.testing) {
            p.setPen(Qt::NoPen);
            p.setBrush(palette().color(QPalette::Highlight));
            p.drawEllipse(QRectF(lamp.right() - 3, lamp.top() - 2, 6, 6));
        }
        const int pin = firstPin_ + i;
        p.setPen(palette().color(names_.count(pin) ? QPalette::Link : QPalette::WindowText));
        p.drawText(QRect(cell.left(), cell.top() + kLamp + 5, cell.width(), 14),
                   Qt::AlignHCenter | Qt::AlignTop, QString::number(pin));
    }
}

void CPinGrid::mousePressEvent(QMouseEvent* event) {
    const int pin = PinAt(event->position().toPoint());
    if (outputs_ && pin >= 0 && event->button() == Qt::LeftButton && onClick) onClick(pin);
}

bool CPinGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const int pin = PinAt(help->pos());
        if (pin < 0) return true;
        QString tip = QStringLiteral("Pin %1").arg(pin);
        if (const auto it = names_.find(pin); it != names_.end()) {
            tip += QStringLiteral(": ") + QString::fromStdU16String(it->second);
        }
        const Cell& c = cells_[static_cast<size_t>(pin - firstPin_)];
        if (outputs_) tip += QStringLiteral("\nClick to switch it for a test.");
        if (c.marked) tip += QStringLiteral("\nA script changed this output during your test.");
        QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

CSegmentRow::CSegmentRow(int firstDigit, QWidget* parent)
    : QWidget(parent), firstDigit_(firstDigit), codes_(32, 0) {}

QSize CSegmentRow::sizeHint() const {
    return {32 * 22, 44};
}

void CSegmentRow::SetCodes(const std::vector<uint8_t>& codes) {
    if (codes == codes_) return;
    codes_ = codes;
    update();
}

void CSegmentRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(15, 15, 15));
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width() / 32.0;
    const double h = height() - 12.0;
    for (size_t i = 0; i < codes_.size(); ++i) {
        const uint8_t code = codes_[i];
        const double x = i * w + w * 0.2;
        const double dw = w * 0.55;
        const double top = 3;
        const double mid = top + (h - 3) / 2;
        const double bottom = h;
        // a, b, c, d, e, f, g as bits 6 to 0.
        const QLineF segments[7] = {{x, top, x + dw, top},         {x + dw, top, x + dw, mid},
                                    {x + dw, mid, x + dw, bottom}, {x, bottom, x + dw, bottom},
                                    {x, mid, x, bottom},           {x, top, x, mid},
                                    {x, mid, x + dw, mid}};
        for (int s = 0; s < 7; ++s) {
            const bool lit = (code & (0x40 >> s)) != 0;
            p.setPen(QPen(lit ? QColor(255, 60, 40) : QColor(45, 20, 20), 2.4, Qt::SolidLine,
                          Qt::RoundCap));
            p.drawLine(segments[s]);
        }
        p.setPen(Qt::NoPen);
        p.setBrush((code & 0x80) ? QColor(255, 60, 40) : QColor(45, 20, 20));
        p.drawEllipse(QPointF(x + dw + w * 0.15, bottom), 1.6, 1.6);
        p.setPen(QColor(130, 130, 130));
        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.6);
        p.setFont(small);
        p.drawText(QRectF(i * w, h + 1, w, 11), Qt::AlignCenter,
                   QString::number(firstDigit_ + static_cast<int>(i)));
    }
}

CAnalogPlot::CAnalogPlot(QWidget* parent) : QWidget(parent) {}

QSize CAnalogPlot::sizeHint() const {
    return {320, 48};
}

void CAnalogPlot::SetSamples(std::vector<std::pair<double, int>> samples, double span,
                             int maximum) {
    samples_ = std::move(samples);
    span_ = span;
    maximum_ = maximum > 0 ? maximum : 1;
    update();
}

void CAnalogPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(25, 28, 32));
    if (samples_.empty()) return;
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    for (size_t i = 0; i < samples_.size(); ++i) {
        const auto& [age, value] = samples_[i];
        const double x = width() * (1.0 - age / span_);
        const double y = (height() - 2) * (1.0 - static_cast<double>(value) / maximum_) + 1;
        if (i == 0) {
            path.moveTo(x, y);
        } else {
            path.lineTo(x, y);
        }
    }
    p.setPen(QPen(QColor(66, 152, 176), 1.6));
    p.drawPath(path);
}

}  // namespace orva
