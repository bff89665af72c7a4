// Where a project's colour-data files lie: the one rule the manager and the
// search server share.
#include "project_files.h"

#include <gtest/gtest.h>

TEST(ProjectFiles, ColourFilesLieInTheFolderOfTheDatabase)
{
    struct Case {
        QString database, folder, colourFile;
    };
    const Case cases[] = {
        {"/p/q/Kestraline.db", "/p/q", "/p/q/7.rgb"},
        {"Kestraline.db", ".", "7.rgb"}, // no folder: the current folder
        {"sub/Kestraline.db", "sub", "sub/7.rgb"},
        {"/Kestraline.db", "/", "/7.rgb"},
        {"/p/q.d/db", "/p/q.d", "/p/q.d/7.rgb"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(project_folder(c.database), c.folder) << c.database.toStdString();
        EXPECT_EQ(colour_data_file(c.database, "7"), c.colourFile) << c.database.toStdString();
    }
}
