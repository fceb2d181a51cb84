// The simulated board in a window: switches, knobs and sliders drive it; LEDs, digits and
// servo needles show what the panel wrote to it. A face on the same simulator the commands use.
#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "BoardLayout.h"
#include "BoardSim.h"

class QLabel;
class QPushButton;
class QSlider;

namespace orva::sim {

class CLed;
class CPinButton;
class CSegmentDisplay;
class CServoGauge;

class CBoardWindow final : public QWidget {
    Q_OBJECT

public:
    // knobs: pin pairs for the first knobs; the others take free pairs of the main board.
    explicit CBoardWindow(CBoardSim& board, const std::vector<KnobPins>& knobs = {},
                          QWidget* parent = nullptr);

    // Room for both columns without scrolling.
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct AnalogControls {
        int channel;
        QSlider* slider;
        QLabel* value;
    };

    QWidget* BuildHeader();
    QWidget* BuildDriveColumn(const std::vector<KnobPins>& knobs);
    QWidget* BuildShowColumn();
    QWidget* BuildInputs();
    QWidget* BuildKnobs(const std::vector<KnobPins>& knobs);
    QWidget* BuildAnalog();
    QWidget* BuildOutputs();
    QWidget* BuildDisplays();
    QWidget* BuildServos();
    void TogglePlug();
    void SendAnalog(int channel, int value);
    // Draws what the board holds, when it changed since the last look (or when forced).
    void Refresh(bool force = false);
    void ShowImage(const BoardImage& image);

    CBoardSim& board_;
    const BoardKind kind_;
    QTimer refreshTimer_;
    uint64_t seenChanges_ = 0;
    QWidget* header_ = nullptr;
    QWidget* columns_[2] = {};
    QLabel* status_ = nullptr;
    QPushButton* plug_ = nullptr;
    QLabel* adcMask_ = nullptr;
    std::vector<CPinButton*> inputs_;
    std::vector<CLed*> leds_;
    std::vector<CSegmentDisplay*> displays_;
    std::vector<AnalogControls> analog_;
    std::vector<CServoGauge*> servos_;
};

}  // namespace orva::sim
