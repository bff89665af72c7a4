#pragma once
#include <QString>

namespace client {

// Where and as whom the client searches: the server's host and port (kept as
// typed, not checked) and the user name and password of Basic authentication.
struct ConnectionSettings {
    QString Host;
    QString Port;
    QString User;
    QString Password;
};

} // namespace client
