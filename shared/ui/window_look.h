#pragma once
#include <QString>

class QPushButton;

// A push button of the designed size; where a stand-in for the designed font is
// wider, it grows to fit its caption.
// It acts when clicked, never as a window's default button.
QPushButton* fitted_button(const QString& text, int width, int height);
