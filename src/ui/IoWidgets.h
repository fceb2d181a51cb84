// The I/O monitor's painted widgets: a card's lamps, a row of seven-segment digits and an
// analog channel's plot. Painting many small things in one widget keeps a refresh cheap.
#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orva {

// The lamps of one card's pins, labelled with their ids; a click on a lamp is reported.
class CPinGrid final : public QWidget {
    Q_OBJECT

public:
    struct Cell {
        bool on = false;
        bool flash = false;   // changed since the last look
        bool marked = false;  // a script changed the output the user is testing
        bool testing = false;
    };
    CPinGrid(int firstPin, int count, bool outputs, QWidget* parent = nullptr);

    // Repaints only when something shown changed.
    void SetCells(const std::vector<Cell>& cells);
    void SetNames(const std::map<int, std::u16string>& names);
    const std::vector<Cell>& Cells() const { return cells_; }
    int FirstPin() const { return firstPin_; }
    // The pin's cell centre, for the tests' clicks.
    QPoint CellCentre(int pin) const;
    std::function<void(int pin)> onClick;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    int PinAt(QPoint at) const;
    QRect CellRect(int index) const;

    int firstPin_;
    int count_;
    bool outputs_;
    std::vector<Cell> cells_;
    std::map<int, std::u16string> names_;
};

// 32 digits of a display card drawn from its segment codes (bit 7 the point, 6-0 a-g).
class CSegmentRow final : public QWidget {
    Q_OBJECT

public:
    explicit CSegmentRow(int firstDigit, QWidget* parent = nullptr);
    void SetCodes(const std::vector<uint8_t>& codes);
    const std::vector<uint8_t>& Codes() const { return codes_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int firstDigit_;
    std::vector<uint8_t> codes_;
};

// The last seconds of one analog channel.
class CAnalogPlot final : public QWidget {
    Q_OBJECT

public:
    explicit CAnalogPlot(QWidget* parent = nullptr);
    // (seconds before now, value) oldest first; span is the seconds the width shows.
    void SetSamples(std::vector<std::pair<double, int>> samples, double span, int maximum);
    const std::vector<std::pair<double, int>>& Samples() const { return samples_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::pair<double, int>> samples_;
    double span_ = 10;
    int maximum_ = 1023;
};

}  // namespace orva
