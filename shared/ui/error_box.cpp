#include "error_box.h"

#include "dialog_service.h"
#include "kestraline_error.h"

KestralineApplication::KestralineApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KestralineApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        show_current_exception();
    }
    return false;
}

void show_current_exception()
{
    try {
        throw;
    } catch (const KestralineError& e) {
        dialogs().showError(e.message());
    } catch (const std::exception& e) {
        dialogs().showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        dialogs().showError(QString());
    }
}

int run_guarded(const std::function<int()>& body, int result_after_error)
{
    try {
        return body();
    } catch (...) {
        show_current_exception();
    }
    return result_after_error;
}
