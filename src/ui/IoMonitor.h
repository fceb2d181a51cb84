// The live I/O monitor: the board as it is now — inputs, outputs with a test switch each,
// analog channels with their last seconds, display digits, encoders and servos. It reads
// snapshots of the board object, never the device, and costs nothing while closed.
#pragma once

#include <QWidget>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/HelpPages.h"
#include "card/OrvaCard.h"
#include "ui/text/IoMonitorModel.h"

class QLabel;
class QProgressBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class QVBoxLayout;

namespace orva {

class CAnalogPlot;
class CQtCardTool;
class CConnectionController;
class CPinGrid;
class CSegmentRow;
class IHidBackend;

class CIoMonitor final : public QWidget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kRefresh{33};  // at most 30 looks a second

    CIoMonitor(CConnectionController& controller, IHidBackend& backend, QWidget* parent = nullptr);
    ~CIoMonitor() override;

    // The connection came or went: the monitor follows the connection's board, or opens the
    // board itself while disconnected (never both at once).
    void UpdateSource();
    // One look at the board now (the timer does this while the window is shown).
    void Refresh();

    // What the tests look at.
    COrvaCard* Card() const { return card_; }
    bool OwnsBoard() const { return tool_ != nullptr; }
    CPinGrid* InputGrid(int addr) const;
    CPinGrid* OutputGrid(int addr) const;
    CSegmentRow* DisplayRow(int card) const;
    CAnalogPlot* Plot(int channel) const;
    QTableWidget* Encoders() const { return encoders_; }
    // Switches an output for a test, as a click on its lamp does.
    void TestOutput(int pin);
    void AllOutputs(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OpenOwnBoard();
    void ReleaseOwnBoard();
    void Rebuild(const CardSnapshot& s);
    void ShowInputs(const CardSnapshot& s, std::chrono::steady_clock::time_point now);
    void ShowOutputs(const CardSnapshot& s);
    void ShowAnalog(const CardSnapshot& s, std::chrono::steady_clock::time_point now);
    void ShowDisplaysAndEncoders(const CardSnapshot& s);
    void AskCardInfo();
    void SetTitles();

    CConnectionController& controller_;
    IHidBackend& backend_;
    COrvaCard* card_ = nullptr;
    std::unique_ptr<CQtCardTool> tool_;
    QTimer* timer_ = nullptr;
    QLabel* state_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QWidget* inputsPage_ = nullptr;
    QWidget* outputsPage_ = nullptr;
    QWidget* analogPage_ = nullptr;
    QWidget* analogTab_ = nullptr;
    QWidget* displaysPage_ = nullptr;
    QTableWidget* encoders_ = nullptr;
    std::map<int, CPinGrid*> inputGrids_;
    std::map<int, CPinGrid*> outputGrids_;
    std::map<int, CSegmentRow*> displayRows_;
    struct Channel {
        QProgressBar* bar = nullptr;
        QLabel* value = nullptr;
        CAnalogPlot* plot = nullptr;
    };
    Channel channels_[8];
    std::vector<QProgressBar*> servos_;
    // What the layout was built for: rebuilt when the board or its cards change.
    int32_t builtProduct_ = -2;
    std::array<uint8_t, 8> builtExtensions_{};
    std::map<int, std::chrono::steady_clock::time_point> flashUntil_;
    CAnalogHistory history_;
    COutputTest test_;
    bool infoAsked_ = false;
    bool infoDone_ = false;
    std::optional<CHelpPageScope> help_;  // while shown; the local manual only
};

}  // namespace orva
