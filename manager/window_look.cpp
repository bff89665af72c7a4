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
    // A dialog would otherwise make its first button the default one, which Enter
    // pressed anywhere in it clicks: in the add-videos window that is "Отмена".
    button->setAutoDefault(false);
    return button;
}

} // namespace manager
