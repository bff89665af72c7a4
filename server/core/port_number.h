#pragma once
#include <QString>
#include <QtGlobal>

namespace server {

// The port field's text read as a decimal whole number; 1080 when it is not one.
qint64 port_from_text(const QString& text);

// What leaving the port field makes of a number: 0 or less becomes 1, above
// 65535 becomes 65535.
qint64 clamp_port(qint64 value);

// The port the service listens on for the field's text: the same reading and the
// same bounds, so a value from the settings file or the command line that lies
// outside 1..65535 listens on the nearest valid port instead of a wrapped one.
quint16 listening_port(const QString& text);

} // namespace server
