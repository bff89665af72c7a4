#pragma once
#include "server_settings.h"

#include <QStringList>

namespace server {

// Applies the server's command line (the arguments after the program name):
// the first is the project database path, the second the port (taken as it
// stands), the third the access database path; further ones are ignored.
void apply_server_arguments(const QStringList& arguments, ServerSettings& settings);

} // namespace server
