#pragma once
#include <QString>
#include <QtGlobal>

namespace server {

// The main window's caption: "Kestraline Server : <port> - <project>" while the
// service runs, "Kestraline Server - <project>" while it is stopped.
QString server_caption(bool active, quint16 port, const QString& database);

// The service panel of the status bar.
QString service_state_text(bool active);

// A count panel of the status bar: empty when the grid's first data cell is empty,
// else the prefix followed by the number of data rows.
QString grid_count_text(const QString& prefix, const QString& firstCell, int dataRows);

} // namespace server
