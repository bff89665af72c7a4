#pragma once

namespace client {

// KestralineClient's start-up: the application with its title and visual style,
// the main window (which reads the settings), the settings window, the results
// window and the about box, then the message loop. What escapes is shown in the
// standard error box; the result is then 0.
int run_kestraline_client(int argc, char** argv);

} // namespace client
