#include "kestraline_finder.h"

#include "colour_data_file.h"
#include "project_files.h"
#include "project_videos.h"
#include "reference_search.h"
#include "sqlite_connection.h"

namespace {

// The folder part of a database path: the text before the last "/", empty when
// there is none.
QString folder_of(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// Clears `busy` however a batch ends, an allocation failure included.
struct BusyFlag {
    explicit BusyFlag(std::atomic<uint8_t>& flag) : flag(flag) { flag.store(1); }
    ~BusyFlag() { flag.store(0); }
    std::atomic<uint8_t>& flag;
};

} // namespace

KESTRALINE_FINDER::KESTRALINE_FINDER()
    : connection_name("kestraline_finder_" + QString::number(reinterpret_cast<quintptr>(this)))
{
}

KESTRALINE_FINDER::~KESTRALINE_FINDER()
{
    Clear();
}

bool KESTRALINE_FINDER::Open(const QString& path)
{
    directory = folder_of(path);
    ProjectVideos project;
    {
        SqliteConnection connection(connection_name);
        if (!connection.open(path, true)) {
            connection.close();
            show_message(QString::fromUtf8("Ошибка открытия базы данных"));
            return false;
        }
        database = path;
        project = read_project_videos(connection);
    } // the project database is not held open between opens
    rows = std::move(project.grid_rows);
    install(project, path);
    if (rows_changed)
        rows_changed();
    return true;
}

void KESTRALINE_FINDER::install(ProjectVideos& project, const QString& path)
{
    std::unique_ptr<VIDEO_RECORD[]> previous;
    {
        std::lock_guard<std::mutex> lock(queue_lock);
        previous = std::move(videos);
        videos = std::move(project.videos);
        count = project.count;
        loaded.store(0, std::memory_order_release);
        results.batch = 0; // no request may map an old index into the new records
        installed_database = path;
    }
    // `previous` (with its colour data) is released here, outside the lock.
}

bool KESTRALINE_FINDER::LoadData()
{
    const int32_t next = loaded.load(std::memory_order_relaxed); // only this thread writes it
    if (next >= count)
        return false;
    VIDEO_RECORD& record = videos[next];
    load_colour_data(colour_data_file(installed_database, QString::number(record.id)), record);
    loaded.store(next + 1, std::memory_order_release);
    return true;
}

void KESTRALINE_FINDER::Clear()
{
    std::unique_ptr<VIDEO_RECORD[]> previous;
    {
        std::lock_guard<std::mutex> lock(queue_lock);
        previous = std::move(videos);
        count = 0;
        loaded.store(0, std::memory_order_release);
        results.batch = 0;
    }
}

int32_t KESTRALINE_FINDER::AddQuery(int32_t length, const uint8_t* bytes, uint32_t& snapshot)
{
    std::lock_guard<std::mutex> lock(queue_lock);
    const int32_t slot = queries.Add(length, bytes);
    if (slot >= 0)
        snapshot = searches.load(std::memory_order_relaxed);
    return slot;
}

bool KESTRALINE_FINDER::Find()
{
    if (busy.load())
        return false;
    std::lock_guard<std::mutex> lock(queue_lock);
    BusyFlag running(busy);
    results.batch = searches.load(std::memory_order_relaxed) + 1;
    try {
        results.Init(queries);
        queries.Clear();
        search_batch();
    } catch (...) {
        // A failure inside the batch (most likely an allocation: a query's copy,
        // the search's own tables) must neither end the search thread nor hold
        // the requests: the batch's queries are answered as not found, and the
        // next batch starts afresh.
        queries.Clear();
        results.AnswerNotFound();
    }
    searches.store(results.batch, std::memory_order_release);
    return true;
}

void KESTRALINE_FINDER::search_batch()
{
    batch_search.run(videos.get(), count, [this] { return loaded.load(std::memory_order_acquire); }, results);
}

int32_t KESTRALINE_FINDER::FindPos(int32_t v, int32_t i)
{
    // A batch that failed keeps its queries' lengths but not their bytes.
    if (v < 0 || v >= loaded.load(std::memory_order_acquire) || i < 0 || i >= results.count || !results.data[i])
        return QUERY_NOT_FOUND;
    return reference_find_pos(videos[v], results.data[i].get(), results.querylen[i]);
}

bool KESTRALINE_FINDER::ReadResult(int32_t slot, uint32_t snapshot, SEARCH_RESULT_COPY& out)
{
    std::lock_guard<std::mutex> lock(queue_lock);
    const uint32_t own_batch = snapshot + 1;
    if (searches.load(std::memory_order_relaxed) != own_batch || results.batch != own_batch)
        return false;
    if (slot < 0 || slot >= results.count)
        return false;
    out = SEARCH_RESULT_COPY();
    out.querylen = results.querylen[slot];
    out.found = results.found[slot];
    if (out.found >= 1) {
        const VIDEO_RECORD& video = videos[results.videoindex[slot]];
        out.framepos = results.framepos[slot];
        out.id = video.id;
        out.frames = video.frames;
        out.width = video.width;
        out.height = video.height;
        out.filename = video.filename;
        out.comment = video.comment;
        out.fps = video.fps;
        out.duration = video.duration;
    }
    return true;
}

BATCH_VIEW KESTRALINE_FINDER::batch_view() const
{
    std::lock_guard<std::mutex> lock(queue_lock);
    BATCH_VIEW view;
    view.batch = results.batch;
    for (int32_t i = 0; i < results.count; ++i)
        view.results.push_back({results.querylen[i], results.found[i], results.videoindex[i], results.framepos[i]});
    return view;
}

int32_t KESTRALINE_FINDER::pending() const
{
    return queries.count.load(std::memory_order_relaxed);
}

const QVector<QStringList>& KESTRALINE_FINDER::grid_rows() const
{
    return rows;
}
