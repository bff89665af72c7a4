#pragma once
#include <QFont>
#include <QString>

class QPushButton;

namespace manager {

// The manager's windows are laid out in pixels for an 11-pixel interface font;
// they use that size whatever the desktop's default is, so captions fit.
QFont window_font();

// A push button of the given size, made wider only if its caption would not fit.
// It acts when clicked, never as a window's default button.
QPushButton* fitted_button(const QString& text, int width, int height);

} // namespace manager
