#include "core/EventDispatcher.h"

#include "platform/Text.h"
#include "platform/UserPrompt.h"

namespace orva {
namespace {

// Holds a routine's re-entrancy flag for the length of one walk.
class GuardScope {
public:
    explicit GuardScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~GuardScope() { flag_ = false; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

CEventDispatcher::CEventDispatcher(CEventTable& table, CEventTypeNames& typeNames,
                                   IUserPrompt& prompt, IConnectionControl& control)
    : table_(table), typeNames_(typeNames), prompt_(prompt), control_(control) {}

bool CEventDispatcher::RunRecord(EventRecord& record, int32_t id, int32_t value) {
    if (record.script.empty() || !runner_) return true;
    if (runner_->Run(record.script, id, value, true, &record.memo)) return true;
    HandleFailure(record);
    return false;
}

void CEventDispatcher::HandleFailure(EventRecord& record) {
    // Everything the message needs is taken now: the disconnect below ends the script state
    // and may run other scripts.
    const std::u16string error = FromAnsi(runner_->LastError());
    const std::u16string typeName = typeNames_.Name(record.type);
    const std::u16string name = record.name;
    record.errorMark = true;
    control_.Disconnect();
    control_.RefreshStatus();
    prompt_.ShowMessage(Format(u"Error at %s event: %s.\r\n%s", typeName, name, error),
                        u"LUA Script Error", PromptIcon::Error, true);
}

void CEventDispatcher::RunCardEvents(Guard guard, uint8_t type, int64_t wParam, int64_t lParam) {
    if (guards_[guard] || wParam == 0) return;
    GuardScope scope(guards_[guard]);
    for (size_t i = 0; i < CEventTable::kSize && table_[i].id >= 0; ++i) {
        EventRecord& r = table_[i];
        if (r.disabled || r.type != type || (r.id != 0 && r.id != wParam)) continue;
        if (!RunRecord(r, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam))) return;
    }
}

void CEventDispatcher::OnCardInput(int64_t pin, int64_t state) {
    RunCardEvents(kInput, kEventDigitalPin, pin, state);
}

void CEventDispatcher::OnCardAdc(int64_t channel, int64_t value) {
    RunCardEvents(kAdc, kEventAnalogChannel, channel, value);
}

void CEventDispatcher::OnCardEncoder(int64_t encoder, int64_t step) {
    RunCardEvents(kEncoder, kEventEncoder, encoder, step);
}

void CEventDispatcher::OnCardIoError(int64_t kind, int64_t code) {
    RunCardEvents(kIoError, kEventIoError, kind, code);
}

void CEventDispatcher::OnIocpNotify(int64_t code, int64_t type) {
    if (guards_[kIocp] || code == 9999) return;
    GuardScope scope(guards_[kIocp]);
    const size_t used = table_.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        EventRecord& r = table_[i];
        if (r.disabled || r.type != type) continue;
        // The cell is read once: a value that changes during the check waits for the next one.
        const int32_t value = r.value.load(std::memory_order_relaxed);
        if (value == r.lastValue.load(std::memory_order_relaxed)) continue;
        r.lastValue.store(value, std::memory_order_relaxed);
        if (!RunRecord(r, r.id, value)) return;
    }
}

void CEventDispatcher::RunConnectEvents(Guard guard, uint8_t type) {
    if (guards_[guard]) return;
    GuardScope scope(guards_[guard]);
    const size_t used = table_.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        EventRecord& r = table_[i];
        if (r.disabled || r.type != type) continue;
        if (!RunRecord(r, 0, 0)) return;
    }
}

void CEventDispatcher::RunAfterConnectEvents() {
    RunConnectEvents(kConnect, kEventAfterConnect);
}

void CEventDispatcher::RunBeforeDisconnectEvents() {
    RunConnectEvents(kDisconnect, kEventBeforeDisconnect);
}

void CEventDispatcher::PublishEventNames() {
    if (guards_[kPublish] || !runner_) return;
    GuardScope scope(guards_[kPublish]);
    const size_t used = table_.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        const EventRecord& r = table_[i];
        if (r.disabled || IsMarkedEventName(r.name)) continue;
        runner_->SetGlobalInteger(r.name, r.id);
    }
}

SubscriptionList CEventDispatcher::BuildSubscriptionList(uint8_t type) {
    SubscriptionList list;
    const size_t used = table_.UsedCount();
    for (size_t i = 0; i < used; ++i) {
        if (table_[i].type == type) list.emplace_back(table_[i].id, &table_[i].value);
    }
    list.emplace_back(0, nullptr);
    return list;
}

bool CEventDispatcher::Dispatch(const Notification& n) {
    switch (n.message) {
        case WM_CARD_INPUT:
            OnCardInput(n.wParam, n.lParam);
            return true;
        case WM_CARD_ADC:
            OnCardAdc(n.wParam, n.lParam);
            return true;
        case WM_CARD_ENCODER:
            OnCardEncoder(n.wParam, n.lParam);
            return true;
        case WM_CARD_IOERROR:
            OnCardIoError(n.wParam, n.lParam);
            return true;
        case WM_IOCP_NOTIFY:
            OnIocpNotify(n.wParam, n.lParam);
            return true;
        default:
            return false;
    }
}

}  // namespace orva
