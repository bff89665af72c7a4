#include "program_folder.h"

#include <QCoreApplication>

QString program_folder()
{
    return QCoreApplication::applicationDirPath();
}

QString help_file_path(const QString& programFolder)
{
    return programFolder + "/Kestraline.chm";
}
