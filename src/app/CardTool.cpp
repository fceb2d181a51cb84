#include "app/CardTool.h"

#include <algorithm>

#include "app/DeviceWatcher.h"

namespace orva {

CCardTool::CCardTool(IHidBackend& backend, OnFinish onFinish, Handlers handlers)
    : onFinish_(onFinish),
      handlers_(std::move(handlers)),
      card_(std::make_unique<COrvaCard>(backend, &notify_)) {
    notify_.SetHandler([this](const Notification& n) { return Handle(n); });
    // Watching from the start, not from the first opening, so a tool opened without its board
    // notices the board when it arrives.
    watcher_ = std::make_unique<CDeviceWatcher>(notify_);
}

CCardTool::~CCardTool() {
    Finish();
}

bool CCardTool::LookForCard(int32_t product, const std::u16string& serial) {
    card_->Close();
    card_->Configure(product, serial);
    lines_.clear();
    card_->ListCards(&lines_);
    return std::any_of(lines_.begin(), lines_.end(), [&](const std::u16string& line) {
        return SerialOfCardLine(line) == serial;
    });
}

bool CCardTool::OpenCard(int32_t product, const std::u16string& serial,
                         std::optional<bool> senseVcc) {
    card_->Close();
    card_->Configure(product, serial);
    if (senseVcc) card_->SetSense(*senseVcc);
    if (!card_->Open()) return false;
    card_->StartThreads();
    return true;
}

void CCardTool::Finish() {
    if (finished_) return;
    finished_ = true;
    watcher_.reset();
    if (onFinish_ == OnFinish::AdcOffThenClose && card_->IsConnected()) card_->SetAdcMask(0);
    card_->Close();
}

std::vector<int> CCardTool::PresentExtensions(const COrvaCard& card) {
    const std::array<uint8_t, 8> bitmap = card.ExtensionBitmap();
    std::vector<int> present;
    for (int addr = 0; addr < 64; ++addr) {
        if (bitmap[static_cast<size_t>(addr / 8)] & (0x80u >> (addr % 8))) present.push_back(addr);
    }
    return present;
}

int64_t CCardTool::Handle(const Notification& n) {
    // Whatever the old link queued before the tool let it go is no longer anyone's business.
    if (finished_) return 0;
    if (n.message == WM_DEVICECHANGE) {
        if (n.wParam == DBT_DEVNODES_CHANGED && handlers_.devicesChanged) {
            handlers_.devicesChanged();
        }
    } else if (handlers_.card) {
        handlers_.card(n);
    }
    return 0;
}

}  // namespace orva
