#pragma once
#include <QString>

namespace server {

// The server's five settings: the texts of the main window's five fields. The
// settings file KestralineServer.ini in the program folder mirrors them.
struct ServerSettings {
    QString port = "1080";   // Edit3, Common/Port
    QString videoDataBase;   // Edit1, Common/VideoDataBase
    QString accessDataBase;  // Edit2, Common/AccessDataBase
    QString accessLog;       // Edit4, Logs/access
    QString errorsLog;       // Edit5, Logs/errors
};

// The settings file of a program folder.
QString server_settings_path(const QString& programFolder);

// Reads the file into `settings` when it exists (false and nothing changed when it
// does not). A key missing from a present file gives "1080" for the port and the
// empty text for every other setting.
bool read_server_settings(const QString& path, ServerSettings& settings);

// Writes all five keys; the file is created when missing. False when it could not
// be written, the old file then left as it was.
bool write_server_settings(const QString& path, const ServerSettings& settings);

} // namespace server
