#include "termination_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

namespace {

int signal_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe.
void note_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
}

} // namespace

void on_termination_signals(QObject* owner, const std::function<void()>& onSignal)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, onSignal] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signal_pipe[0], &byte, 1);
        notifier->setEnabled(false);  // once is enough: the program is ending
        onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace server
