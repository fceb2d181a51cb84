// Runs the scripts of the events that match each notification, and handles a script's failure.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/EventNames.h"
#include "core/EventTable.h"
#include "core/ScriptRunner.h"
#include "platform/Notify.h"

namespace orva {

class IUserPrompt;

// Offset numbers with the value cells the IOCP client writes; ends with {0, nullptr}.
using SubscriptionList = std::vector<std::pair<int32_t, std::atomic<int32_t>*>>;

class CEventDispatcher {
public:
    CEventDispatcher(CEventTable& table, CEventTypeNames& typeNames, IUserPrompt& prompt,
                     IConnectionControl& control);

    // The connection's script state; nullptr while disconnected (scripts then run nothing).
    void SetScriptRunner(IScriptRunner* runner) { runner_ = runner; }
    IScriptRunner* ScriptRunner() const { return runner_; }

    void OnCardInput(int64_t pin, int64_t state);
    void OnCardAdc(int64_t channel, int64_t value);
    void OnCardEncoder(int64_t encoder, int64_t step);
    void OnCardIoError(int64_t kind, int64_t code);
    void OnIocpNotify(int64_t code, int64_t type);
    void RunAfterConnectEvents();
    void RunBeforeDisconnectEvents();
    void PublishEventNames();
    SubscriptionList BuildSubscriptionList(uint8_t type);

    // Routes one notification to its handler; true when it was one of ours.
    bool Dispatch(const Notification& n);

private:
    enum Guard {
        kInput,
        kAdc,
        kEncoder,
        kIoError,
        kIocp,
        kConnect,
        kDisconnect,
        kPublish,
        kGuards
    };

    void RunCardEvents(Guard guard, uint8_t type, int64_t wParam, int64_t lParam);
    void RunConnectEvents(Guard guard, uint8_t type);
    // Runs one record's script; on failure marks it, disconnects and tells the user.
    bool RunRecord(EventRecord& record, int32_t id, int32_t value);
    [[gnu::noinline]] void HandleFailure(EventRecord& record);

    CEventTable& table_;
    CEventTypeNames& typeNames_;
    IUserPrompt& prompt_;
    IConnectionControl& control_;
    IScriptRunner* runner_ = nullptr;
    bool guards_[kGuards] = {};
};

}  // namespace orva
