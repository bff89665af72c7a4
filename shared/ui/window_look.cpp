#include "window_look.h"

#include "platform_startup.h"

#include <QPushButton>

QPushButton* fitted_button(const QString& text, int width, int height)
{
    auto* button = new QPushButton(text);
    button->setFont(interface_font());
    button->setFixedSize(designed_width(width, button->sizeHint().width()), height);
    // A dialog would otherwise make its first button the default one, which Enter
    // pressed anywhere in it clicks: in the add-videos window that is "Отмена".
    button->setAutoDefault(false);
    return button;
}

void show_in_front(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
