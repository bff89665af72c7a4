// Batch search speed on a synthetic library, against two baselines measured in
// the same run:
//   (a) the plain search, single-threaded: video after video, query after query,
//       start after start (red pre-test, red run, green and blue run);
//   (b) the engine's Find on the same project, opened and loaded from files;
//   (c) the memory floor: eight threads reading every red plane once.
// Every answer of (b) is checked against (a).
//
// Usage: search_bench [frames...]   (default: 1e7 1e8; e.g. "search_bench 1e6")
#include "kestraline_finder.h"
#include "reference_search.h"
#include "sqlite_connection.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Triples = std::vector<uint8_t>;

constexpr int VIDEOS = 2000;
constexpr int QUERY_FRAMES = 50;
constexpr int INTROS = 20;
constexpr int INTRO_FRAMES = 200;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void appendFrame(Triples& t, const int c[3])
{
    for (int k = 0; k < 3; ++k)
        t.push_back(static_cast<uint8_t>(std::clamp(c[k], 0, 255)));
}

// One scene: a constant colour or one that drifts by a step now and then.
void appendScene(Triples& t, std::mt19937_64& random, int frames)
{
    int colour[3] = {int(random() % 256), int(random() % 256), int(random() % 256)};
    const bool drifting = random() % 10 < 7;
    for (int i = 0; i < frames; ++i) {
        if (drifting && random() % 2 == 0)
            colour[random() % 3] += random() % 2 ? 1 : -1;
        appendFrame(t, colour);
    }
}

Triples intro(int n)
{
    std::mt19937_64 random(1000 + n);
    Triples t;
    while (t.size() < 3u * INTRO_FRAMES)
        appendScene(t, random, 10 + int(random() % 60));
    t.resize(3 * INTRO_FRAMES);
    return t;
}

// A video of about `frames` frames: maybe a shared intro, scenes with cuts,
// black stretches, and sometimes a segment repeated later in the same video.
Triples video(int index, int64_t frames, const std::vector<Triples>& intros)
{
    std::mt19937_64 random(index * 7919 + 17);
    Triples t;
    t.reserve(3 * static_cast<size_t>(frames) + 3000);
    if (random() % 10 < 3) {
        const Triples& shared = intros[random() % intros.size()];
        t.insert(t.end(), shared.begin(), shared.end());
    }
    while (t.size() < 3 * static_cast<size_t>(frames)) {
        if (random() % 20 == 0) {
            const int black[3] = {0, 0, 0};
            for (int i = 10 + int(random() % 290); i > 0; --i)
                appendFrame(t, black);
        }
        appendScene(t, random, 20 + int(random() % 480));
    }
    t.resize(3 * static_cast<size_t>(frames));
    if (frames > 3000 && random() % 10 < 3) { // a repeated segment: twice in this video
        const int64_t length = 300 + int64_t(random() % 700);
        const int64_t from = int64_t(random() % uint64_t(frames / 2 - length));
        const int64_t to = frames / 2 + int64_t(random() % uint64_t(frames / 2 - length));
        std::copy(t.begin() + 3 * from, t.begin() + 3 * (from + length), t.begin() + 3 * to);
    }
    return t;
}

// Runs `job(i)` for i in [0, n) on `threads` threads.
template <typename Job>
void parallelFor(int n, int threads, Job job)
{
    std::atomic<int> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (int i; (i = next++) < n;)
                job(i);
        });
    for (std::thread& t : pool)
        t.join();
}

// Writes the project (database and colour-data files) into `folder`.
QString writeProject(const QString& folder, int64_t totalFrames)
{
    std::vector<Triples> intros;
    for (int n = 0; n < INTROS; ++n)
        intros.push_back(intro(n));
    std::vector<int64_t> frames(VIDEOS);
    std::mt19937_64 sizes(5);
    const int64_t mean = totalFrames / VIDEOS;
    for (int64_t& f : frames)
        f = mean / 3 + int64_t(sizes() % uint64_t(4 * mean / 3 + 1));
    parallelFor(VIDEOS, 8, [&](int i) {
        const Triples t = video(i, frames[i], intros);
        std::ofstream out((folder + "/" + QString::number(i + 1) + ".rgb").toStdString(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(t.data()), static_cast<std::streamsize>(t.size()));
    });
    const QString path = folder + "/Kestraline.db";
    SqliteConnection db("bench");
    db.open(path, false);
    db.execDirect("CREATE TABLE video (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,status TEXT,filename TEXT,"
                  "path TEXT UNIQUE,fps REAL,duration REAL,frames INTEGER,width INTEGER,height INTEGER,comment TEXT);");
    db.execDirect("BEGIN;");
    for (int i = 0; i < VIDEOS; ++i)
        db.exec("insert into video (id,status,filename,path,fps,duration,frames,width,height,comment) values "
                "(:id,:status,:f,:p,25,:d,:n,640,360,'');",
                {{"id", i + 1}, {"status", QString::fromUtf8("Обработан")}, {"f", QString("v%1.mp4").arg(i + 1)},
                 {"p", QString("/v/v%1.mp4").arg(i + 1)}, {"d", double(frames[i]) / 25}, {"n", qint64(frames[i])}});
    db.execDirect("COMMIT;");
    db.close();
    return path;
}

Triples sliceOf(const VIDEO_RECORD& r, int64_t start, int64_t frames)
{
    Triples q;
    for (int64_t i = start; i < start + frames; ++i) {
        q.push_back(r.red_plane[i]);
        q.push_back(r.green_blue_plane[2 * i]);
        q.push_back(r.green_blue_plane[2 * i + 1]);
    }
    return q;
}

// Mostly slices present once; some from shared intros (several videos), some
// from repeated segments or still scenes (twice), some with one byte changed.
std::vector<Triples> makeQueries(const KESTRALINE_FINDER& finder, int n, std::mt19937_64& random)
{
    std::vector<Triples> queries;
    while (static_cast<int>(queries.size()) < n) {
        const VIDEO_RECORD& r = finder.videos[random() % uint64_t(finder.count)];
        if (r.frames < INTRO_FRAMES + QUERY_FRAMES)
            continue;
        const int kind = int(random() % 10);
        const int64_t start = kind == 0 ? int64_t(random() % (INTRO_FRAMES - QUERY_FRAMES))
                                        : int64_t(random() % uint64_t(r.frames - QUERY_FRAMES + 1));
        Triples q = sliceOf(r, start, QUERY_FRAMES);
        if (kind == 1)
            q[random() % q.size()] ^= 4;
        queries.push_back(std::move(q));
    }
    return queries;
}

struct Answer {
    int found = 0, framepos = 0, videoindex = -1;
    bool operator==(const Answer& o) const
    {
        return found == o.found && videoindex == o.videoindex && (found == 0 || framepos == o.framepos);
    }
};

std::vector<Answer> referenceAnswers(const KESTRALINE_FINDER& finder, const std::vector<Triples>& queries)
{
    std::vector<Answer> answers(queries.size());
    for (int32_t v = 0; v < finder.loaded.load(); ++v) {
        for (size_t i = 0; i < queries.size(); ++i) {
            const int32_t r = reference_find_pos(finder.videos[v], queries[i].data(), int32_t(queries[i].size()));
            if (r >= 0)
                answers[i] = {answers[i].found + 1, r, v};
        }
    }
    return answers;
}

std::vector<Answer> engineAnswers(KESTRALINE_FINDER& finder, const std::vector<Triples>& queries, double& ms)
{
    uint32_t snapshot = 0;
    for (const Triples& q : queries)
        finder.AddQuery(int32_t(q.size()), q.data(), snapshot);
    const Clock::time_point start = Clock::now();
    finder.Find();
    ms = millisecondsSince(start);
    std::vector<Answer> answers(queries.size());
    for (size_t i = 0; i < queries.size(); ++i)
        answers[i] = {finder.results.found[i], finder.results.framepos[i], finder.results.videoindex[i]};
    return answers;
}

// Eight threads reading every red plane once, a word at a time. The threads are
// started first and timed from a common start signal to the last one's end, so
// that thread creation is not counted.
double memoryFloor(const KESTRALINE_FINDER& finder)
{
    constexpr int THREADS = 8;
    std::atomic<bool> go{false};
    std::atomic<int> next{0};
    std::atomic<uint64_t> sink{0};
    std::vector<Clock::time_point> finished(THREADS);
    std::vector<std::thread> pool;
    for (int t = 0; t < THREADS; ++t)
        pool.emplace_back([&, t] {
            while (!go.load(std::memory_order_acquire)) {
            }
            uint64_t sum = 0;
            for (int v; (v = next++) < finder.count;) {
                const VIDEO_RECORD& r = finder.videos[v];
                const uint8_t* red = r.red_plane.get();
                int64_t i = 0;
                for (; i + 8 <= r.frames; i += 8) {
                    uint64_t w;
                    std::memcpy(&w, red + i, 8);
                    sum += w;
                }
                for (; i < r.frames; ++i)
                    sum += red[i];
            }
            sink += sum;
            finished[t] = Clock::now();
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const Clock::time_point start = Clock::now();
    go.store(true, std::memory_order_release);
    for (std::thread& t : pool)
        t.join();
    const Clock::time_point end = *std::max_element(finished.begin(), finished.end());
    if (sink.load() == 42)
        std::puts("");
    return std::chrono::duration<double, std::milli>(end - start).count();
}

void benchSize(int64_t totalFrames)
{
    QTemporaryDir folder;
    Clock::time_point start = Clock::now();
    const QString path = writeProject(folder.path(), totalFrames);
    std::printf("\n%lld frames in %d videos: project written in %.0f ms", (long long)totalFrames, VIDEOS,
                millisecondsSince(start));
    KESTRALINE_FINDER finder;
    start = Clock::now();
    finder.Open(path);
    while (finder.LoadData()) {
    }
    std::printf(", loaded in %.0f ms\n", millisecondsSince(start));

    std::mt19937_64 random(99);
    double warmup;
    engineAnswers(finder, makeQueries(finder, 1, random), warmup); // starts the search threads
    std::printf("%8s %12s %10s %10s %10s %10s %8s %8s\n", "queries", "(a) plain ms", "(b) Find ms", "(c) floor",
                "a/b", "b/c", "found", "agree");
    for (int n : {1, 10, 100}) {
        const std::vector<Triples> queries = makeQueries(finder, n, random);
        start = Clock::now();
        const std::vector<Answer> expected = referenceAnswers(finder, queries);
        const double plainMs = millisecondsSince(start);
        // Find and the floor alternate, so that both meet the same machine load;
        // the best of each counts.
        std::vector<Answer> got;
        double findMs = 1e300, floorMs = 1e300;
        for (int run = 0; run < 15; ++run) {
            double ms;
            got = engineAnswers(finder, queries, ms);
            findMs = std::min(findMs, ms);
            floorMs = std::min(floorMs, memoryFloor(finder));
        }
        int agree = 0, found = 0;
        for (size_t i = 0; i < queries.size(); ++i) {
            agree += expected[i] == got[i];
            found += expected[i].found > 0;
        }
        std::printf("%8d %12.1f %10.2f %10.2f %10.1f %10.2f %8d %5d/%d%s\n", n, plainMs, findMs, floorMs,
                    plainMs / findMs, findMs / floorMs, found, agree, n, agree == n ? "" : "  MISMATCH");
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<int64_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(static_cast<int64_t>(std::stod(argv[i])));
    if (sizes.empty())
        sizes = {10000000, 100000000};
    std::printf("search threads: %u processors\n", std::thread::hardware_concurrency());
    for (int64_t frames : sizes)
        benchSize(frames);
    return 0;
}
