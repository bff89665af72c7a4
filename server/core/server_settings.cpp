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
    bool written = ini.WriteString("Common", "Port", settings.port);
    written = ini.WriteString("Common", "VideoDataBase", settings.videoDataBase) && written;
    written = ini.WriteString("Common", "AccessDataBase", settings.accessDataBase) && written;
    written = ini.WriteString("Logs", "access", settings.accessLog) && written;
    written = ini.WriteString("Logs", "errors", settings.errorsLog) && written;
    return ini.UpdateFile() && written;
}

} // namespace server
