#pragma once
#include <QFont>

class QApplication;

// The platform pieces that every program sets up right after its application
// object: Qt's Russian translations of the standard buttons and dialogs ("Да",
// "Нет", the file dialog), the designed interface fonts (Wine's metric-compatible
// Tahoma and "MS Sans Serif", DejaVu Sans where they are missing) with Tahoma 8 pt
// as every window's default, and, when KESTRALINE_ANSWER_BOXES names a file, the
// recording and answering of message boxes (see box_answerer.h).
void start_platform(QApplication& application);

// Tahoma 8 pt: the windows' font.
QFont interface_font();
// "MS Sans Serif" of 11 pixels: the about box's font.
QFont about_box_font();

// True once start_platform has loaded Tahoma: the windows then keep their designed
// pixel widths. Without it a wider font stands in and captions may need more room.
bool designed_fonts_loaded();

// A designed width in pixels, or `needed` where that is larger and the designed
// fonts are missing.
int designed_width(int designed, int needed);
