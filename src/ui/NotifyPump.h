// Drains the notification queue from Qt's event loop: board and server notifications are
// handled on the GUI thread, nested loops (message boxes, modal dialogs) included, without a
// polling timer.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace orva {

class CNotify;

class CNotifyPump final : public QObject {
    Q_OBJECT

public:
    CNotifyPump(CNotify& notify, QObject* parent = nullptr);
    ~CNotifyPump() override;

private:
    CNotify& notify_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orva
