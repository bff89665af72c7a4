#pragma once
#include <QString>

// Where a project's files lie, for the manager that writes them and the search
// server that reads them. The project folder is the folder of the project
// database; a database named without a folder lies in the current folder, and so
// do its colour-data files.

// The project folder of a database path: the text before its last "/", "/" for a
// database in the root folder, "." for one named without a folder.
QString project_folder(const QString& databasePath);

// The colour-data file of the row whose `id` is given as its decimal text: in the
// project folder, named by the id followed by ".rgb" ("/p/Kestraline.db" and "7"
// give "/p/7.rgb", "Kestraline.db" and "7" give "7.rgb").
QString colour_data_file(const QString& databasePath, const QString& id);
