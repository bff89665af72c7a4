#include "server_settings.h"

#include "ini_file.h"

#include <QFileInfo>

namespace server {

QString server_settings_path(const QString& programFolder)
{
    return programFolder + "/KestralineServer.ini";
}

bool read_server_settings(const QString& path, ServerSettings& settings)
{
    if (!QFileInfo(path).isFile())
        return false;
    const IniFile ini(path);
    settings.port = ini.ReadString("Common", "Port", "1080");
    settings.videoDataBase = ini.ReadString("Common", "VideoDataBase", QString());
    settings.accessDataBase = ini.ReadString("Common", "AccessDataBase", QString());
    settings.accessLog = ini.ReadString("Logs", "access", QString());
    settings.errorsLog = ini.ReadString("Logs", "errors", QString());
    return true;
}

bool write_server_settings(const QString& path, const ServerSettings& settings)
{
    IniFile ini(path);
    ini.WriteString("Common", "Port", settings.port);
    ini.WriteString("Common", "VideoDataBase", settings.videoDataBase);
    ini.WriteString("Common", "AccessDataBase", settings.accessDataBase);
    ini.WriteString("Logs", "access", settings.accessLog);
    ini.WriteString("Logs", "errors", settings.errorsLog);
    return ini.UpdateFile();
}

} // namespace server
