#pragma once
#include <QString>

#include "connection_settings.h"

namespace client {

// KestralineClient.ini in the program folder, section "Client".
QString client_settings_path(const QString& programFolder);

// Reads Host, Port, User and Password when the file exists, each key it lacks
// taking its default ("127.0.0.1", "1080", "qoda", "580264"); without the file
// the settings are left as they are.
void read_client_settings(const QString& programFolder, ConnectionSettings& settings);

// Writes the four keys in that order, empty values included; false when the
// file could not be written, the old file then left as it was.
bool write_client_settings(const QString& programFolder, const ConnectionSettings& settings);

} // namespace client
