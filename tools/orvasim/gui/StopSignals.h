// SIGINT and SIGTERM as a Qt signal: the handler only writes to a pipe that the event loop
// watches, so the board is unplugged cleanly on the main thread.
#pragma once

#include <signal.h>

#include <QObject>

class QSocketNotifier;

namespace orva::sim {

class CStopSignals final : public QObject {
    Q_OBJECT

public:
    // One at a time: the handlers write to this object's pipe.
    explicit CStopSignals(QObject* parent = nullptr);
    ~CStopSignals() override;

signals:
    void StopAsked();

private:
    int pipe_[2] = {-1, -1};
    struct sigaction previous_[2] = {};  // SIGINT, SIGTERM
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orva::sim
