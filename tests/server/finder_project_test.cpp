// Opening a project database in the engine and loading the colour data.
#include "finder_test_project.h"
#include "kestraline_error.h"
#include "number_format.h"
#include "recorded_messages.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <linux/capability.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace findertest;

namespace {

// Takes from the calling thread the capabilities that let root read any file, so
// that a file without read permission cannot be read when the tests run as root.
class WithoutReadOverride {
public:
    WithoutReadOverride()
    {
        if (::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = ::syscall(SYS_capset, &header, lowered) == 0;
    }
    ~WithoutReadOverride()
    {
        if (lowered_)
            ::syscall(SYS_capset, &header, saved);
    }

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool lowered_ = false;
};

// Limits the address space to what the process holds now plus `margin`, as
// `prlimit --as` does, so that a large allocation fails.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t margin)
    {
        ::getrlimit(RLIMIT_AS, &saved);
        unsigned long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%lu", &pages) != 1)
                pages = 0;
            std::fclose(statm);
        }
        rlimit limited = saved;
        limited.rlim_cur = std::min<rlim_t>(saved.rlim_max, pages * ::sysconf(_SC_PAGESIZE) + margin);
        EXPECT_GT(pages, 0u);
        EXPECT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &saved); }

private:
    rlimit saved{};
};

QByteArray triples(std::initializer_list<int> bytes)
{
    QByteArray a;
    for (int b : bytes)
        a.append(static_cast<char>(b));
    return a;
}

} // namespace

TEST(FinderOpen, ReadsOnlyProcessedRowsInAscendingIdWithTheirGridRows)
{
    TestProject project;
    project.add(Row{9, PROCESSED, 120, 29.97, 4.004, 640, 480, "c9"});
    project.add(Row{2, QUEUED, 10});
    project.add(Row{3, PROCESSED, 7, 25, 0.28, 320, 240, QString::fromUtf8("примечание")});
    project.add(Row{5, FAILED, 10});
    project.add(Row{4, PROCESSED, 0});

    KESTRALINE_FINDER finder;
    int changes = 0;
    finder.rows_changed = [&] { ++changes; };
    ASSERT_TRUE(finder.Open(project.path()));

    EXPECT_EQ(changes, 1);
    EXPECT_EQ(finder.database, project.path());
    EXPECT_EQ(finder.directory, project.folder());
    EXPECT_EQ(finder.loaded.load(), 0);
    ASSERT_EQ(finder.video_count(), 3);
    EXPECT_EQ(finder.video(0).id, 3);
    EXPECT_EQ(finder.video(1).id, 4);
    EXPECT_EQ(finder.video(2).id, 9);

    const VIDEO_RECORD& last = finder.video(2);
    EXPECT_EQ(last.frames, 120);
    EXPECT_EQ(last.width, 640);
    EXPECT_EQ(last.height, 480);
    EXPECT_EQ(last.filename, "v9.mp4");
    EXPECT_EQ(last.path, "/videos/v9.mp4");
    EXPECT_EQ(last.comment, "c9");
    EXPECT_EQ(last.fps, 29.97f); // narrowed to single precision
    EXPECT_NE(static_cast<double>(last.fps), 29.97);
    EXPECT_EQ(last.duration, 4.004f);
    EXPECT_EQ(finder.video(0).fps, 25.0f);
    EXPECT_FALSE(last.red_plane);

    const QVector<QStringList>& rows = finder.grid_rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], (QStringList{"1", "3", PROCESSED, "v3.mp4", "/videos/v3.mp4", format_general_locale(25),
                                    format_general_locale(0.28), "7", "320", "240",
                                    QString::fromUtf8("примечание")}));
    EXPECT_EQ(rows[2][0], "3");
    EXPECT_EQ(rows[2][5], format_general_locale(29.97)); // the grid shows the stored double
}

TEST(FinderOpen, ProjectWithoutProcessedRowsIsEmpty)
{
    TestProject project;
    project.add(Row{1, QUEUED, 10});
    project.add(Row{2, FAILED, 10});
    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(project.path()));
    EXPECT_EQ(finder.video_count(), 0);
    EXPECT_TRUE(finder.grid_rows().isEmpty());
    EXPECT_FALSE(finder.LoadData());
    EXPECT_EQ(finder.loaded.load(), 0);
}

TEST(FinderLoad, ColourFilesSplitIntoPlanesShortAndMissingFilesLeaveNoData)
{
    TestProject project;
    project.add(Row{1, PROCESSED, 2});
    project.writeColours(1, triples({10, 11, 12, 20, 21, 22, 99, 99, 99, 99, 99})); // 5 surplus bytes
    project.add(Row{2, PROCESSED, 3});
    project.writeColours(2, triples({1, 2, 3, 4, 5, 6, 7, 8})); // one byte short
    project.add(Row{3, PROCESSED, 4});                          // no file at all
    project.add(Row{4, PROCESSED, 0});
    project.writeColours(4, triples({1, 2, 3}));
    project.add(Row{5, PROCESSED, -7});
    project.add(Row{6, PROCESSED, 1});
    project.writeColours(6, triples({7, 8, 9}));

    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(project.path()));
    for (int i = 1; i <= 6; ++i) {
        EXPECT_TRUE(finder.LoadData());
        EXPECT_EQ(finder.loaded.load(), i);
    }
    EXPECT_FALSE(finder.LoadData());
    EXPECT_EQ(finder.loaded.load(), 6);

    const auto v = [&finder](int32_t index) -> const VIDEO_RECORD& { return finder.video(index); };
    ASSERT_TRUE(v(0).red_plane && v(0).green_blue_plane);
    EXPECT_EQ(v(0).red_plane[0], 10);
    EXPECT_EQ(v(0).red_plane[1], 20);
    EXPECT_EQ(v(0).green_blue_plane[0], 11);
    EXPECT_EQ(v(0).green_blue_plane[1], 12);
    EXPECT_EQ(v(0).green_blue_plane[2], 21);
    EXPECT_EQ(v(0).green_blue_plane[3], 22);
    EXPECT_EQ(searchable_frames(v(0)), 2);
    EXPECT_EQ(searchable_frames(v(1)), 0);
    EXPECT_EQ(searchable_frames(v(2)), 0);
    EXPECT_EQ(searchable_frames(v(3)), 0);
    EXPECT_EQ(searchable_frames(v(4)), 0);
    EXPECT_EQ(v(1).frames, 3); // the row's own count stays for the answer
    EXPECT_EQ(searchable_frames(v(5)), 1);
    EXPECT_EQ(v(5).green_blue_plane[1], 9);
}

TEST(FinderLoad, FramesCountLargerThanTheFileAllocatesNothingAndLoadingGoesOn)
{
    TestProject project;
    project.add(Row{1, PROCESSED, 2000000000});
    project.writeColours(1, triples({1, 2, 3}));
    project.addVideo(2, triples({4, 5, 6}));
    KESTRALINE_FINDER finder;
    openAndLoad(finder, project);
    EXPECT_EQ(searchable_frames(finder.video(0)), 0);
    EXPECT_EQ(searchable_frames(finder.video(1)), 1);
}

// A project database named without a folder (from the command line or the settings)
// lies in the current folder, and its colour-data files are read from there.
TEST(FinderLoad, ProjectNamedWithoutAFolderReadsTheColourFilesOfTheCurrentFolder)
{
    TestProject project;
    project.addVideo(1, triples({1, 2, 3}));
    const auto restore = qScopeGuard([previous = QDir::currentPath()] { QDir::setCurrent(previous); });
    ASSERT_TRUE(QDir::setCurrent(project.folder()));
    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(QFileInfo(project.path()).fileName()));
    ASSERT_TRUE(finder.LoadData());
    EXPECT_EQ(searchable_frames(finder.video(0)), 1);
}

// Colour files that must not stop the loading: a FIFO (whose open would wait for
// a writer), a folder, a file without read permission and one too large for the
// memory the process may take. Each leaves its video without colour data, nothing
// is shown, and the good videos after them load and are found.
TEST(FinderLoad, HostileColourFilesAreSkippedAndTheVideosAfterThemAreFound)
{
    testsupport::RecordedMessages shown;
    QRandomGenerator random(18);
    TestProject project;
    const auto file = [&](int id) { return project.folder() + "/" + QString::number(id) + ".rgb"; };
    std::map<int, QByteArray> good;
    for (int id : {1, 3, 5, 7, 9}) {
        good[id] = randomTriples(random, 200, 256);
        project.addVideo(id, good[id]);
    }
    for (int id : {2, 4, 6})
        project.add(Row{id, PROCESSED, 10});
    ASSERT_EQ(::mkfifo(QFile::encodeName(file(2)).constData(), 0644), 0);
    ASSERT_TRUE(QDir().mkpath(file(4)));
    project.writeColours(6, QByteArray(30, '\1'));
    ASSERT_EQ(::chmod(QFile::encodeName(file(6)).constData(), 0), 0);
    const int32_t huge = std::numeric_limits<int32_t>::max();
    project.add(Row{8, PROCESSED, huge});
    QFile sparse(file(8));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(3 * int64_t(huge)));
    sparse.close();

    KESTRALINE_FINDER finder;

    finder.show_message = shown.sink();
    ASSERT_TRUE(finder.Open(project.path()));
    {
        WithoutReadOverride unprivileged;
        ASSERT_FALSE(QFile(file(6)).open(QIODevice::ReadOnly)) << "the file without permission stays readable";
        AddressSpaceLimit limit(rlim_t(256) << 20);
        while (finder.LoadData()) {
        }
    }
    ASSERT_EQ(finder.loaded.load(), finder.video_count());
    for (int v = 0; v < finder.video_count(); ++v) {
        const int32_t id = finder.video(v).id;
        EXPECT_EQ(searchable_frames(finder.video(v)), good.count(id) ? 200 : 0) << "id " << id;
    }

    uint32_t snapshot = 0;
    for (const auto& [id, colours] : good) {
        const QByteArray query = colours.mid(3 * 50, 3 * 20);
        finder.AddQuery(query.size(), bytesOf(query), snapshot);
    }
    ASSERT_TRUE(finder.Find());
    int32_t slot = 0;
    for (const auto& [id, colours] : good) {
        SEARCH_RESULT_COPY result;
        ASSERT_TRUE(finder.ReadResult(slot++, snapshot, result));
        EXPECT_EQ(result.found, 1) << "id " << id;
        EXPECT_EQ(result.id, id);
        EXPECT_EQ(result.framepos, 50);
    }
    EXPECT_TRUE(shown.empty());
}

TEST(FinderOpen, SecondOpenReplacesRecordsAndVoidsTheLastBatch)
{
    TestProject first;
    first.addVideo(1, triples({1, 1, 1, 2, 2, 2}));
    first.addVideo(2, triples({3, 3, 3}));
    TestProject second;
    second.addVideo(7, triples({9, 9, 9}));

    KESTRALINE_FINDER finder;
    openAndLoad(finder, first);
    const QByteArray query = triples({3, 3, 3});
    uint32_t snapshot = 99;
    ASSERT_EQ(finder.AddQuery(query.size(), bytesOf(query), snapshot), 0);
    ASSERT_TRUE(finder.Find());
    SEARCH_RESULT_COPY result;
    ASSERT_TRUE(finder.ReadResult(0, snapshot, result));
    EXPECT_EQ(result.id, 2);

    ASSERT_TRUE(finder.Open(second.path()));
    EXPECT_EQ(finder.video_count(), 1);
    EXPECT_EQ(finder.loaded.load(), 0);
    EXPECT_EQ(finder.video(0).id, 7);
    ASSERT_EQ(finder.grid_rows().size(), 1);
    EXPECT_EQ(finder.grid_rows()[0][1], "7");
    EXPECT_EQ(finder.batch_view().batch, 0u);
    EXPECT_FALSE(finder.ReadResult(0, snapshot, result)); // expired: old index, new records
    EXPECT_EQ(finder.directory, second.folder());
}

TEST(FinderOpen, DatabaseThatCannotBeOpenedShowsTheMessageAndKeepsTheRecords)
{
    TestProject project;
    project.addVideo(1, triples({1, 2, 3}));
    KESTRALINE_FINDER finder;
    openAndLoad(finder, project);
    int changes = 0;
    finder.rows_changed = [&] { ++changes; };
    testsupport::RecordedMessages shown;
    finder.show_message = shown.sink();

    QTemporaryDir other;
    const QString missing = other.filePath("none.db");
    const QString junk = other.filePath("junk.db");
    testsupport::writeBytes(junk, QByteArray(4096, 'x'));

    const QString message = QString::fromUtf8("Ошибка открытия базы данных");
    QStringList expected;
    for (const QString& path : {missing, junk}) {
        EXPECT_FALSE(finder.Open(path));
        expected << message;
        EXPECT_EQ(shown.texts(), expected);
        EXPECT_EQ(finder.directory, other.path()); // already changed
        EXPECT_EQ(finder.database, project.path());
        EXPECT_EQ(finder.video_count(), 1);
        EXPECT_EQ(finder.loaded.load(), 1);
        EXPECT_EQ(finder.grid_rows().size(), 1);
    }
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(QFile::exists(missing)); // nothing created
}

TEST(FinderOpen, FailingSelectThrowsWithDatabaseSetAndOldRecordsUntouched)
{
    TestProject project;
    project.addVideo(1, triples({1, 2, 3}));
    KESTRALINE_FINDER finder;
    openAndLoad(finder, project);

    QTemporaryDir other;
    const QString noTable = other.filePath("other.db");
    {
        SqliteConnection connection("findertest_other");
        ASSERT_TRUE(connection.open(noTable, false));
        connection.execDirect("CREATE TABLE access (id INTEGER);");
    }
    testsupport::RecordedMessages shown;
    finder.show_message = shown.sink();
    EXPECT_THROW(finder.Open(noTable), KestralineError);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(finder.database, noTable);
    EXPECT_EQ(finder.video_count(), 1);
    EXPECT_EQ(finder.video(0).id, 1);
    EXPECT_EQ(finder.loaded.load(), 1);
    // The database was closed despite the error: a second open works.
    EXPECT_THROW(finder.Open(noTable), KestralineError);
    ASSERT_TRUE(finder.Open(project.path()));
}

TEST(FinderOpen, FailedOpenDuringLoadingKeepsReadingTheInstalledProjectsFiles)
{
    TestProject project;
    project.addVideo(1, triples({1, 2, 3}));
    project.addVideo(2, triples({4, 5, 6}));
    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(project.path()));
    ASSERT_TRUE(finder.LoadData());

    QTemporaryDir other; // holds a different 2.rgb that must not be read
    testsupport::writeBytes(other.filePath("2.rgb"), triples({7, 7, 7}));
    EXPECT_FALSE(finder.Open(other.filePath("missing.db")));
    ASSERT_TRUE(finder.LoadData());
    ASSERT_EQ(searchable_frames(finder.video(1)), 1);
    EXPECT_EQ(finder.video(1).red_plane[0], 4);
}
