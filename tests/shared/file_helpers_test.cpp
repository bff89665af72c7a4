// Path scans, file sizes, folder listings and whole-folder operations.
#include "file_helpers.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testsupport;

TEST(PathScans, DirNameIsTextBeforeLastSlash)
{
    EXPECT_EQ(get_dir_name(""), "");
    EXPECT_EQ(get_dir_name("b.txt"), "b.txt");
    EXPECT_EQ(get_dir_name("/a/b.txt"), "/a");
    EXPECT_EQ(get_dir_name("/b.txt"), "");
    EXPECT_EQ(get_dir_name("/video/"), "/video");
    // The back slash is an ordinary character here.
    EXPECT_EQ(get_dir_name("a\\b.txt"), "a\\b.txt");
}

TEST(PathScans, FileNameFollowsEitherDelimiter)
{
    EXPECT_EQ(get_file_name("/a/b.txt"), "b.txt");
    EXPECT_EQ(get_file_name("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(get_file_name("/a\\b/c"), "c");
    EXPECT_EQ(get_file_name("/a/b\\c"), "c");
    EXPECT_EQ(get_file_name("/a/"), "");
    EXPECT_EQ(get_file_name("b.txt"), "b.txt");
    EXPECT_EQ(get_file_name(""), "");
}

TEST(PathScans, ExtensionSplitSearchesWholePath)
{
    EXPECT_EQ(without_extension("/a/b.txt"), "/a/b");
    EXPECT_EQ(without_extension("a.b.c"), "a.b");
    EXPECT_EQ(without_extension(".log"), "");
    EXPECT_EQ(without_extension("/dir.x/file"), "/dir");
    EXPECT_EQ(without_extension("readme"), "");

    EXPECT_EQ(get_extension("access.log"), ".log");
    EXPECT_EQ(get_extension("a.b.c"), ".c");
    EXPECT_EQ(get_extension("file."), ".");
    EXPECT_EQ(get_extension("/dir.x/file"), ".x/file");
    EXPECT_EQ(get_extension("readme"), "");
    EXPECT_EQ(get_extension(""), "");

    for (const QString path : {"/a/b.txt", "a.b.c", ".log", "/dir.x/file", "file.", "/v/кино.mp4"})
        EXPECT_EQ(without_extension(path) + get_extension(path), path) << path.toStdString();
}

TEST(FileSize, ReportsSizeOrZero)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("empty"), "");
    writeBytes(dir.filePath("файл 5"), "12345");
    EXPECT_EQ(getFileSize(dir.filePath("empty")), 0);
    EXPECT_EQ(getFileSize(dir.filePath("файл 5")), 5);
    EXPECT_EQ(getFileSize(dir.filePath("missing")), 0);
    EXPECT_EQ(getFileSize(dir.path()), 0);
    EXPECT_EQ(getFileSize(""), 0);
    // A NUL must not shorten the name to an existing file.
    EXPECT_EQ(getFileSize(dir.filePath("empty") + QChar(0) + "x"), 0);
    QString withNul = dir.filePath("файл 5");
    withNul.append(QChar(0));
    EXPECT_EQ(getFileSize(withNul), 0);
}

TEST(FileSize, SparseFileOverFourGigabytesInFull)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("big.bin");
    const qint64 size = 5LL * 1024 * 1024 * 1024 + 7;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(size)); // sparse: takes no disk space
    file.close();
    EXPECT_EQ(getFileSize(path), size);
}
