// Command lines from stdin, answered on stdout, read by the event loop as they arrive: with a
// window the main thread runs Qt, so stdin cannot have a loop of its own there.
#pragma once

#include <QObject>
#include <functional>
#include <string>

class QSocketNotifier;

namespace orva::sim {

class CStdinCommands final : public QObject {
    Q_OBJECT

public:
    explicit CStdinCommands(std::function<std::string(const std::string&)> execute,
                            QObject* parent = nullptr);

signals:
    void QuitAsked();

private:
    void ReadSome();
    void RunLines();

    std::function<std::string(const std::string&)> execute_;
    QSocketNotifier* notifier_ = nullptr;
    std::string pending_;
};

}  // namespace orva::sim
