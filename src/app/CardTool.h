// What every card tool owns while it is open (its own board object, notification queue and
// device watcher) and the steps the tools share to find, open and let go of their board. No
// window here: a window drains the queue from its event loop (CQtCardTool), a test from its own
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "card/OrvaCard.h"
#include "platform/Notify.h"

namespace orva {

class CDeviceWatcher;
class IHidBackend;

class CCardTool {
public:
    struct Handlers {
        std::function<void(const Notification&)> card;  // the board's notifications
        std::function<void()> devicesChanged;           // boards came or went
    };
    // What closing the tool sends first: the learning tools switch the analog channels off.
    enum class OnFinish { CloseOnly, AdcOffThenClose };

    // On the thread that then owns the queue and runs the handlers.
    CCardTool(IHidBackend& backend, OnFinish onFinish, Handlers handlers);
    virtual ~CCardTool();
    CCardTool(const CCardTool&) = delete;
    CCardTool& operator=(const CCardTool&) = delete;

    COrvaCard& Card() { return *card_; }
    // The queue the board and the device watcher post to; its owner drains it.
    CNotify& Notify() { return notify_; }

    // Closes the card, then lists the attached boards of the product (-1: any) and tells
    // whether the serial is among them, compared exactly.
    bool LookForCard(int32_t product, const std::u16string& serial);
    // "%03d: <serial>" per board, as of the last LookForCard.
    const std::vector<std::u16string>& Lines() const { return lines_; }
    // Closes the card, configures it for the product and serial (and the Sense setting, which
    // sets the process-wide input polarity) and opens it with its threads; false when the board
    // would not open, which leaves the tool waiting for the next device change.
    bool OpenCard(int32_t product, const std::u16string& serial,
                  std::optional<bool> senseVcc = std::nullopt);
    // Lets the board go by the tool's rule; notifications are dropped from then on.
    void Finish();
    bool Finished() const { return finished_; }

    // The ADDRs 0-63 the card information reported.
    static std::vector<int> PresentExtensions(const COrvaCard& card);

private:
    int64_t Handle(const Notification& n);

    OnFinish onFinish_;
    Handlers handlers_;
    bool finished_ = false;
    std::vector<std::u16string> lines_;
    // Destroyed in reverse: the watcher stops posting, the card joins its reader, then the
    // queue goes.
    CNotify notify_;
    std::unique_ptr<COrvaCard> card_;
    std::unique_ptr<CDeviceWatcher> watcher_;
};

}  // namespace orva
