#include "StdinCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>

namespace orva::sim {

CStdinCommands::CStdinCommands(std::function<std::string(const std::string&)> execute,
                               QObject* parent)
    : QObject(parent), execute_(std::move(execute)) {
    if (::fcntl(STDIN_FILENO, F_GETFD) < 0) return;  // no stdin at all
    notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CStdinCommands::ReadSome);
}

void CStdinCommands::ReadSome() {
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0) {
        // The end of stdin ends nothing: the window and the control socket drive the board.
        notifier_->setEnabled(false);
        if (!pending_.empty()) pending_.push_back('\n');  // a last line without its end counts
    } else {
        pending_.append(buffer, static_cast<size_t>(n));
    }
    RunLines();
}

void CStdinCommands::RunLines() {
    for (size_t nl = pending_.find('\n'); nl != std::string::npos; nl = pending_.find('\n')) {
        std::string line = pending_.substr(0, nl);
        pending_.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string answer = execute_(line);
        std::printf("%s\n", answer.c_str());
        std::fflush(stdout);
        if (line == "quit") {
            notifier_->setEnabled(false);
            emit QuitAsked();
            return;
        }
    }
}

}  // namespace orva::sim
