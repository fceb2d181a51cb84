// Finding, opening and closing the board, and the threads that keep it read and written.
#include <algorithm>
#include <chrono>

#include "card/CardShared.h"
#include "card/OrvaCard.h"
#include "platform/Text.h"
#include "platform/Timers.h"

namespace orva {
namespace {

using std::chrono::milliseconds;

constexpr int kReadTimeoutMs = 100;  // how soon a blocked reader sees a stop
constexpr milliseconds kBlinkPeriod{500};
constexpr milliseconds kFirstReadRetry{5};
constexpr milliseconds kLastReadRetry{200};

}  // namespace

COrvaCard::COrvaCard(IHidBackend& backend, CNotify* notifyTarget)
    : backend_(backend), target_(notifyTarget) {
    // Made once: a block byte, once set, stays set for the object's life, opens included.
    for (int g = 0; g < kDisplayCards; ++g) {
        displayImages_[static_cast<size_t>(g)][1] = CMD_DISPLAY;
        displayImages_[static_cast<size_t>(g)][2] = static_cast<uint8_t>(15 + g);
    }
}

COrvaCard::~COrvaCard() {
    Close();
}

void COrvaCard::Configure(int32_t product, std::u16string serial) {
    vendorFilter_ = kOrvaVendor;
    productFilter_ = product;
    serial_ = std::move(serial);
    versionMajor_.store(1, std::memory_order_relaxed);
    versionMinor_.store(0, std::memory_order_relaxed);
}

void COrvaCard::SetSense(bool senseVcc) {
    senseVcc_ = senseVcc;
    InputPolarity::Set(senseVcc);
}

void COrvaCard::ClearState() {
    for (auto& w : analog_) w.store(0, std::memory_order_relaxed);
    for (auto& b : inputShadow_) b.store(0, std::memory_order_relaxed);
    for (auto& b : inputChanges_) b.store(0, std::memory_order_relaxed);
    adcMask_.store(0, std::memory_order_relaxed);
    {
        std::lock_guard lock(imageMutex_);
        outputImage_ = {};
        savedImage_ = {};
    }
    {
        std::lock_guard lock(servoMutex_);
        servoImage_ = {};
        servoEnableMask_ = 0;
        servoWriteTimes_ = {};
    }
    {
        std::lock_guard lock(encoderMutex_);
        for (auto& e : encoders_) e.reset();
        encoderCount_.store(0, std::memory_order_relaxed);
    }
    std::lock_guard lock(displayMutex_);
    for (auto& d : displays_) d.reset();
}

static bool Matches(const HidDeviceInfo& d, int32_t vendor, int32_t product) {
    return (vendor == -1 || d.vendor == vendor) && (product == -1 || d.product == product);
}

bool COrvaCard::Open() {
    {
        std::lock_guard lock(writeMutex_);
        if (device_) return false;
    }
    suspended_.store(false, std::memory_order_relaxed);
    ClearState();
    if (!OpenDevice()) return false;
    pulses_ = std::make_shared<PulseSession>();
    pulses_->card = this;
    connected_.store(true, std::memory_order_relaxed);
    return true;
}

bool COrvaCard::OpenDevice() {
    for (const HidDeviceInfo& d : backend_.Enumerate()) {
        if (!Matches(d, vendorFilter_, productFilter_) || !EqualsNoCase(d.serial, serial_)) {
            continue;
        }
        // The read-write open is what makes us connected; if it fails, so does Open.
        std::unique_ptr<IHidDevice> device = backend_.Open(d.path);
        if (!device) return false;
        productFilter_ = d.product;
        productText_ = d.productText;
        devicePath_ = d.path;
        inputReportLength_ = device->InputReportLength();
        std::lock_guard lock(writeMutex_);
        device_ = std::move(device);
        return true;
    }
    return false;
}

void COrvaCard::Suspend() {
    if (!IsConnected()) return;
    // Marked first, so that no change made meanwhile is dropped as one for a closed board.
    suspended_.store(true, std::memory_order_relaxed);
    connected_.store(false, std::memory_order_relaxed);
    StopThreads();
    std::lock_guard lock(writeMutex_);
    device_.reset();
}

bool COrvaCard::Resume() {
    if (!IsSuspended() || !OpenDevice()) return false;
    connected_.store(true, std::memory_order_relaxed);
    suspended_.store(false, std::memory_order_relaxed);
    // The board starts blank: everything the scripts set meanwhile goes to it again.
    if (IsMainBoard()) {
        std::lock_guard lock(imageMutex_);
        WriteOutputImageLocked();
    }
    SetAdcMask(AdcMask());
    if (IsServoBoard()) {
        std::lock_guard lock(servoMutex_);
        SendCommand(CMD_SERVO_ENABLE, static_cast<uint8_t>(servoEnableMask_ & 0xFF));
        servoImage_[1] = CMD_SERVO_POSITIONS;
        WriteReport(servoImage_.data(), servoImage_.size());
    }
    {
        std::lock_guard lock(displayMutex_);
        for (const DisplayReport& image : displayImages_) {
            const bool used = std::any_of(image.begin() + 35, image.begin() + 39,
                                          [](uint8_t block) { return block != 0; });
            if (used) WriteReport(image.data(), image.size());
        }
    }
    // Started last: the first report is then compared with the inputs as they were before the
    // board went, so a switch moved meanwhile runs its event once and the others do not.
    StartThreads();
    return true;
}

void COrvaCard::StartThreads() {
    std::lock_guard lock(threadMutex_);
    if (!IsConnected() || reader_.joinable()) return;
    // The blinkers start with empty lists. Emptied here rather than in the new threads, so a
    // blink set right after this call is never lost to a thread that starts late.
    BlinkLists& lists = BlinkLists::Shared();
    {
        std::lock_guard outputs(lists.outputLock);
        lists.outputs.clear();
    }
    {
        std::lock_guard displays(lists.displayLock);
        lists.displays.clear();
    }
    reader_ = std::jthread([this](std::stop_token stop) { ReaderLoop(stop); });
    outputBlinker_ = std::jthread([this](std::stop_token stop) { OutputBlinkerLoop(stop); });
    displayBlinker_ = std::jthread([this](std::stop_token stop) { DisplayBlinkerLoop(stop); });
}

void COrvaCard::StopThreads() {
    std::lock_guard lock(threadMutex_);
    for (std::jthread* t : {&reader_, &outputBlinker_, &displayBlinker_, &servoWatchdog_}) {
        t->request_stop();
    }
    // Joined before anything they use is released; a reader waiting in a synchronous send
    // sees its stop and returns, so this cannot deadlock on the owner thread.
    for (std::jthread* t : {&reader_, &outputBlinker_, &displayBlinker_, &servoWatchdog_}) {
        if (t->joinable()) t->join();
        *t = std::jthread();
    }
}

void COrvaCard::Close() {
    connected_.store(false, std::memory_order_relaxed);
    suspended_.store(false, std::memory_order_relaxed);
    if (pulses_) {
        // Waits for a pulse ending right now; later ones find no card.
        std::lock_guard lock(pulses_->mutex);
        pulses_->card = nullptr;
    }
    pulses_.reset();
    StopThreads();
    {
        std::lock_guard lock(writeMutex_);
        device_.reset();
    }
    {
        std::lock_guard lock(encoderMutex_);
        for (auto& e : encoders_) e.reset();
        encoderCount_.store(0, std::memory_order_relaxed);
    }
    std::lock_guard lock(displayMutex_);
    for (auto& d : displays_) {
        if (!d) continue;
        d->Clear();
        d->Refresh();  // reaches the images only: the object is no longer connected
        d.reset();
    }
}

std::u16string SerialOfCardLine(std::u16string_view line) {
    return std::u16string(line.size() > 5 ? line.substr(5) : std::u16string_view());
}

int COrvaCard::ListCards(std::vector<std::u16string>* lines) {
    int count = 0;
    for (const HidDeviceInfo& d : backend_.Enumerate()) {
        if (!Matches(d, vendorFilter_, productFilter_)) continue;
        ++count;
        if (lines) lines->push_back(Format(u"%03d: %s", count, d.serial));
    }
    return count;
}

bool COrvaCard::IsPresent() {
    const auto devices = backend_.Enumerate();
    return std::any_of(devices.begin(), devices.end(), [&](const HidDeviceInfo& d) {
        return Matches(d, vendorFilter_, productFilter_) && EqualsNoCase(d.serial, serial_);
    });
}

void COrvaCard::ReaderLoop(std::stop_token stop) {
    // Reading starts at once: a pause here would leave the first reports to the device's own
    // buffer, and a board that changes quickly overfills it (64 reports for hidraw).
    std::array<uint8_t, 512> buffer{};
    milliseconds retry = kFirstReadRetry;
    while (!stop.stop_requested()) {
        // A board that reports faster than the scripts run then waits in its own buffer, as it
        // does for a panel that reads nothing, instead of in a queue of ours that grows without
        // end: every report carries all inputs, so the levels come right with the next one read.
        if (target_ && !target_->WaitForRoom(kMaxQueued, stop)) continue;
        std::fill_n(buffer.begin(), 4, 0);
        int n = 0;
        int error = 0;
        {
            // device_ is only released after this thread has been joined.
            IHidDevice* device = device_.get();
            n = device->Read(buffer.data(), std::min(inputReportLength_, buffer.size()),
                             kReadTimeoutMs);
            if (n < 0) error = device->ErrorCode();
        }
        if (n == 0) continue;
        if (n < 0) {
            // A failed read is reported and retried after a pause that grows while the board
            // stays away, instead of spinning; the buffer it left is no report.
            Post(WM_CARD_IOERROR, 0, error);
            if (!SleepUnlessStopped(stop, retry)) return;
            retry = std::min(retry * 2, kLastReadRetry);
            continue;
        }
        retry = kFirstReadRetry;
        HandleReport(buffer.data(), static_cast<size_t>(n), stop);
    }
}

void COrvaCard::OutputBlinkerLoop(std::stop_token stop) {
    BlinkLists& lists = BlinkLists::Shared();
    bool phase = false;
    while (!stop.stop_requested()) {
        phase = !phase;
        {
            std::lock_guard lock(lists.outputLock);
            for (int pin : lists.outputs) {
                if (!IsConnected()) break;
                std::lock_guard image(imageMutex_);
                SetOutputBitLocked(pin, phase);
                WriteOutputImageLocked();
            }
        }
        if (!SleepUnlessStopped(stop, kBlinkPeriod)) return;
    }
}

void COrvaCard::DisplayBlinkerLoop(std::stop_token stop) {
    BlinkLists& lists = BlinkLists::Shared();
    bool phase = false;
    while (!stop.stop_requested()) {
        phase = !phase;
        {
            std::lock_guard lock(lists.displayLock);
            std::lock_guard displays(displayMutex_);
            for (int64_t id : lists.displays) {
                if (CCardDisplay* d = DisplayAt(id)) {
                    d->SetOn(phase);
                    d->Refresh();
                }
            }
        }
        if (!SleepUnlessStopped(stop, kBlinkPeriod)) return;
    }
}

}  // namespace orva
