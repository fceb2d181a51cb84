// The board object's state copied for a monitor.
#include "card/OrvaCard.h"

namespace orva {

CardSnapshot COrvaCard::Snapshot(bool takeChanges) {
    CardSnapshot s;
    s.connected = IsConnected();
    s.product = productFilter_;
    for (size_t k = 0; k < kReportSize; ++k) {
        s.inputs[k] = inputShadow_[k].load(std::memory_order_relaxed);
        if (takeChanges)
            s.inputChanges[k] = inputChanges_[k].exchange(0, std::memory_order_relaxed);
    }
    for (int c = 1; c <= 8; ++c) s.analog[static_cast<size_t>(c)] = GetAdcValue(c);
    s.adcMask = AdcMask();
    s.extensions = ExtensionBitmap();
    s.outputs = OutputImage();
    {
        std::lock_guard lock(servoMutex_);
        s.servos = servoImage_;
        s.servoEnable = servoEnableMask_;
    }
    {
        std::lock_guard lock(displayMutex_);
        s.displays = displayImages_;
    }
    std::lock_guard lock(encoderMutex_);
    for (const auto& e : encoders_) {
        if (!e) continue;
        s.encoders.push_back(
            {e->Id(), e->PinA(), e->PinB(), e->Value(), e->Low(), e->High(), e->Cyclic()});
    }
    return s;
}

}  // namespace orva
