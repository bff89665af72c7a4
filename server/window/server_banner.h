#pragma once
#include <QPixmap>

namespace server {

// The banner across the top of the main window: the program's name over a band of
// colour strips, the way the server sees a video. Drawn, not loaded, so that it
// scales with the screen's pixel ratio.
QPixmap server_banner(int width, int height);

} // namespace server
