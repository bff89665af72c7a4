#pragma once

namespace server {

// KestralineServer's start-up: the application with its title and visual style,
// the main window (which brings the server up), the about box, the loading dialog
// and the two user dialogs, then the message loop. What escapes is shown in the
// standard error box; the result is then 1, so that whoever started the server
// can tell that it did not come up.
int run_kestraline_server(int argc, char** argv);

} // namespace server
