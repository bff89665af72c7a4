#pragma once
#include <functional>

class QObject;

namespace server {

// SIGTERM and SIGINT (a `kill` from a shell, Ctrl+C in a terminal) end the server as the
// menu's exit does, from the first moment on. The signal handler only notes the signal
// (one byte into a pipe, which is async-signal-safe); the main thread acts on it once an
// event loop runs, so a signal that comes while the program is still starting is kept
// until then rather than killing it half-way.

// Puts the handler in place. Call first thing in main, before the application object.
void catch_termination_signals();

// Runs `onSignal` on the main thread, from the next event loop on, when a signal came or
// comes; only once. The handler lives as long as `owner`. Call once per process, after
// catch_termination_signals and once the application object exists.
void on_termination_signals(QObject* owner, const std::function<void()>& onSignal);

} // namespace server
