#include "player_widgets.h"

#include <QMouseEvent>
#include <QToolTip>

namespace player {

SeekBar::SeekBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    setMouseTracking(true);
    setMinimum(0);
    setMaximum(100);
    setValue(0);
}

void SeekBar::setHint(const QString& hint)
{
    setToolTip(hint);
    if (QToolTip::isVisible() && underMouse())
        QToolTip::showText(QCursor::pos(), hint, this);
}

void SeekBar::mousePressEvent(QMouseEvent* event)
{
    emit pressed(static_cast<int>(event->position().x()));
    event->accept();
}

void SeekBar::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(static_cast<int>(event->position().x()));
    event->accept();
}

} // namespace player
