#include "termination_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace server {

namespace {

int signal_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe, which never blocks (a full
// pipe already holds the news), and errno as the interrupted code left it.
void note_signal(int)
{
    const int interrupted_errno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
    errno = interrupted_errno;
}

} // namespace

void catch_termination_signals()
{
    if (signal_pipe[0] >= 0 || ::pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void on_termination_signals(QObject* owner, const std::function<void()>& onSignal)
{
    if (signal_pipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, onSignal] {
        char bytes[16];
        while (::read(signal_pipe[0], bytes, sizeof bytes) > 0) {
        }
        notifier->setEnabled(false); // once is enough: the program is ending
        onSignal();
    });
}

} // namespace server
