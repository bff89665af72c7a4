#include "window_hold.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

namespace client {

WindowHold::WindowHold(QWidget* window)
{
    for (QTimer* timer : window->findChildren<QTimer*>()) {
        if (timer->isActive()) {
            timer->stop();
            held.append(timer);
        }
    }
    QCoreApplication::instance()->installEventFilter(this);
}

WindowHold::~WindowHold()
{
    // The waits leave the window system's input queued; it is delivered now and
    // dropped by the filter, so a click made during the wait does nothing.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
    for (const QPointer<QTimer>& timer : held)
        if (timer)
            timer->start();
}

bool WindowHold::eventFilter(QObject*, QEvent* event)
{
    // Mouse, keys, wheel, touch, tablet, context menus, and the shortcuts keys make.
    return event->isInputEvent() || event->type() == QEvent::Shortcut;
}

} // namespace client
