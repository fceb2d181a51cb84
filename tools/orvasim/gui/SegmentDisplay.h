// The 32 seven-segment digits of one display card, drawn from the display report's codes.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

namespace orva::sim {

class CSegmentDisplay final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDigits = 32;
    static constexpr int kDecimalPointBit = 7;  // bits 6 to 0 are segments a to g

    explicit CSegmentDisplay(int addr, QWidget* parent = nullptr);

    int FirstDigit() const { return firstDigit_; }
    // The codes of the card's digits at positions 0-31, as the display report carries them.
    void SetCodes(const uint8_t* codes);
    uint8_t Code(int position) const { return codes_[static_cast<size_t>(position)]; }
    // A point inside the drawing of one segment (bit 0-7) of the digit at a position.
    QPoint SegmentPoint(int position, int bit) const;
    static QColor LitColour() { return {255, 48, 32}; }
    static QColor DarkColour() { return {64, 12, 8}; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Metrics {
        qreal digitWidth, digitHeight, thickness, cellWidth, blockGap, margin, labelHeight;
    };
    Metrics Measure() const;
    QRectF DigitRect(int position) const;
    QPolygonF SegmentShape(const QRectF& digit, int bit) const;
    QFont LabelFont() const;
    int PositionAt(QPoint at) const;

    int addr_;
    int firstDigit_;
    std::array<uint8_t, kDigits> codes_{};
};

}  // namespace orva::sim
