#include "project_files.h"

QString project_folder(const QString& databasePath)
{
    const qsizetype slash = databasePath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : databasePath.left(slash);
}

QString colour_data_file(const QString& databasePath, const QString& id)
{
    // The database's own folder part, delimiter included: nothing for a name
    // without a folder, so the file is named relative to the current folder too.
    const qsizetype slash = databasePath.lastIndexOf(QLatin1Char('/'));
    return databasePath.left(slash + 1) + id + QStringLiteral(".rgb");
}
