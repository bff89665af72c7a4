#pragma once
#include <functional>

class QObject;

namespace server {

// Runs `onSignal` on the main thread when the process gets SIGTERM or SIGINT (a
// `kill` from a shell, Ctrl+C in a terminal), so that a server stopped from outside
// ends like the menu's exit: its service stopped and its logs closed and complete.
// The handler lives as long as `owner`. Call once per process.
void on_termination_signals(QObject* owner, const std::function<void()>& onSignal);

} // namespace server
