#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace orva::sim {
namespace {

volatile std::sig_atomic_t g_writeFd = -1;

void OnStopSignal(int) {
    const int fd = g_writeFd;
    if (fd < 0) return;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
}

}  // namespace

CStopSignals::CStopSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_writeFd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previous_[0]);
    ::sigaction(SIGTERM, &action, &previous_[1]);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipe_[0], bytes, sizeof(bytes)) > 0) {
        }
        emit StopAsked();
    });
}

CStopSignals::~CStopSignals() {
    if (g_writeFd >= 0) {
        ::sigaction(SIGINT, &previous_[0], nullptr);
        ::sigaction(SIGTERM, &previous_[1], nullptr);
        g_writeFd = -1;
    }
    delete notifier_;
    for (int fd : pipe_) {
        if (fd >= 0) ::close(fd);
    }
}

}  // namespace orva::sim
