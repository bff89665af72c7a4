#pragma once
#include <functional>

namespace server {

// Runs a window handler: an exception that escapes it (a failing select, a port
// that is taken) ends the handler and is shown in the standard error box, and the
// program goes on. True when the handler ran to its end.
bool run_handler(const std::function<void()>& body);

} // namespace server
