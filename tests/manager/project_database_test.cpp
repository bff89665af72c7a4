// The project database: the table as the server reads it, the statements of the
// processing, and a project that is either fully open or not open at all.
#include "kestraline_error.h"
#include "project_database.h"
#include "test_support.h"
#include "video_status.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace manager;
using namespace testsupport;

namespace {

struct ProjectDatabase : ::testing::Test {
    void SetUp() override { ensureApplication(); }
    QTemporaryDir dir;
    QString dbPath() const { return dir.filePath("Kestraline.db"); }
};

} // namespace

TEST_F(ProjectDatabase, CreateMakesExactlyTheVideoTable)
{
    PROJECT_DATABASE db;
    ASSERT_TRUE(db.Create(dbPath()));
    EXPECT_EQ(db.Path(), dbPath());
    EXPECT_EQ(db.Folder(), dir.path());
    EXPECT_EQ(db.ColourFile("7"), dir.path() + "/7.rgb");
    EXPECT_EQ(sqliteShell(dbPath(), "select sql from sqlite_master where name='video';"),
              "CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,"
              "path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,"
              "comment TEXT)\n");
    EXPECT_TRUE(db.LoadRows().isEmpty());
}

// A project named without a folder lies in the current folder: its colour-data
// files and the tool runner's folder are there, where the server looks too.
TEST_F(ProjectDatabase, ProjectNamedWithoutAFolderKeepsItsFilesInTheCurrentFolder)
{
    const auto restore = qScopeGuard([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    PROJECT_DATABASE db;
    ASSERT_TRUE(db.Create("Kestraline.db"));
    writeBytes(dir.filePath("7.rgb"), "rgb");
    EXPECT_TRUE(QFileInfo(db.ColourFile("7")).isFile());
    EXPECT_EQ(QFileInfo(db.Folder()).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
}

TEST_F(ProjectDatabase, FailedCreateOrOpenLeavesNoProjectOpen)
{
    PROJECT_DATABASE db;
    ASSERT_TRUE(db.Create(dbPath()));
    // A second CREATE TABLE on the same file fails: the driver's text, no project.
    PROJECT_DATABASE again;
    EXPECT_THROW(again.Create(dbPath()), KestralineError);
    EXPECT_FALSE(again.IsOpen());
    EXPECT_TRUE(again.Path().isEmpty());

    EXPECT_FALSE(again.Open(dir.filePath("missing/Kestraline.db")));
    EXPECT_FALSE(again.IsOpen());
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/Kestraline.db")));
    EXPECT_FALSE(again.Create(dir.filePath("missing/Kestraline.db")));

    writeBytes(dir.filePath("junk.db"), QByteArray(4096, 'x'));
    ASSERT_TRUE(again.Open(dbPath()));
    EXPECT_FALSE(again.Open(dir.filePath("junk.db")));
    EXPECT_FALSE(again.IsOpen());
    EXPECT_TRUE(again.Path().isEmpty());
    EXPECT_TRUE(again.Folder().isEmpty());
    EXPECT_FALSE(again.InsertVideo(video_status_queued(), "a.avi", "/v/a.avi"));
    EXPECT_FALSE(again.UpdateVideo(video_status_processed(), 25, 10, 250, 640, 480, 1));
    EXPECT_EQ(readBytes(dir.filePath("junk.db")), QByteArray(4096, 'x'));
}

TEST_F(ProjectDatabase, InsertLastIdUpdateAndLoadInIdOrder)
{
    PROJECT_DATABASE db;
    ASSERT_TRUE(db.Create(dbPath()));
    ASSERT_TRUE(db.InsertVideo(video_status_queued(), "a.avi", "/v/a.avi"));
    EXPECT_EQ(db.LastId(), 1);
    ASSERT_TRUE(db.InsertVideo(video_status_queued(), "b.avi", "/v/b.avi"));
    EXPECT_EQ(db.LastId(), 2);
    // The path is unique: a second row for it is refused and nothing changes.
    EXPECT_FALSE(db.InsertVideo(video_status_queued(), "a.avi", "/v/a.avi"));
    EXPECT_EQ(db.LastId(), 2);

    EXPECT_TRUE(db.UpdateVideo(video_status_processed(), 29.97, 3.336, 100, 640, 480, 2));
    EXPECT_FALSE(db.UpdateVideo(video_status_processed(), 25, 1, 25, 1, 1, 99)); // no such row
    EXPECT_EQ(sqliteShell(dbPath(), "select id,status,filename,path,fps,duration,frames,width,height,"
                                    "quote(comment) from video order by id;"),
              "1|В очереди на обработку|a.avi|/v/a.avi|0.0|0.0|0|0|0|NULL\n"
              "2|Обработан|b.avi|/v/b.avi|29.97|3.336|100|640|480|NULL\n");

    sqliteShell(dbPath(), "update video set comment='заметка' where id=1;");
    const QVector<VIDEO_ROW> rows = db.LoadRows();
    ASSERT_EQ(rows.size(), 2);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const QStringList first = rows[0].GridTexts(), second = rows[1].GridTexts();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(first, QStringList({"1", "В очереди на обработку", "a.avi", "/v/a.avi", "0", "0", "0", "0", "0",
                                  "заметка"}));
    EXPECT_EQ(second, QStringList({"2", "Обработан", "b.avi", "/v/b.avi", "29,97", "3,336", "100", "640",
                                   "480", ""}));
}

TEST_F(ProjectDatabase, SelectOnADatabaseWithoutTheTableThrows)
{
    sqliteShell(dbPath(), "create table other (x);");
    PROJECT_DATABASE db;
    ASSERT_TRUE(db.Open(dbPath()));
    EXPECT_THROW(db.LoadRows(), KestralineError);
    EXPECT_FALSE(db.InsertVideo(video_status_queued(), "a.avi", "/v/a.avi"));
}
