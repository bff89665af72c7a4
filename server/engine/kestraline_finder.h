#pragma once
#include "batch_search.h"
#include "kestraline_queries.h"
#include "message_sink.h"
#include "video_record.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include <vector>

struct ProjectVideos;

// Everything an answer needs, copied out under the queue lock.
struct SEARCH_RESULT_COPY {
    int32_t querylen = 0, found = 0, framepos = 0;
    int32_t id = 0, frames = 0, width = 0, height = 0;   // of the reported video (found >= 1)
    QString filename, comment;
    float fps = 0, duration = 0;
};

// The outcome of one query of a search batch.
struct BATCH_SLOT {
    int32_t querylen = 0, found = 0;
    int32_t videoindex = -1;  // the record reported; -1 when nothing was found
    int32_t framepos = 0;     // meaningful only when found >= 1
};

// The current batch as its search left it: its number (0 after an Open) and one
// slot per query.
struct BATCH_VIEW {
    uint32_t batch = 0;
    std::vector<BATCH_SLOT> results;
};

// The search engine: the processed videos of one project database with their
// colour data in memory, the pending-query list and the results of the current
// search batch.
//
// Threads: Open, LoadData and Clear run on the main thread; AddQuery and
// ReadResult on request threads; Find (and FindPos) on the search thread only.
// The queue lock guards the pending list, the results, `searches` and the record
// array: the search thread holds it for a whole batch, everybody else for short
// steps. LoadData fills the record `loaded` without the lock and then publishes
// `loaded` + 1 with release order; searches read `loaded` with acquire order and
// touch only the records below it.
class KESTRALINE_FINDER {
public:
    KESTRALINE_FINDER();
    ~KESTRALINE_FINDER();
    KESTRALINE_FINDER(const KESTRALINE_FINDER&) = delete;
    KESTRALINE_FINDER& operator=(const KESTRALINE_FINDER&) = delete;

    // Reads the processed rows of the project database at `path` into new records
    // (without colour data) and into grid_rows(). A database that cannot be
    // connected shows "Ошибка открытия базы данных" and gives false; a failing
    // select throws KestralineError, leaving the previous records in place.
    bool Open(const QString& path);
    // Loads the colour data of the next record and publishes it; false once every
    // record has been handled.
    bool LoadData();
    // Releases every record; the current batch's results are then void.
    void Clear();

    // Adds a copy of the query to the pending list; the slot (0..99), or -1 when
    // 100 queries are pending. `snapshot` is the number of completed batches at
    // that moment: the batch snapshot + 1 takes the query.
    int32_t AddQuery(int32_t length, const uint8_t* bytes, uint32_t& snapshot);
    // Runs one search batch over the loaded videos; false, doing nothing, while a
    // batch is already running. A batch that fails answers its queries as not
    // found and still completes; nothing escapes.
    bool Find();
    // The exact search of slot i of the current batch in record v: the start frame
    // of its only occurrence, -1 (none, v not loaded, or the batch failed) or -3
    // (several places).
    // Search thread only.
    int32_t FindPos(int32_t v, int32_t i);
    // Under the queue lock: true and `out` filled when the current results are
    // those of batch snapshot + 1 and that batch is the last completed one; false
    // when they have expired (a later batch, or a new Open).
    bool ReadResult(int32_t slot, uint32_t snapshot, SEARCH_RESULT_COPY& out);
    // The pending count, read without the lock.
    int32_t pending() const;

    std::atomic<int32_t> loaded{0};          // release on publish, acquire on read
    std::atomic<uint32_t> searches{0};
    std::atomic<uint8_t> busy{0};
    QString directory, database;

    // Read-only views for the loading dialog, tests and benchmarks. The records of
    // the last successful Open: their number, and record `index` (0 .. count - 1);
    // on the main thread, which alone replaces them.
    int32_t video_count() const { return count; }
    const VIDEO_RECORD& video(int32_t index) const { return videos[index]; }
    // The current batch's results, copied under the queue lock.
    BATCH_VIEW batch_view() const;

    // Rows for the server's videos grid from the last successful Open: 11 cells per
    // record; empty when the select returned no row.
    const QVector<QStringList>& grid_rows() const;
    std::function<void()> rows_changed;      // called on the main thread after Open replaced grid_rows
    MessageSink show_message;                // shows Open's message, on the main thread

private:
    void install(ProjectVideos& project, const QString& path);
    void search_batch();

    mutable std::mutex queue_lock;
    // Under the queue lock: the records (`count` of them, exchanged by Open), the
    // pending list and the results of the current batch.
    int32_t count = 0;
    std::unique_ptr<VIDEO_RECORD[]> videos;
    KESTRALINE_QUERIES queries;
    KESTRALINE_SEARCH_RESULTS results;
    BatchSearch batch_search; // its threads live as long as the engine
    // The database whose records are installed: LoadData reads the colour-data
    // files of its folder (`directory` already changes on a failed Open).
    QString installed_database;
    QVector<QStringList> rows;
    const QString connection_name;
};
