#include "program_folder.h"

#include <QCoreApplication>

QString program_folder()
{
    return QCoreApplication::applicationDirPath();
}
