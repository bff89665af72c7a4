#pragma once
#include <QString>

class QPushButton;

// A push button of the designed size; where a stand-in for the designed font is
// wider, it grows to fit its caption.
// It acts when clicked, never as a window's default button.
QPushButton* fitted_button(const QString& text, int width, int height);

class QWidget;

// Shows a modeless window, or brings it to the front and activates it when it
// is shown already.
void show_in_front(QWidget* window);
