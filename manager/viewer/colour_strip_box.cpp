#include "colour_strip_box.h"

#include <QPainter>
#include <QResizeEvent>

namespace manager {

ColourStripBox::ColourStripBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the picture covers the whole box
}

void ColourStripBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), picture, event->rect());
}

void ColourStripBox::resizeEvent(QResizeEvent* event)
{
    picture = QImage(event->size(), QImage::Format_RGB32);
    picture.fill(palette().color(QPalette::Window));
    QWidget::resizeEvent(event);
}

} // namespace manager
