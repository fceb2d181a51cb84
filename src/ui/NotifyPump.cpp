#include "ui/NotifyPump.h"

#include <QSocketNotifier>

#include "platform/Notify.h"

namespace orva {

CNotifyPump::CNotifyPump(CNotify& notify, QObject* parent)
    : QObject(parent),
      notify_(notify),
      notifier_(new QSocketNotifier(notify.WakeFd(), QSocketNotifier::Read, this)) {
    // ProcessPending reads the wake pipe down and wakes it again when work is left, so the
    // notifier never fires for nothing.
    connect(notifier_, &QSocketNotifier::activated, this, [this] { notify_.ProcessPending(); });
}

CNotifyPump::~CNotifyPump() = default;

}  // namespace orva
