#pragma once
#include <QString>

// The folder of the running program file, without a trailing "/". Settings files,
// the help file and the outside tools are taken from there.
QString program_folder();

// The help file that every program's "Справка" opens: Kestraline.chm in the
// program folder.
QString help_file_path(const QString& programFolder);
