#include "server_status_text.h"

namespace server {

QString server_caption(bool active, quint16 port, const QString& database)
{
    if (active)
        return "Kestraline Server : " + QString::number(port) + " - " + database;
    return "Kestraline Server - " + database;
}

QString service_state_text(bool active)
{
    return active ? QStringLiteral("Сервер запущен") : QStringLiteral("Сервер остановлен");
}

QString grid_count_text(const QString& prefix, const QString& firstCell, int dataRows)
{
    if (firstCell.isEmpty())
        return QString();
    return prefix + QString::number(dataRows);
}

} // namespace server
