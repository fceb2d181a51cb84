// The board object's displays and encoders: their tables, images and blinking.
#include <algorithm>

#include "card/CardShared.h"
#include "card/OrvaCard.h"
#include "card/PinIds.h"
#include "platform/Text.h"

namespace orva {

// At most one floating-point conversion with flags, width and precision, and any literal
// text: "---" or blanks are how a script dashes or clears a display. Anything else could make
// the formatting read an argument that is not there.
bool IsDisplayNumberFormat(std::u16string_view f) {
    int conversions = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%') continue;
        if (++i >= f.size()) return false;
        if (f[i] == u'%') continue;
        while (i < f.size() && std::u16string_view(u"+#0").find(f[i]) != std::u16string_view::npos)
            ++i;
        for (int part = 0; part < 2; ++part) {
            size_t digits = 0;
            while (i < f.size() && f[i] >= u'0' && f[i] <= u'9' && digits < 3) ++i, ++digits;
            if (i < f.size() && f[i] >= u'0' && f[i] <= u'9') return false;  // absurd widths
            if (part == 0 && i < f.size() && f[i] == u'.') {
                ++i;
            } else {
                break;
            }
        }
        if (i < f.size() && (f[i] == u'l' || f[i] == u'L')) ++i;
        if (i >= f.size() ||
            std::u16string_view(u"fFeEgG").find(f[i]) == std::u16string_view::npos) {
            return false;
        }
        ++conversions;
    }
    return conversions <= 1;
}

std::u16string ReplaceForSegments(std::u16string_view format) {
    static constexpr std::pair<char16_t, char16_t> kReplace[] = {
        {u' ', u':'}, {u'-', u';'}, {u'W', u'<'}, {u'N', u'='},
        {u'A', u'>'}, {u'B', u'?'}, {u'E', u'@'}, {u'H', u'A'}};
    std::u16string out(format);
    for (const auto& [from, to] : kReplace) std::replace(out.begin(), out.end(), from, to);
    return out;
}

CCardDisplay* COrvaCard::DisplayAt(int64_t id) {
    if (id < 1 || id > static_cast<int64_t>(kSlots)) return nullptr;
    return displays_[static_cast<size_t>(id - 1)].get();
}

CCardEncoder* COrvaCard::EncoderAt(int64_t id) {
    if (id < 1 || id > static_cast<int64_t>(kSlots)) return nullptr;
    return encoders_[static_cast<size_t>(id - 1)].get();
}

int COrvaCard::CreateDisplay(int64_t first, int64_t last) {
    std::lock_guard lock(displayMutex_);
    for (size_t slot = 0; slot < kSlots; ++slot) {
        if (displays_[slot]) continue;
        displays_[slot] = std::make_unique<CCardDisplay>(*this, first, last);
        return static_cast<int>(slot + 1);
    }
    return 0;
}

int COrvaCard::CreateEncoder(int64_t pinA, int64_t pinB, int64_t step) {
    std::lock_guard lock(encoderMutex_);
    for (size_t slot = 0; slot < kSlots; ++slot) {
        if (encoders_[slot]) continue;
        // The levels of the last inputs report, so the first decoded step is a real one.
        encoders_[slot] = std::make_unique<CCardEncoder>(static_cast<int>(slot + 1), pinA, pinB,
                                                         static_cast<int32_t>(step & 0xFF),
                                                         InputLevel(pinA), InputLevel(pinB));
        encoderCount_.fetch_add(1, std::memory_order_relaxed);
        return static_cast<int>(slot + 1);
    }
    return 0;
}

bool COrvaCard::SetEncoderValue(int64_t id, int32_t value) {
    std::lock_guard lock(encoderMutex_);
    CCardEncoder* e = EncoderAt(id);
    if (e) e->SetValue(value);
    return e != nullptr;
}

bool COrvaCard::SetEncoderLimits(int64_t id, int32_t low, int32_t high, bool cyclic) {
    std::lock_guard lock(encoderMutex_);
    CCardEncoder* e = EncoderAt(id);
    if (e) e->SetLimits(low, high, cyclic);
    return e != nullptr;
}

bool COrvaCard::GetEncoderValue(int64_t id, int32_t& value) {
    std::lock_guard lock(encoderMutex_);
    CCardEncoder* e = EncoderAt(id);
    if (e) value = e->ClampedValue();
    return e != nullptr;
}

void COrvaCard::StepEncoders(const Report& r) {
    const auto level = [&r](int64_t pin) -> uint8_t {
        if (!IsIoPin(pin)) return 0;
        const PinBit bit = InputBit(static_cast<int>(pin));
        return InputPolarity::Level((r[bit.byte] & bit.mask) != 0);
    };
    if (encoderCount_.load(std::memory_order_relaxed) == 0) return;
    std::lock_guard lock(encoderMutex_);
    for (const auto& e : encoders_) {
        if (!e) continue;
        const int steps = e->Step(level(e->PinA()), level(e->PinB()));
        for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) {
            Post(WM_CARD_ENCODER, e->Id(), steps > 0 ? 1 : -1);
        }
    }
}

void COrvaCard::SetDisplayBlinking(int64_t id, bool on) {
    BlinkLists& lists = BlinkLists::Shared();
    std::lock_guard lock(lists.displayLock);
    const auto it = std::find(lists.displays.begin(), lists.displays.end(), id);
    if (on && it == lists.displays.end()) lists.displays.push_back(id);
    if (!on && it != lists.displays.end()) lists.displays.erase(it);
}

bool COrvaCard::IsDisplayBlinking(int64_t id) const {
    BlinkLists& lists = BlinkLists::Shared();
    std::lock_guard lock(lists.displayLock);
    return std::find(lists.displays.begin(), lists.displays.end(), id) != lists.displays.end();
}

int COrvaCard::ShowUsr(int64_t id, std::u16string_view format, double value) {
    const std::u16string replaced = ReplaceForSegments(format);
    if (!IsDisplayNumberFormat(replaced)) return 1;
    const std::u16string text = FormatArgs(replaced, {value});
    return WithDisplay(id, [&](CCardDisplay& d) { d.ShowText(text); }) ? 0 : 2;
}

DisplayReport COrvaCard::DisplayImage(int card) const {
    std::lock_guard lock(displayMutex_);
    if (card < 0 || card >= kDisplayCards) return {};
    return displayImages_[static_cast<size_t>(card)];
}

void COrvaCard::PutDigit(int64_t digitId, uint8_t code) {
    if (digitId < 1 || digitId > kLastShownDigit) return;
    const auto g = static_cast<size_t>((digitId - 1) / 32);
    const auto k = static_cast<size_t>((digitId - 1) % 32);
    displayImages_[g][3 + k] = code;
    displayImages_[g][35 + k / 8] = 0xFF;
}

void COrvaCard::WriteDisplayImageOf(int64_t digitId) {
    if (digitId < 1 || digitId > kLastShownDigit) return;
    const auto g = static_cast<size_t>((digitId - 1) / 32);
    WriteReport(displayImages_[g].data(), displayImages_[g].size());
}

}  // namespace orva
