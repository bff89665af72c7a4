#include "client_settings_file.h"

#include "ini_file.h"

#include <QFileInfo>

namespace client {

namespace {
const QString section = "Client";
}

QString client_settings_path(const QString& programFolder)
{
    return programFolder + "/KestralineClient.ini";
}

void read_client_settings(const QString& programFolder, ConnectionSettings& settings)
{
    const QString path = client_settings_path(programFolder);
    if (!QFileInfo(path).isFile())
        return;
    const IniFile ini(path);
    settings.Host = ini.ReadString(section, "Host", "127.0.0.1");
    settings.Port = ini.ReadString(section, "Port", "1080");
    settings.User = ini.ReadString(section, "User", "qoda");
    settings.Password = ini.ReadString(section, "Password", "580264");
}

bool write_client_settings(const QString& programFolder, const ConnectionSettings& settings)
{
    IniFile ini(client_settings_path(programFolder));
    ini.WriteString(section, "Host", settings.Host);
    ini.WriteString(section, "Port", settings.Port);
    ini.WriteString(section, "User", settings.User);
    ini.WriteString(section, "Password", settings.Password);
    return ini.UpdateFile();
}

} // namespace client
