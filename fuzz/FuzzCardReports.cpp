// Arbitrary reports read from a main or a servo board, handled by the board object: every input
// change is posted once, in order and with its level; analog changes and the card information
// land where the board object keeps them. Byte 0 chooses the board, the Sense jumper and an
// encoder (on the pins of bytes 1 and 2); then each report is a length byte and its bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "card/CardShared.h"
#include "card/OrvaCard.h"
#include "card/PinIds.h"
#include "platform/Notify.h"

namespace {

using orva::Notification;
using orva::Report;

// The reports are handed to the board object directly: nothing is enumerated or opened.
class NoDevices final : public orva::IHidBackend {
public:
    std::vector<orva::HidDeviceInfo> Enumerate() override { return {}; }
    std::unique_ptr<orva::IHidDevice> Open(const std::string&) override { return nullptr; }
    bool Owns(const std::string&) const override { return false; }
};

void Check(bool holds) {
    if (!holds) std::abort();
}

// What the board object must have said about one report, against the last state seen.
struct Expected {
    Report shadow{};
    std::array<uint16_t, 8> words{};
    int32_t encoderSteps = 0;
};

std::vector<Notification> Of(const std::vector<Notification>& seen, uint32_t message) {
    std::vector<Notification> out;
    for (const Notification& n : seen) {
        if (n.message == message) out.push_back(n);
    }
    return out;
}

void CheckInputs(const Report& r, Expected& e, const std::vector<Notification>& seen,
                 orva::COrvaCard& card) {
    std::vector<Notification> want;
    for (size_t k = 2; k < orva::kReportSize; ++k) {
        for (int b = 0; b < 8; ++b) {
            const auto mask = static_cast<uint8_t>(1u << b);
            if ((e.shadow[k] & mask) == (r[k] & mask)) continue;
            want.push_back({orva::WM_CARD_INPUT, 8 * static_cast<int64_t>(k - 1) + 7 - b,
                            orva::InputPolarity::Level((r[k] & mask) != 0)});
        }
        e.shadow[k] = r[k];
    }
    const auto inputs = Of(seen, orva::WM_CARD_INPUT);
    Check(inputs.size() == want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        Check(inputs[i].wParam == want[i].wParam && inputs[i].lParam == want[i].lParam);
    }
    for (int pin = 16; pin <= 511; ++pin) {
        const orva::PinBit bit = orva::InputBit(pin);
        Check(card.InputLevel(pin) ==
              orva::InputPolarity::Level((e.shadow[bit.byte] & bit.mask) != 0));
    }
    const auto steps = Of(seen, orva::WM_CARD_ENCODER);
    Check(inputs.size() + steps.size() == seen.size());
    for (const Notification& n : steps) {
        Check(n.wParam == 1 && (n.lParam == 1 || n.lParam == -1));
        e.encoderSteps += static_cast<int32_t>(n.lParam);
    }
}

void CheckAnalog(const Report& r, bool servo, Expected& e, const std::vector<Notification>& seen,
                 orva::COrvaCard& card) {
    std::vector<Notification> want;
    for (size_t i = 0; i < 8; ++i) {
        const auto word = static_cast<uint16_t>(r[1 + 2 * i] | (r[2 + 2 * i] << 8));
        if (word == e.words[i]) continue;
        e.words[i] = word;
        want.push_back(servo ? Notification{orva::WM_CARD_ADC, static_cast<int64_t>(i + 1),
                                            word * 1024 / 65536}
                             : Notification{orva::WM_CARD_ADC, static_cast<int64_t>(i), word});
    }
    const auto sent = Of(seen, orva::WM_CARD_ADC);
    Check(sent.size() == want.size() && seen.size() == sent.size());
    for (size_t i = 0; i < want.size(); ++i) {
        Check(sent[i].wParam == want[i].wParam && sent[i].lParam == want[i].lParam);
    }
    for (int channel = 1; channel <= 8; ++channel) {
        const int value = servo ? e.words[static_cast<size_t>(channel - 1)] * 1024 / 65536
                                : (channel < 8 ? e.words[static_cast<size_t>(channel)] : 0);
        Check(card.GetAdcValue(channel) == value);
    }
}

void CheckCardInfo(const Report& r, const std::vector<Notification>& seen, orva::COrvaCard& card) {
    const auto bitmap = card.ExtensionBitmap();
    for (size_t i = 0; i < bitmap.size(); ++i) Check(bitmap[i] == r[3 + i]);
    Check(card.VersionMajor() == r[11] && card.VersionMinor() == r[12]);
    Check(card.CardNumber() == r[13] + 256 * r[14]);
    Check(seen.size() == 1 && seen[0].message == orva::WM_CARD_INFO && seen[0].wParam == 0 &&
          seen[0].lParam == 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool servo = (data[0] & 1) != 0;
    const bool encoder = (data[0] & 4) != 0 && !servo;
    static NoDevices devices;
    orva::CNotify notify;  // owned by this thread: the synchronous sends run at once
    std::vector<Notification> seen;
    notify.SetHandler([&seen](const Notification& n) {
        seen.push_back(n);
        return int64_t{0};
    });
    orva::COrvaCard card(devices, &notify);
    card.Configure(servo ? orva::PID_SERVO : orva::PID_USBMAIN, u"ORVA-00001");
    card.SetSense((data[0] & 2) != 0);
    if (encoder) Check(card.CreateEncoder(16 + data[1] % 496, 16 + data[2] % 496, 1) == 1);
    Expected e;
    for (size_t at = 3; at < size;) {
        const size_t length = std::min<size_t>(data[at] % 72, size - at - 1);
        const uint8_t* report = data + at + 1;
        at += 1 + length;
        seen.clear();
        card.HandleReport(report, length);
        notify.ProcessPending();
        Report r{};  // a short report reads as zeros past its end
        std::copy(report, report + std::min(length, r.size()), r.begin());
        if (servo) {
            CheckAnalog(r, true, e, seen, card);
        } else if (r[1] == orva::REPORT_INPUTS) {
            CheckInputs(r, e, seen, card);
        } else if (r[1] == orva::REPORT_ADC) {
            CheckAnalog(r, false, e, seen, card);
        } else if (r[1] == orva::REPORT_CARD_INFO) {
            CheckCardInfo(r, seen, card);
        } else {
            Check(seen.empty());
        }
    }
    if (encoder) {
        int32_t value = 0;
        Check(card.GetEncoderValue(1, value) && value == e.encoderSteps);
    }
    return 0;
}
