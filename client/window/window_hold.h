#pragma once
#include <QList>
#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;

namespace client {

// Holds a window still while it waits on purpose (the search's tool and its
// answer), as a window whose one thread is busy: its timers do not run and the
// application takes no user input, while painting goes on. When the hold ends,
// input that arrived meanwhile is dropped, not acted on late, and the timers
// that were running run again.
class WindowHold : public QObject {
public:
    explicit WindowHold(QWidget* window);
    ~WindowHold() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QPointer<QTimer>> held;
};

} // namespace client
