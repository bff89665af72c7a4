#include "server_arguments.h"

namespace server {

void apply_server_arguments(const QStringList& arguments, ServerSettings& settings)
{
    if (arguments.size() >= 1)
        settings.videoDataBase = arguments.at(0);
    if (arguments.size() >= 2)
        settings.port = arguments.at(1);
    if (arguments.size() >= 3)
        settings.accessDataBase = arguments.at(2);
}

} // namespace server
