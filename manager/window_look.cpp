#include "window_look.h"

#include <QApplication>
#include <QPushButton>

namespace manager {

QFont window_font()
{
    QFont font = QApplication::font();
    font.setPixelSize(11);
    return font;
}

QPushButton* fitted_button(const QString& text, int width, int height)
{
    auto* button = new QPushButton(text);
    button->setFont(window_font());
    button->setFixedSize(qMax(width, button->sizeHint().width()), height);
    return button;
}

} // namespace manager
