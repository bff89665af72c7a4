// Path scans, file sizes, folder listings and whole-folder operations.
#include "file_helpers.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

using namespace testsupport;

namespace {

QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

QStringList linesOf(const QString& text)
{
    EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n")) << text.toStdString();
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    return lines;
}

void makeFile(const QString& path, const QByteArray& content = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    writeBytes(path, content);
}

void makeLink(const QString& target, const QString& link)
{
    ASSERT_TRUE(QFile::link(target, link)) << link.toStdString();
}

} // namespace

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

TEST(PathJoins, SlashFullAndRelativePaths)
{
    EXPECT_EQ(addLastSlash("/a"), "/a/");
    EXPECT_EQ(addLastSlash("/a/"), "/a/");
    EXPECT_EQ(addLastSlash(""), "/");

    EXPECT_EQ(getFullPath("/x.txt", "/base"), "/x.txt");
    EXPECT_EQ(getFullPath("x.txt", "/base"), "/base/x.txt");
    EXPECT_EQ(getFullPath("x.txt", "/base/"), "/base/x.txt");
    EXPECT_EQ(getFullPath("sub/x.txt", ""), "/sub/x.txt");

    EXPECT_EQ(getRelativePath("/a/b/c.txt", "/a"), "b/c.txt");
    EXPECT_EQ(getRelativePath("/A/b", "/a"), "/A/b");
    EXPECT_EQ(getRelativePath("/a", "/a"), "/a");
    EXPECT_EQ(getRelativePath("/a/", "/a"), "");
    EXPECT_EQ(getRelativePath("/ab/c", "/a"), "/ab/c"); // a longer name is no parent

    EXPECT_EQ(count_slashes("/srv/share/"), 3);
    EXPECT_EQ(count_slashes("C:"), 0);
    EXPECT_EQ(count_slashes("/"), 1);
    EXPECT_EQ(count_slashes("a\\b"), 0);
}

TEST(PathScans, LastDirNameWithOrWithoutFinalSlash)
{
    EXPECT_EQ(get_last_dir_name("/a/b/"), "b");
    EXPECT_EQ(get_last_dir_name("/a/b"), "b");
    EXPECT_EQ(get_last_dir_name("/a/"), "a");
    EXPECT_EQ(get_last_dir_name("a/"), "a");
    EXPECT_EQ(get_last_dir_name("/"), "");
    EXPECT_EQ(get_last_dir_name(""), "");
    EXPECT_EQ(get_last_dir_name("name"), "name");
    EXPECT_EQ(get_last_dir_name(u8"/видео/кино/"), QString::fromUtf8(u8"кино"));
}

// A tree with hidden entries and links that listings must not report or enter.
class Listing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + "/root";
        for (const char* name : {"a.txt", "B.TXT", "c.mp4", "noext", ".hidden.txt", "sub1/x.txt",
                                 "sub1/deep/y.txt", "sub1/.h/z.txt", ".hiddendir/w.txt", "sub2/q.log"})
            makeFile(root + "/" + name);
        QDir().mkpath(root + "/empty");
        makeLink(root + "/sub1", root + "/link");
        makeLink(root + "/a.txt", root + "/filelink.txt");
    }

    QTemporaryDir dir;
    QString root;
};

TEST_F(Listing, FilesMatchMaskWithoutHiddenOrLinks)
{
    EXPECT_EQ(sorted(linesOf(GetFilesFromDirectory(root, "*.txt", false, false))),
              sorted({root + "/a.txt", root + "/B.TXT"}));
    EXPECT_EQ(sorted(linesOf(GetFilesFromDirectory(root, "*.*", false, true))),
              sorted({root + "/a.txt", root + "/B.TXT", root + "/c.mp4", root + "/noext"}));
    EXPECT_EQ(linesOf(GetFilesFromDirectory(root, "?.MP4", false, false)), QStringList{root + "/c.mp4"});
    EXPECT_EQ(linesOf(GetFilesFromDirectory(root, "n*x*t", false, false)), QStringList{root + "/noext"});
    EXPECT_EQ(GetFilesFromDirectory(root, "??.txt", false, false), "");
    EXPECT_EQ(GetFilesFromDirectory(root, "", false, false), "");
    EXPECT_EQ(GetFilesFromDirectory(root + "/missing", "*.*", true, true), "");
}

TEST_F(Listing, DescendingPutsEachFolderBeforeItsFiles)
{
    QStringList entries{"kept"};
    GetFilesFromDirectory(root, "*.txt", true, true, entries);
    EXPECT_EQ(entries.first(), "kept"); // the list form appends
    entries.removeFirst();
    EXPECT_EQ(sorted(entries),
              sorted({root + "/a.txt", root + "/B.TXT", root + "/sub1", root + "/sub1/x.txt",
                      root + "/sub1/deep", root + "/sub1/deep/y.txt", root + "/sub2", root + "/empty"}));
    auto at = [&](const QString& entry) { return entries.indexOf(root + entry); };
    EXPECT_LT(at("/a.txt"), at("/sub1"));
    EXPECT_LT(at("/B.TXT"), at("/sub2"));
    EXPECT_LT(at("/sub1"), at("/sub1/x.txt"));
    EXPECT_LT(at("/sub1/x.txt"), at("/sub1/deep"));
    EXPECT_LT(at("/sub1/deep"), at("/sub1/deep/y.txt"));

    // Without folder entries; the text form holds the same entries.
    QStringList files;
    GetFilesFromDirectory(root, "*.txt", true, false, files);
    EXPECT_EQ(sorted(files), sorted({root + "/a.txt", root + "/B.TXT", root + "/sub1/x.txt",
                                     root + "/sub1/deep/y.txt"}));
    EXPECT_EQ(sorted(linesOf(GetFilesFromDirectory(root, "*.txt", true, false))), sorted(files));
}

TEST_F(Listing, FoldersPreOrderAndFinalSlash)
{
    QStringList folders{"stale"};
    EXPECT_EQ(GetDirsFromDirectory(root, true, folders), 4);
    EXPECT_EQ(sorted(folders), sorted({root + "/sub1", root + "/sub1/deep", root + "/sub2", root + "/empty"}));
    EXPECT_EQ(folders.indexOf(root + "/sub1") + 1, folders.indexOf(root + "/sub1/deep"));

    QStringList withSlash;
    EXPECT_EQ(GetDirsFromDirectory(root + "/", true, withSlash), 4);
    EXPECT_EQ(withSlash, folders);

    EXPECT_EQ(sorted(linesOf(GetDirsFromDirectory(root, false))),
              sorted({root + "/sub1", root + "/sub2", root + "/empty"}));
    // The text form keeps the folder as given.
    EXPECT_TRUE(GetDirsFromDirectory(root + "/", false).startsWith(root + "//"));

    EXPECT_EQ(GetDirsFromDirectory(root + "/missing", true, folders), 0);
    EXPECT_TRUE(folders.isEmpty());
    EXPECT_EQ(GetDirsFromDirectory(root + "/a.txt", true), "");
}

TEST(MediaListing, ExtensionsInAnyCase)
{
    QTemporaryDir dir;
    const QString d = dir.path();
    for (const char* name : {"photo.bmp", "PHOTO.JPEG", "x.Gif", "y.jpg", "z.PnG", "photo.jpeg2", "a.Mp3",
                             "b.wav", "c.OGG", "d.mp4", "mp3", "sub.png/inner.png"})
        makeFile(d + "/" + name);

    QStringList pictures{"stale"};
    EXPECT_EQ(GetPicturesFromDirectory(d, pictures), 5);
    EXPECT_EQ(sorted(pictures),
              sorted({d + "/photo.bmp", d + "/PHOTO.JPEG", d + "/x.Gif", d + "/y.jpg", d + "/z.PnG"}));
    EXPECT_EQ(sorted(linesOf(GetPicturesFromDirectory(d))),
              sorted({d + "/PHOTO.JPEG", d + "/x.Gif", d + "/y.jpg", d + "/z.PnG"}));
    EXPECT_EQ(sorted(linesOf(GetSoundFromDirectory(d))), sorted({d + "/a.Mp3", d + "/b.wav", d + "/c.OGG"}));

    EXPECT_EQ(GetPicturesFromDirectory(d + "/none", pictures), 0);
    EXPECT_TRUE(pictures.isEmpty());
    EXPECT_EQ(GetSoundFromDirectory(d + "/none"), "");
}

// ---- whole-folder operations ----

class FolderOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        source = dir.path() + "/source";
        makeFile(source + "/a.txt", "alpha");
        makeFile(source + "/.hidden", "h");
        makeFile(source + "/sub/b.bin", QByteArray(100000, 'b'));
        QDir().mkpath(source + "/empty");
        makeLink("a.txt", source + "/rel-link");
    }

    void expectSourceTree(const QString& folder)
    {
        EXPECT_EQ(readBytes(folder + "/a.txt"), "alpha");
        EXPECT_EQ(readBytes(folder + "/.hidden"), "h");
        EXPECT_EQ(getFileSize(folder + "/sub/b.bin"), 100000);
        EXPECT_TRUE(QFileInfo(folder + "/empty").isDir());
        EXPECT_EQ(QFileInfo(folder + "/rel-link").symLinkTarget(), folder + "/a.txt"); // still a link
    }

    QTemporaryDir dir;
    QString source;
};

TEST_F(FolderOperations, CopyMakesCompleteTreeAndKeepsSource)
{
    const QString target = dir.path() + "/new/parent/copy";
    EXPECT_TRUE(CopyDirectoryFull(source, target));
    expectSourceTree(target);
    expectSourceTree(source);
}

TEST_F(FolderOperations, CopyNeverMergesIntoExistingTarget)
{
    const QString target = dir.path() + "/existing";
    makeFile(target + "/a.txt", "mine");
    EXPECT_FALSE(CopyDirectoryFull(source, target)); // a folder there is no success
    EXPECT_EQ(readBytes(target + "/a.txt"), "mine");
    EXPECT_FALSE(QFile::exists(target + "/sub"));

    makeFile(dir.path() + "/file", "f");
    EXPECT_FALSE(CopyDirectoryFull(source, dir.path() + "/file"));
    EXPECT_EQ(readBytes(dir.path() + "/file"), "f");
}

TEST_F(FolderOperations, CopyRefusesBadSourcesAndItself)
{
    EXPECT_FALSE(CopyDirectoryFull(source + "/sub/inside", source + "/sub/inside/x"));
    EXPECT_FALSE(CopyDirectoryFull(source, source + "/sub/copy"));
    EXPECT_FALSE(QFile::exists(source + "/sub/copy"));
    EXPECT_FALSE(CopyDirectoryFull(source, source));
    EXPECT_FALSE(CopyDirectoryFull(dir.path() + "/missing", dir.path() + "/t1"));
    EXPECT_FALSE(CopyDirectoryFull(source + "/a.txt", dir.path() + "/t2"));
    EXPECT_FALSE(CopyDirectoryFull("", dir.path() + "/t3"));
    EXPECT_FALSE(CopyDirectoryFull(source, ""));
    EXPECT_FALSE(QFile::exists(dir.path() + "/t1") || QFile::exists(dir.path() + "/t2"));
    expectSourceTree(source);
}

TEST_F(FolderOperations, FailedCopyLeavesNoPartialTarget)
{
    // A socket-like special file cannot be copied: the copy fails part way.
    ASSERT_EQ(::mkfifo(QFile::encodeName(source + "/sub/zz-pipe").constData(), 0600), 0);
    const QString target = dir.path() + "/partial";
    EXPECT_FALSE(CopyDirectoryFull(source, target));
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(QFileInfo::exists(source + "/sub/zz-pipe"));
}

TEST_F(FolderOperations, MoveRenamesTree)
{
    const QString target = dir.path() + "/moved/deeper/";
    EXPECT_TRUE(MoveDirectoryFull(source + "/", target));
    expectSourceTree(dir.path() + "/moved/deeper");
    EXPECT_FALSE(QFileInfo::exists(source));
}

TEST_F(FolderOperations, MoveNeverReplacesAndKeepsSourceOnFailure)
{
    const QString target = dir.path() + "/existing";
    QDir().mkpath(target); // even an empty folder, which rename(2) would replace
    EXPECT_FALSE(MoveDirectoryFull(source, target));
    EXPECT_TRUE(QDir(target).isEmpty());
    expectSourceTree(source);

    EXPECT_FALSE(MoveDirectoryFull(source, source + "/sub/into-itself"));
    EXPECT_FALSE(MoveDirectoryFull(dir.path() + "/missing", dir.path() + "/t"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/t"));
    expectSourceTree(source);
}

TEST_F(FolderOperations, MoveAcrossFileSystemsCopiesThenDeletes)
{
    struct stat here {}, shm {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(dir.path()).constData(), &here) != 0
        || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    QTemporaryDir other("/dev/shm/kestraline-move-XXXXXX");
    ASSERT_TRUE(other.isValid());
    const QString target = other.path() + "/moved";
    EXPECT_TRUE(MoveDirectoryFull(source, target));
    expectSourceTree(target);
    EXPECT_FALSE(QFileInfo::exists(source));

    // A copy that fails part way keeps the source whole and leaves no target.
    makeFile(target + "/a-pipe-follows", "p");
    ASSERT_EQ(::mkfifo(QFile::encodeName(target + "/sub/zz-pipe").constData(), 0600), 0);
    EXPECT_FALSE(MoveDirectoryFull(target, dir.path() + "/back"));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/back"));
    expectSourceTree(target);
}

TEST_F(FolderOperations, DeleteRemovesTreeOrOnlyTheLink)
{
    const QString keep = dir.path() + "/keep";
    makeFile(keep + "/k.txt", "k");
    makeLink(keep, dir.path() + "/link-to-keep");
    EXPECT_TRUE(DeleteDirectoryFull(dir.path() + "/link-to-keep/"));
    EXPECT_FALSE(QFileInfo(dir.path() + "/link-to-keep").isSymLink());
    EXPECT_EQ(readBytes(keep + "/k.txt"), "k");

    makeLink(keep, source + "/inner-link");
    EXPECT_TRUE(DeleteDirectoryFull(source));
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_EQ(readBytes(keep + "/k.txt"), "k"); // links inside are not followed

    EXPECT_TRUE(DeleteDirectoryFull(dir.path() + "/missing"));
    EXPECT_FALSE(DeleteDirectoryFull(""));
    makeFile(dir.path() + "/plain", "p");
    EXPECT_TRUE(DeleteDirectoryFull(dir.path() + "/plain")); // no folder there; the file stays
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/plain"));
}
