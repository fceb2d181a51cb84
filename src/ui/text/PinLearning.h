// What the card tools decide without widgets: learning a pin, a channel or an encoder from the
// board's notifications, the pin calculator's lists, and the texts that describe a card.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// The learning modes are the event types they learn for.
inline constexpr int kLearnDigital = 2;
inline constexpr int kLearnAnalog = 3;
inline constexpr int kLearnEncoder = 4;

// Watches a freshly opened board until it has been left alone for a quiet period (the first
// reports of a board describe its present state, not what the user does), then picks what the
// user moves. Time is passed in, so a caller (or a test) decides what "now" is.
class CPinLearner {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds kQuietPeriod{1000};
    static constexpr int kHigh = 900;
    static constexpr int kLow = 100;

    explicit CPinLearner(int mode) : mode_(mode) {}

    int Mode() const { return mode_; }
    // The board has just been opened: a quiet period starts.
    void Start(TimePoint now);
    // The board is gone: nothing is learned until the next Start.
    void Stop();
    // Ends the quiet period when its time has come; true when that made the learner ready.
    bool Tick(TimePoint now);
    // When the running quiet period ends; nothing when none is running.
    std::optional<TimePoint> QuietUntil() const;
    bool Ready() const { return phase_ == Phase::Ready; }

    // An input during the quiet period starts it again; once ready, a digital learner takes
    // the first pin that goes to a non-zero level and an encoder learner the pin that leads a
    // quadrature cycle.
    void OnInput(int64_t pin, int64_t level, TimePoint now);
    // Channels 1-8: two rises above kHigh and two falls below kLow select the channel.
    void OnAdc(int64_t channel, int64_t value, TimePoint now);

    // What the dialog shows; empty before the first Start and after Stop.
    const std::u16string& Text() const { return text_; }
    // The learned id once there is one; the learner then ignores everything.
    std::optional<int32_t> Selected() const { return selected_; }

private:
    enum class Phase { Idle, Quiet, Ready, Done };
    struct Crossings {
        bool high = false;
        int highs = 0;
        int lows = 0;
    };
    struct Edge {
        int64_t pin;
        bool level;
    };

    void OnEncoderEdge(int64_t pin, bool level);
    void Select(int32_t id);

    int mode_;
    Phase phase_ = Phase::Idle;
    TimePoint quietUntil_{};
    std::u16string text_;
    std::optional<int32_t> selected_;
    std::array<Crossings, 9> channels_{};  // by channel number; 0 is never used
    std::deque<Edge> edges_;
};

// The ready text of a mode: what the user is asked to move.
std::u16string ReadyText(int mode);

// One line of the calculator's pin list: its text and its value, the I/O number less one.
struct PinChoice {
    std::u16string text;
    int value = 0;
};
// The I/O numbers a card offers by its kind: ADDR 0-4 inputs, 5-9 outputs, 10-14 both,
// 15 (the main board's own pins) both; nothing for other ADDRs.
std::vector<PinChoice> PinChoices(int addr);
// The pin id of a pin list value on the card at addr 0-15; 0 for another ADDR.
int ToolPinId(int addr, int value);

// The card selection's description of a board that sends no card information. It reports no
// card number either, so there is nothing to check the serial against.
std::u16string BoardInfoText(std::u16string_view product, std::u16string_view serial,
                             int versionMajor, int versionMinor);
// The same for a main board after its card information: "-CF" after the serial when the card
// number does not match it, and the extension cards by short name.
std::u16string MainBoardInfoText(std::u16string_view serial, bool numberOk, int versionMajor,
                                 int versionMinor, const std::vector<std::u16string>& extensions);

}  // namespace orva
