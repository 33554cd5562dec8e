#include "process/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace luma {

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may only do what is safe inside a signal: write to the pipe,
// which wakes the event loop.
volatile std::sig_atomic_t writeEnd = -1;

void onSignal(int signal) {
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = savedErrno;
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readPending);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kQuitSignals) ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    if (pipe_[0] < 0) return;
    for (int signal : kQuitSignals) std::signal(signal, SIG_DFL);
    writeEnd = -1;
    delete notifier_;  // before its descriptor closes
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void QuitSignals::readPending() {
    unsigned char number = 0;
    while (::read(pipe_[0], &number, 1) == 1) emit received(number);
}

}  // namespace luma
