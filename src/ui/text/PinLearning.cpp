#include "ui/text/PinLearning.h"

#include "card/PinIds.h"

#include "platform/Text.h"

namespace orva {
namespace {

constexpr int kLastChannel = 8;  // the servo board's eighth channel is as real as the others
constexpr size_t kEncoderCycle = 4;

void AddChoices(std::vector<PinChoice>& choices, std::u16string_view format, int count) {
    for (int n = 1; n <= count; ++n) choices.push_back({Format(format, n), n - 1});
}

std::u16string VersionText(int major, int minor) {
    return Format(u"%d.%d", major, minor);
}

}  // namespace

void CPinLearner::Start(TimePoint now) {
    phase_ = Phase::Quiet;
    quietUntil_ = now + kQuietPeriod;
    text_ = u"Please, wait...";
    selected_.reset();
    for (Crossings& c : channels_) c = {};
    edges_.clear();
}

void CPinLearner::Stop() {
    phase_ = Phase::Idle;
    text_.clear();
}

bool CPinLearner::Tick(TimePoint now) {
    if (phase_ != Phase::Quiet || now < quietUntil_) return false;
    phase_ = Phase::Ready;
    text_ = ReadyText(mode_);
    return true;
}

std::optional<CPinLearner::TimePoint> CPinLearner::QuietUntil() const {
    if (phase_ != Phase::Quiet) return std::nullopt;
    return quietUntil_;
}

void CPinLearner::OnInput(int64_t pin, int64_t level, TimePoint now) {
    if (pin == 0) return;
    // A late timer must not turn an input after the quiet period into one inside it.
    Tick(now);
    if (phase_ == Phase::Quiet) {
        quietUntil_ = now + kQuietPeriod;
        return;
    }
    if (phase_ != Phase::Ready) return;
    if (mode_ == kLearnDigital && level != 0) {
        Select(static_cast<int32_t>(pin));
    } else if (mode_ == kLearnEncoder) {
        OnEncoderEdge(pin, level != 0);
    }
}

void CPinLearner::OnAdc(int64_t channel, int64_t value, TimePoint now) {
    Tick(now);
    if (phase_ != Phase::Ready || mode_ != kLearnAnalog) return;
    if (channel < 1 || channel > kLastChannel) return;
    Crossings& c = channels_[static_cast<size_t>(channel)];
    if (value > kHigh && !c.high) {
        c.high = true;
        ++c.highs;
    } else if (value < kLow && c.high) {
        c.high = false;
        ++c.lows;
    }
    if (c.highs >= 2 && c.lows >= 2) {
        Select(static_cast<int32_t>(channel));
    } else if (c.highs >= 1 && c.lows >= 1) {
        text_ = Format(u"%s\r\nMoved adc %d, do it again to select.", ReadyText(mode_), channel);
    }
}

// Two pins that change in turn, each twice, are one full quadrature cycle. The pin that moves
// away from equal levels leads: it is pin A of an encoder that counts forward the way the user
// turned it.
void CPinLearner::OnEncoderEdge(int64_t pin, bool level) {
    edges_.push_back({pin, level});
    if (edges_.size() > kEncoderCycle) edges_.pop_front();
    if (edges_.size() < kEncoderCycle) return;
    const Edge& p = edges_[0];
    const Edge& q = edges_[1];
    if (p.pin == q.pin || edges_[2].pin != p.pin || edges_[3].pin != q.pin) return;
    // Levels before the first edge: each pin had the level opposite to its first change.
    const bool equalBefore = !p.level == !q.level;
    Select(static_cast<int32_t>(equalBefore ? p.pin : q.pin));
}

void CPinLearner::Select(int32_t id) {
    phase_ = Phase::Done;
    selected_ = id;
}

std::u16string ReadyText(int mode) {
    switch (mode) {
        case kLearnDigital:
            return u"Ok, ready.\r\n\r\nMove or press the button you want...";
        case kLearnAnalog:
            return u"Ok, ready.\r\nTurn to the right and left stops...";
        case kLearnEncoder:
            return u"Ok, ready.\r\n\r\nRotate the encoder you want...";
        default:
            return u"Ok, ready.";
    }
}

std::vector<PinChoice> PinChoices(int addr) {
    std::vector<PinChoice> choices;
    if (addr >= 0 && addr <= 4) {
        AddChoices(choices, u"Input nº %d", 64);
    } else if (addr >= 5 && addr <= 9) {
        AddChoices(choices, u"OutPut nº %d", 64);
    } else if (addr >= 10 && addr <= 14) {
        AddChoices(choices, u"Input nº %d", 32);
        AddChoices(choices, u"OutPut nº %d", 32);
    } else if (addr == 15) {
        AddChoices(choices, u"Input nº %d", 16);
        AddChoices(choices, u"OutPut nº %d", 16);
    }
    return choices;
}

int ToolPinId(int addr, int value) {
    const PinRange pins = CardPins(addr);
    return pins.count > 0 ? pins.first + value : 0;
}

std::u16string BoardInfoText(std::u16string_view product, std::u16string_view serial,
                             int versionMajor, int versionMinor) {
    return Format(
        u"Card detected, connected and responding\r\n\r\nType:\t\t%s\r\nSerial:\t\t%s\r\n"
        u"Version:\t\t%s",
        product, serial, VersionText(versionMajor, versionMinor));
}

std::u16string MainBoardInfoText(std::u16string_view serial, bool numberOk, int versionMajor,
                                 int versionMinor, const std::vector<std::u16string>& extensions) {
    std::u16string list;
    for (const std::u16string& name : extensions) list += name + u"\r\n\t\t";
    if (extensions.empty()) list = u"none\r\n";
    return Format(
        u"Card detected, connected and responding\r\n\r\nType:\t\tORVA BOARD USBMAIN\r\n"
        u"Serial:\t\t%s%s\r\nVersion:\t\t%s\r\nExtensions:\t%s",
        serial, numberOk ? u"" : u"-CF", VersionText(versionMajor, versionMinor), list);
}

}  // namespace orva
