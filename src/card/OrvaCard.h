// The board object: its report protocol, its link threads, its displays and encoders.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "card/CardDisplay.h"
#include "card/CardEncoder.h"
#include "card/HidBackend.h"
#include "platform/Notify.h"

namespace orva {

inline constexpr uint16_t kOrvaVendor = 0x04D8;
inline constexpr uint16_t PID_USBMAIN = 0xDDD0;
inline constexpr uint16_t PID_SERVO = 0xDDD3;

// Commands of the main board and of the servo board.
enum : uint8_t {
    CMD_INFO_DONE = 0,
    CMD_SET_OUTPUTS = 1,
    CMD_DISPLAY = 2,
    CMD_ADC_MASK = 4,
    CMD_GET_INFO = 0xFF,
    CMD_SERVO_ADC_MASK = 1,
    CMD_SERVO_ENABLE = 2,
    CMD_SERVO_POSITIONS = 3,
};
enum : uint8_t { REPORT_INPUTS = 0, REPORT_ADC = 1, REPORT_CARD_INFO = 0xFF };

inline constexpr size_t kReportSize = 65;
inline constexpr size_t kDisplayReportSize = 66;
inline constexpr int kDisplayCards = 5;
inline constexpr int kLastShownDigit = 160;
inline constexpr size_t kSlots = 256;

using Report = std::array<uint8_t, kReportSize>;

// The serial of a card list line "%03d: %s" (ListCards): the line from its sixth character on.
std::u16string SerialOfCardLine(std::u16string_view line);

// Whether a format (after the segment replacements) is one floating-point conversion with
// literal text around it, the only kind ShowUsr formats.
bool IsDisplayNumberFormat(std::u16string_view format);
// The format with the characters the segment table draws put in place (blank, minus, letters).
std::u16string ReplaceForSegments(std::u16string_view format);
using DisplayReport = std::array<uint8_t, kDisplayReportSize>;

// What a board object holds at one moment, copied for a monitor. Each part is taken under its
// own lock, so each is consistent in itself; none is held while the copy is used.
struct CardSnapshot {
    struct Encoder {
        int id = 0;
        int64_t pinA = 0;
        int64_t pinB = 0;
        int32_t value = 0;
        int32_t low = 0;
        int32_t high = 0;
        bool cyclic = false;
    };
    bool connected = false;
    int32_t product = -1;
    Report inputs{};        // the bits as the board last sent them
    Report inputChanges{};  // bits that changed since the last snapshot that took them
    Report outputs{};
    std::array<int, 9> analog{};  // channels 1-8 as the scripts read them; 0 unused
    uint16_t adcMask = 0;
    Report servos{};
    uint16_t servoEnable = 0;
    std::array<DisplayReport, kDisplayCards> displays{};
    std::vector<Encoder> encoders;
    std::array<uint8_t, 8> extensions{};
};

class COrvaCard {
public:
    COrvaCard(IHidBackend& backend, CNotify* notifyTarget);
    ~COrvaCard();
    COrvaCard(const COrvaCard&) = delete;
    COrvaCard& operator=(const COrvaCard&) = delete;

    // Notifications the reader lets wait for the scripts before it stops reading: a full-speed
    // board (1 000 reports a second) fills this only with the scripts 16 s behind it.
    static constexpr size_t kMaxQueued = 16384;

    // Configuration: vendor 0x04D8, the product (-1 = any) and the serial wanted.
    void Configure(int32_t product, std::u16string serial);
    void SetProductFilter(int32_t product) { productFilter_ = product; }
    void SetSerial(std::u16string serial) { serial_ = std::move(serial); }
    // The object's Sense setting, and the process-wide input polarity with it.
    void SetSense(bool senseVcc);
    void SetNotifyTarget(CNotify* target) { target_ = target; }

    // Discovery and the link.
    bool Open();
    void StartThreads();
    void Close();
    // Matching devices; each adds "%03d: <serial>" to lines when given.
    int ListCards(std::vector<std::u16string>* lines);
    bool IsPresent();
    bool IsConnected() const { return connected_.load(std::memory_order_relaxed); }
    // A board that went away in the middle of a session: the device and the threads are let
    // go, but what the scripts set (outputs, displays, encoders, servos, the ADC mask, the
    // inputs as last seen) is kept and their changes go on reaching the images. Resume opens
    // the board again and writes all of it back; false while the board is still away.
    void Suspend();
    bool Resume();
    bool IsSuspended() const { return suspended_.load(std::memory_order_relaxed); }
    // Open, or suspended: the scripts' changes are kept for the board.
    bool IsLinked() const { return IsConnected() || IsSuspended(); }
    const std::u16string& GetSerial() const { return serial_; }
    const std::u16string& GetProduct() const { return productText_; }
    int32_t ProductFilter() const { return productFilter_; }
    bool IsMainBoard() const { return productFilter_ == PID_USBMAIN; }
    bool IsServoBoard() const { return productFilter_ == PID_SERVO; }

    // The protocol.
    int WriteReport(const uint8_t* report, size_t length);
    void SendCommand(uint8_t command, uint8_t value);
    void SetOutput(int64_t pin, bool on);
    void SetAllOutputs(bool on);
    void SaveOutputs();
    void RestoreOutputs();
    void SetOutputBlinking(int64_t pin, bool on);
    bool IsOutputBlinking(int64_t pin) const;
    void SetAdcMask(uint16_t channels);
    void SetAdcChannel(int64_t channel, bool on);
    int GetAdcValue(int64_t channel) const;
    void SetServo(int64_t channel, uint8_t position);
    bool CheckCardNumber() const;
    // Ends an output pulse after durationMs with the pin at level; false when the duration is
    // one the timers refuse. A pulse that ends after this connection closed touches nothing.
    bool SchedulePulseEnd(int64_t pin, bool level, int64_t durationMs);

    // What the reader does with each report; public so that recorded reports can be replayed.
    void HandleReport(const uint8_t* report, size_t length);

    // The state, as the scripts and the tools read it.
    uint8_t InputLevel(int64_t pin) const;  // the TRUE/FALSE value; 0 outside 16-511
    bool OutputState(int64_t pin) const;
    Report OutputImage() const;
    Report ServoImage() const;
    uint16_t AdcMask() const { return adcMask_.load(std::memory_order_relaxed); }
    uint16_t ServoEnableMask() const;
    std::array<uint8_t, 8> ExtensionBitmap() const;
    uint8_t VersionMajor() const { return versionMajor_.load(std::memory_order_relaxed); }
    uint8_t VersionMinor() const { return versionMinor_.load(std::memory_order_relaxed); }
    void ClearVersion();
    uint16_t CardNumber() const { return cardNumber_.load(std::memory_order_relaxed); }
    // A copy of the state for a monitor; never reads the device. With takeChanges the input
    // changes seen since the last such call are handed over (and forgotten here), so a change
    // shorter than the monitor's refresh still shows.
    CardSnapshot Snapshot(bool takeChanges);

    // Displays and encoders.
    int CreateDisplay(int64_t first, int64_t last);
    int CreateEncoder(int64_t pinA, int64_t pinB, int64_t step);
    bool SetEncoderValue(int64_t id, int32_t value);
    bool SetEncoderLimits(int64_t id, int32_t low, int32_t high, bool cyclic);
    // The encoder's value brought into its limits; false when there is no such encoder.
    bool GetEncoderValue(int64_t id, int32_t& value);
    void SetDisplayBlinking(int64_t id, bool on);
    bool IsDisplayBlinking(int64_t id) const;
    // 0 shown, 1 format error, 2 no such display.
    int ShowUsr(int64_t id, std::u16string_view format, double value);
    // Runs fn on display id under the display lock; false when there is no such display.
    template <typename Fn>
    bool WithDisplay(int64_t id, Fn&& fn) {
        std::lock_guard lock(displayMutex_);
        CCardDisplay* display = DisplayAt(id);
        if (display) fn(*display);
        return display != nullptr;
    }
    DisplayReport DisplayImage(int card) const;

    // For CCardDisplay, under the display lock.
    void PutDigit(int64_t digitId, uint8_t code);
    void WriteDisplayImageOf(int64_t digitId);

private:
    // What a pending pulse reaches: the card of one connection, until that connection closes.
    struct PulseSession {
        std::mutex mutex;
        COrvaCard* card = nullptr;
    };

    void ClearState();
    bool OpenDevice();
    void HandleReport(const uint8_t* report, size_t length, std::stop_token stop);
    void Post(uint32_t message, int64_t wParam, int64_t lParam);
    void WriteOutputImageLocked();
    void SetOutputBitLocked(int pin, bool on);
    void HandleInputs(const Report& r);
    void HandleAdc(const Report& r, bool servo, std::stop_token stop);
    void HandleCardInfo(const Report& r, std::stop_token stop);
    void StepEncoders(const Report& r);
    void StopThreads();
    void ReaderLoop(std::stop_token stop);
    void OutputBlinkerLoop(std::stop_token stop);
    void DisplayBlinkerLoop(std::stop_token stop);
    void ServoWatchdogLoop(std::stop_token stop);
    CCardDisplay* DisplayAt(int64_t id);
    CCardEncoder* EncoderAt(int64_t id);

    IHidBackend& backend_;
    CNotify* target_;
    int32_t vendorFilter_ = kOrvaVendor;
    int32_t productFilter_ = -1;
    std::u16string serial_;
    std::u16string productText_;
    std::string devicePath_;
    bool senseVcc_ = false;

    std::atomic<bool> connected_{false};
    std::atomic<bool> suspended_{false};
    std::mutex writeMutex_;  // one report on the wire at a time; guards device_
    std::unique_ptr<IHidDevice> device_;
    size_t inputReportLength_ = kReportSize;

    std::array<std::atomic<uint16_t>, 9> analog_{};
    std::array<std::atomic<uint8_t>, kReportSize> inputShadow_{};
    std::array<std::atomic<uint8_t>, kReportSize> inputChanges_{};
    std::array<std::atomic<uint8_t>, 8> extensions_{};
    std::atomic<uint8_t> versionMajor_{1};
    std::atomic<uint8_t> versionMinor_{0};
    std::atomic<uint16_t> cardNumber_{0};
    std::atomic<uint16_t> adcMask_{0};

    // Every change of the output image and its write happen as one step under this lock, so
    // the scripts, the pulse timers and the blinker never lose each other's changes.
    mutable std::mutex imageMutex_;
    Report outputImage_{};
    Report savedImage_{};

    mutable std::mutex servoMutex_;
    Report servoImage_{};
    uint16_t servoEnableMask_ = 0;
    std::array<uint64_t, 8> servoWriteTimes_{};

    // The displays, their images and the display table; recursive because a renderer refreshes.
    mutable std::recursive_mutex displayMutex_;
    std::array<DisplayReport, kDisplayCards> displayImages_{};
    std::array<std::unique_ptr<CCardDisplay>, kSlots> displays_;

    mutable std::mutex encoderMutex_;
    std::array<std::unique_ptr<CCardEncoder>, kSlots> encoders_;
    std::atomic<int> encoderCount_{0};  // lets the reader skip the table while it is empty

    std::shared_ptr<PulseSession> pulses_;
    std::mutex threadMutex_;
    std::jthread reader_;
    std::jthread outputBlinker_;
    std::jthread displayBlinker_;
    std::jthread servoWatchdog_;
};

}  // namespace orva
