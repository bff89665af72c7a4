#pragma once
#include <QString>

// The folder of the running program file, without a trailing "/". Settings files,
// the help file and the outside tools are taken from there.
QString program_folder();
