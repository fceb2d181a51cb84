// The board's report protocol: output images, commands, and the reports read from it.
#include "card/OrvaCard.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "card/CardShared.h"
#include "card/PinIds.h"
#include "platform/Profile.h"
#include "platform/Timers.h"

namespace orva {
namespace {

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

void COrvaCard::Post(uint32_t message, int64_t wParam, int64_t lParam) {
    if (target_) target_->Post(message, wParam, lParam);
}

int COrvaCard::WriteReport(const uint8_t* report, size_t length) {
    if (!IsConnected()) return 0;
    int written = 0;
    int error = 0;
    {
        std::lock_guard lock(writeMutex_);
        if (!device_) return 0;
        written = device_->Write(report, length);
        if (written < 0) error = device_->ErrorCode();
    }
    if (written < 0) {
        Post(WM_CARD_IOERROR, 1, error);
        return 0;
    }
    return written;
}

void COrvaCard::SendCommand(uint8_t command, uint8_t value) {
    Report r{};
    r[1] = command;
    r[2] = value;
    WriteReport(r.data(), r.size());
}

void COrvaCard::SetOutputBitLocked(int pin, bool on) {
    const PinBit bit = OutputBit(pin);
    if (on) {
        outputImage_[bit.byte] |= bit.mask;
    } else {
        outputImage_[bit.byte] &= static_cast<uint8_t>(~bit.mask);
    }
}

void COrvaCard::WriteOutputImageLocked() {
    outputImage_[0] = 0;
    outputImage_[1] = CMD_SET_OUTPUTS;
    outputImage_[2] = 0;
    WriteReport(outputImage_.data(), outputImage_.size());
}

void COrvaCard::SetOutput(int64_t pin, bool on) {
    if (!IsLinked() || !IsIoPin(pin)) return;
    std::lock_guard lock(imageMutex_);
    SetOutputBitLocked(static_cast<int>(pin), on);
    WriteOutputImageLocked();
}

void COrvaCard::SetAllOutputs(bool on) {
    if (!IsMainBoard()) return;
    std::lock_guard lock(imageMutex_);
    std::fill(outputImage_.begin() + 3, outputImage_.end(), on ? 0xFF : 0x00);
    outputImage_[0] = 0;
    outputImage_[1] = CMD_SET_OUTPUTS;
    outputImage_[2] = 0;
    WriteReport(outputImage_.data(), outputImage_.size());
}

void COrvaCard::SaveOutputs() {
    if (!IsLinked()) return;
    {
        std::lock_guard lock(imageMutex_);
        savedImage_ = outputImage_;
        savedImage_[0] = 0;
        savedImage_[1] = CMD_SET_OUTPUTS;
    }
    BlinkLists& lists = BlinkLists::Shared();
    std::lock_guard lock(lists.outputLock);
    lists.savedOutputs = lists.outputs;
    lists.outputs.clear();
}

void COrvaCard::RestoreOutputs() {
    if (!IsLinked()) return;
    {
        BlinkLists& lists = BlinkLists::Shared();
        std::lock_guard lock(lists.outputLock);
        lists.outputs = std::move(lists.savedOutputs);
        lists.savedOutputs.clear();
    }
    std::lock_guard lock(imageMutex_);
    std::copy(savedImage_.begin() + 2, savedImage_.end(), outputImage_.begin() + 2);
    WriteOutputImageLocked();
}

void COrvaCard::SetOutputBlinking(int64_t pin, bool on) {
    if (!IsIoPin(pin)) return;
    BlinkLists& lists = BlinkLists::Shared();
    std::lock_guard lock(lists.outputLock);
    const auto it = std::find(lists.outputs.begin(), lists.outputs.end(), pin);
    const bool listed = it != lists.outputs.end();
    if (on == listed) return;
    if (IsLinked()) {
        std::lock_guard image(imageMutex_);
        SetOutputBitLocked(static_cast<int>(pin), on);
        WriteOutputImageLocked();
    }
    if (on) {
        lists.outputs.push_back(static_cast<int>(pin));
    } else {
        lists.outputs.erase(it);
    }
}

bool COrvaCard::IsOutputBlinking(int64_t pin) const {
    BlinkLists& lists = BlinkLists::Shared();
    std::lock_guard lock(lists.outputLock);
    return std::find(lists.outputs.begin(), lists.outputs.end(), pin) != lists.outputs.end();
}

void COrvaCard::SetAdcMask(uint16_t channels) {
    const auto mask = static_cast<uint8_t>(channels & 0xFF);
    adcMask_.store(mask, std::memory_order_relaxed);
    if (IsMainBoard()) {
        SendCommand(CMD_ADC_MASK, mask);
    } else if (IsServoBoard()) {
        SendCommand(CMD_SERVO_ADC_MASK, mask);
    }
}

void COrvaCard::SetAdcChannel(int64_t channel, bool on) {
    if (channel < 1 || channel > 8) return;
    uint16_t mask = AdcMask();
    const auto bit = static_cast<uint16_t>(1u << (channel - 1));
    mask = on ? (mask | bit) : (mask & ~bit);
    SetAdcMask(mask & 0xFF);
}

int COrvaCard::GetAdcValue(int64_t channel) const {
    if (channel < 0 || channel > 8) return 0;
    if (IsMainBoard()) return analog_[static_cast<size_t>(channel)].load(std::memory_order_relaxed);
    if (IsServoBoard() && channel >= 1) {
        return analog_[static_cast<size_t>(channel - 1)].load(std::memory_order_relaxed) * 1024 /
               65536;
    }
    return 0;
}

void COrvaCard::SetServo(int64_t channel, uint8_t position) {
    if (channel < 1 || channel > 8 || !IsServoBoard()) return;
    {
        std::lock_guard lock(servoMutex_);
        servoEnableMask_ |= static_cast<uint16_t>(1u << (channel - 1));
        SendCommand(CMD_SERVO_ENABLE, static_cast<uint8_t>(servoEnableMask_ & 0xFF));
        servoImage_[0] = 0;
        servoImage_[1] = CMD_SERVO_POSITIONS;
        servoImage_[static_cast<size_t>(1 + channel)] = position;
        WriteReport(servoImage_.data(), servoImage_.size());
        servoWriteTimes_[static_cast<size_t>(channel - 1)] = NowMs();
    }
    std::lock_guard lock(threadMutex_);
    if (!servoWatchdog_.joinable() && IsConnected()) {
        servoWatchdog_ = std::jthread([this](std::stop_token stop) { ServoWatchdogLoop(stop); });
    }
}

void COrvaCard::ServoWatchdogLoop(std::stop_token stop) {
    while (SleepUnlessStopped(stop, std::chrono::milliseconds(100))) {
        if (!IsServoBoard()) continue;
        std::lock_guard lock(servoMutex_);
        const uint64_t now = NowMs();
        for (size_t i = 0; i < servoWriteTimes_.size(); ++i) {
            if (servoWriteTimes_[i] == 0 || now - servoWriteTimes_[i] <= 1000) continue;
            servoEnableMask_ &= static_cast<uint16_t>(~(1u << i));
            SendCommand(CMD_SERVO_ENABLE, static_cast<uint8_t>(servoEnableMask_ & 0xFF));
            servoWriteTimes_[i] = 0;
        }
    }
}

bool COrvaCard::CheckCardNumber() const {
    const int32_t number =
        serial_.size() > 5 ? ParseLeadingInt(std::u16string_view(serial_).substr(5)) : 0;
    return static_cast<uint16_t>(number) == CardNumber();
}

bool COrvaCard::SchedulePulseEnd(int64_t pin, bool level, int64_t durationMs) {
    if (durationMs < 0 || durationMs > CTimers::kMaxDelay.count()) return false;
    std::weak_ptr<PulseSession> session = pulses_;
    const auto id =
        CTimers::Shared().Start(std::chrono::milliseconds(durationMs), [session, pin, level] {
            const auto s = session.lock();
            if (!s) return;
            std::lock_guard lock(s->mutex);
            if (s->card) s->card->SetOutput(pin, level);
        });
    return id != 0;
}

void COrvaCard::HandleReport(const uint8_t* report, size_t length) {
    HandleReport(report, length, std::stop_token());
}

void COrvaCard::HandleReport(const uint8_t* report, size_t length, std::stop_token stop) {
    // A short report reads as zeros past its end.
    Report r{};
    std::memcpy(r.data(), report, std::min(length, r.size()));
    if (IsMainBoard()) {
        switch (r[1]) {
            case REPORT_INPUTS:
                StepEncoders(r);
                HandleInputs(r);
                break;
            case REPORT_ADC:
                HandleAdc(r, false, stop);
                break;
            case REPORT_CARD_INFO:
                HandleCardInfo(r, stop);
                break;
            default:
                break;
        }
    } else if (IsServoBoard()) {
        HandleAdc(r, true, stop);
    }
}

void COrvaCard::HandleInputs(const Report& r) {
    for (size_t k = 2; k < kReportSize; ++k) {
        const uint8_t now = r[k];
        // Only this thread writes the shadow, so a plain load and store suffice.
        const uint8_t old = inputShadow_[k].load(std::memory_order_relaxed);
        if (old == now) continue;
        inputShadow_[k].store(now, std::memory_order_relaxed);
        inputChanges_[k].fetch_or(static_cast<uint8_t>(old ^ now), std::memory_order_relaxed);
        for (int b = 0; b < 8; ++b) {
            const auto mask = static_cast<uint8_t>(1u << b);
            if ((old & mask) == (now & mask)) continue;
            const int pin = 8 * static_cast<int>(k - 1) + 7 - b;
            Post(WM_CARD_INPUT, pin, InputPolarity::Level((now & mask) != 0));
        }
    }
}

void COrvaCard::HandleAdc(const Report& r, bool servo, std::stop_token stop) {
    for (size_t i = 0; i < 8; ++i) {
        const auto word = static_cast<uint16_t>(r[1 + 2 * i] | (r[2 + 2 * i] << 8));
        if (analog_[i].load(std::memory_order_relaxed) == word) continue;
        analog_[i].store(word, std::memory_order_relaxed);
        if (!target_) continue;
        if (servo) {
            target_->Send(WM_CARD_ADC, static_cast<int64_t>(i + 1), word * 1024 / 65536, stop);
        } else {
            target_->Send(WM_CARD_ADC, static_cast<int64_t>(i), word, stop);
        }
    }
}

void COrvaCard::HandleCardInfo(const Report& r, std::stop_token stop) {
    for (size_t i = 0; i < extensions_.size(); ++i) {
        extensions_[i].store(r[3 + i], std::memory_order_relaxed);
    }
    versionMajor_.store(r[11], std::memory_order_relaxed);
    versionMinor_.store(r[12], std::memory_order_relaxed);
    cardNumber_.store(static_cast<uint16_t>(r[13] + 256 * r[14]), std::memory_order_relaxed);
    if (target_) target_->Send(WM_CARD_INFO, 0, 255, stop);
}

uint8_t COrvaCard::InputLevel(int64_t pin) const {
    if (!IsIoPin(pin)) return 0;
    const PinBit bit = InputBit(static_cast<int>(pin));
    return InputPolarity::Level(
        (inputShadow_[bit.byte].load(std::memory_order_relaxed) & bit.mask) != 0);
}

bool COrvaCard::OutputState(int64_t pin) const {
    if (!IsIoPin(pin)) return false;
    const PinBit bit = OutputBit(static_cast<int>(pin));
    std::lock_guard lock(imageMutex_);
    return (outputImage_[bit.byte] & bit.mask) != 0;
}

Report COrvaCard::OutputImage() const {
    std::lock_guard lock(imageMutex_);
    return outputImage_;
}

Report COrvaCard::ServoImage() const {
    std::lock_guard lock(servoMutex_);
    return servoImage_;
}

uint16_t COrvaCard::ServoEnableMask() const {
    std::lock_guard lock(servoMutex_);
    return servoEnableMask_;
}

std::array<uint8_t, 8> COrvaCard::ExtensionBitmap() const {
    std::array<uint8_t, 8> bitmap{};
    for (size_t i = 0; i < bitmap.size(); ++i)
        bitmap[i] = extensions_[i].load(std::memory_order_relaxed);
    return bitmap;
}

void COrvaCard::ClearVersion() {
    versionMajor_.store(0, std::memory_order_relaxed);
    versionMinor_.store(0, std::memory_order_relaxed);
}

}  // namespace orva
