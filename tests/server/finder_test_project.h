#pragma once
// A project folder for engine tests: a project database with table `video` and
// colour-data files, built through the same SQLite layer the programs use.
#include "kestraline_finder.h"
#include "sqlite_connection.h"
#include "test_support.h"
#include "video_status.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace findertest {

// The statuses as the manager writes them: the engine loads exactly its processed rows.
inline const QString PROCESSED = video_status_processed();
inline const QString QUEUED = video_status_queued();
inline const QString FAILED = video_status_failed();

using testsupport::CREATE_VIDEO_TABLE;

struct Row {
    Row(int id, QString status = PROCESSED, int frames = 0, double fps = 25, double duration = 0, int width = 320,
        int height = 240, QString comment = QString())
        : id(id), status(status), frames(frames), fps(fps), duration(duration), width(width), height(height),
          comment(comment)
    {
    }
    int id;
    QString status;
    int frames;
    double fps;
    double duration;
    int width, height;
    QString comment;
};

class TestProject {
public:
    explicit TestProject(const QString& name = "Kestraline.db") : path_(dir.filePath(name))
    {
        testsupport::ensureApplication();
        SqliteConnection connection("findertest_create");
        EXPECT_TRUE(connection.open(path_, false));
        connection.execDirect(CREATE_VIDEO_TABLE);
    }

    const QString& path() const { return path_; }
    QString folder() const { return dir.path(); }

    void add(const Row& row)
    {
        SqliteConnection connection("findertest_insert");
        EXPECT_TRUE(connection.open(path_, true));
        connection.exec("insert into video (id,status,filename,path,fps,duration,frames,width,height,comment) "
                        "values (:id,:status,:filename,:path,:fps,:duration,:frames,:width,:height,:comment);",
                        {{"id", row.id}, {"status", row.status}, {"filename", QString("v%1.mp4").arg(row.id)},
                         {"path", QString("/videos/v%1.mp4").arg(row.id)}, {"fps", row.fps},
                         {"duration", row.duration}, {"frames", row.frames}, {"width", row.width},
                         {"height", row.height}, {"comment", row.comment}});
    }

    // A processed row with its colour data.
    void addVideo(int id, const QByteArray& triples)
    {
        add(Row{id, PROCESSED, static_cast<int>(triples.size() / 3)});
        writeColours(id, triples);
    }

    void writeColours(int id, const QByteArray& bytes) const
    {
        testsupport::writeBytes(dir.filePath(QString::number(id) + ".rgb"), bytes);
    }

private:
    QTemporaryDir dir;
    QString path_;
};

// Opens the project in the engine and loads every record.
inline void openAndLoad(KESTRALINE_FINDER& finder, const TestProject& project)
{
    ASSERT_TRUE(finder.Open(project.path()));
    while (finder.LoadData()) {
    }
}

// `frames` random triples whose bytes take `alphabet` values (a small alphabet
// makes partial matches common).
inline QByteArray randomTriples(QRandomGenerator& random, int frames, int alphabet)
{
    QByteArray bytes(frames * 3, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random.bounded(alphabet));
    return bytes;
}

inline const uint8_t* bytesOf(const QByteArray& a)
{
    return reinterpret_cast<const uint8_t*>(a.constData());
}

} // namespace findertest
