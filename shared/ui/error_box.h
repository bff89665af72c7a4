#pragma once
#include <QApplication>
#include <functional>

// The application object of the three programs: an exception that escapes an event
// handler is shown in the standard error box (through the dialog service) instead
// of ending the program, and the event loop goes on.
class KestralineApplication : public QApplication {
public:
    KestralineApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the standard error box for the exception in flight (call from a catch block):
// a KestralineError or std::exception with its text, anything else with an empty text.
void show_current_exception();

// Runs a program's start-up: whatever escapes `body` (window construction, the
// event loop) is shown in the standard error box; the result is then
// `result_after_error`.
int run_guarded(const std::function<int()>& body, int result_after_error = 0);
