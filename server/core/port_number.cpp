#include "port_number.h"

namespace server {

qint64 port_from_text(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 1080;
}

qint64 clamp_port(qint64 value)
{
    if (value <= 0)
        return 1;
    if (value > 65535)
        return 65535;
    return value;
}

quint16 listening_port(const QString& text)
{
    return static_cast<quint16>(clamp_port(port_from_text(text)));
}

} // namespace server
