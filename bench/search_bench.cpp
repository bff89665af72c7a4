// Batch search speed on a synthetic library, against two baselines measured in
// the same run:
//   (a) the plain search, single-threaded: video after video, query after query,
//       start after start (red pre-test, red run, green and blue run);
//   (b) the engine's Find on the same project, opened and loaded from files;
//   (c) the memory floor: the best of several eight-thread reads of every red
//       plane, also given in GB/s to compare with the machine's bandwidth;
//   (d) the wake-up: the best time for the search threads' pool to run an
//       empty task on every thread after the same rest as Find's, a cost every
//       batch pays before any work and the floor does not count.
// Every answer of (b) is checked against (a). The table gives, per batch size,
// Find, the floor, Find/floor, (a)/Find and the wake-up.
//
// Usage: search_bench [frames...]   (default: 1e7 1e8; e.g. "search_bench 1e6")
#include "kestraline_finder.h"
#include "reference_search.h"
#include "search_pool.h"
#include "sqlite_connection.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
        const VIDEO_RECORD& r = finder.video(random() % uint64_t(finder.video_count()));
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
            const int32_t r = reference_find_pos(finder.video(v), queries[i].data(), int32_t(queries[i].size()));
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
    const BATCH_VIEW batch = finder.batch_view();
    std::vector<Answer> answers(queries.size());
    for (size_t i = 0; i < queries.size(); ++i)
        answers[i] = {batch.results[i].found, batch.results[i].framepos, batch.results[i].videoindex};
    return answers;
}

// The memory floor: eight threads reading every red plane once, as fast as the
// machine allows. The planes are laid end to end and cut into eight equal shares
// of bytes, so every thread streams one contiguous stretch (a share may span
// several videos); each thread reads 64 bytes per step into four independent
// 16-byte sums. The threads live for the whole run and wait on a condition
// between reads; for a read they are woken first and then released together by
// a spinning start signal, and the time runs from that signal to the last
// thread's end, so that neither thread creation nor waking is counted.
class FloorReader {
public:
    static constexpr int THREADS = 8;

    explicit FloorReader(const KESTRALINE_FINDER& finder)
    {
        int64_t total = 0;
        for (int v = 0; v < finder.video_count(); ++v) {
            const VIDEO_RECORD& r = finder.video(v);
            if (r.red_plane && r.frames > 0) {
                planes.push_back({r.red_plane.get(), r.frames});
                total += r.frames;
            }
        }
        bytes_ = total;
        for (int t = 0; t < THREADS; ++t)
            shares.push_back(shareOf(total * t / THREADS, total * (t + 1) / THREADS));
        finished.resize(THREADS);
        for (int t = 1; t < THREADS; ++t)
            helpers.emplace_back([this, t] { helperLoop(t); });
    }

    ~FloorReader()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& t : helpers)
            t.join();
    }

    int64_t bytes() const { return bytes_; }

    // The best of `reads` reads of all red planes, in milliseconds.
    double bestOf(int reads)
    {
        double best = 1e300;
        for (int i = 0; i < reads; ++i)
            best = std::min(best, readOnce());
        return best;
    }

private:
    struct Span {
        const uint8_t* bytes;
        int64_t size;
    };

    // The stretch [from, to) of the planes laid end to end.
    std::vector<Span> shareOf(int64_t from, int64_t to) const
    {
        std::vector<Span> share;
        int64_t at = 0;
        for (const Span& plane : planes) {
            const int64_t begin = std::max(from, at), end = std::min(to, at + plane.size);
            if (begin < end)
                share.push_back({plane.bytes + (begin - at), end - begin});
            at += plane.size;
        }
        return share;
    }

    static uint64_t sum(const Span& span)
    {
        const uint8_t* p = span.bytes;
        int64_t i = 0;
        uint64_t total = 0;
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (; i + 64 <= span.size; i += 64) {
            s0 = _mm_add_epi64(s0, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), zero));
            s1 = _mm_add_epi64(s1, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16)), zero));
            s2 = _mm_add_epi64(s2, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32)), zero));
            s3 = _mm_add_epi64(s3, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48)), zero));
        }
        const __m128i s = _mm_add_epi64(_mm_add_epi64(s0, s1), _mm_add_epi64(s2, s3));
        total = uint64_t(_mm_cvtsi128_si64(s)) + uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
#endif
        for (; i < span.size; ++i)
            total += p[i];
        return total;
    }

    void readShare(int t)
    {
        uint64_t total = 0;
        for (const Span& span : shares[static_cast<size_t>(t)])
            total += sum(span);
        sink.fetch_add(total, std::memory_order_relaxed);
        finished[static_cast<size_t>(t)] = Clock::now();
    }

    void helperLoop(int t)
    {
        uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return stopping || generation != seen; });
                if (stopping)
                    return;
                seen = generation;
            }
            ready.fetch_add(1, std::memory_order_acq_rel);
            while (!go.load(std::memory_order_acquire)) {
            }
            readShare(t);
            done.fetch_add(1, std::memory_order_acq_rel);
        }
    }

    double readOnce()
    {
        ready.store(0);
        done.store(0);
        go.store(false);
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++generation;
        }
        wake.notify_all();
        while (ready.load(std::memory_order_acquire) < THREADS - 1) {
        }
        const Clock::time_point start = Clock::now();
        go.store(true, std::memory_order_release);
        readShare(0);
        while (done.load(std::memory_order_acquire) < THREADS - 1) {
        }
        const Clock::time_point end = *std::max_element(finished.begin(), finished.end());
        return std::chrono::duration<double, std::milli>(end - start).count();
    }

    std::vector<Span> planes;
    std::vector<std::vector<Span>> shares;
    int64_t bytes_ = 0;
    std::vector<Clock::time_point> finished;
    std::vector<std::thread> helpers;
    std::mutex mutex;
    std::condition_variable wake;
    uint64_t generation = 0;
    bool stopping = false;
    std::atomic<int> ready{0}, done{0};
    std::atomic<bool> go{false};
    std::atomic<uint64_t> sink{0};
};

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
    FloorReader floor(finder);
    SearchPool idle(FloorReader::THREADS - 1);
    const std::function<void(int)> nothing = [](int) {};
    std::printf("%8s %10s %10s %8s %10s %10s %12s %8s %8s %8s\n", "queries", "Find ms", "floor ms", "GB/s", "Find/floor",
                "ref/Find", "reference ms", "wake ms", "found", "agree");
    for (int n : {1, 10, 100}) {
        const std::vector<Triples> queries = makeQueries(finder, n, random);
        start = Clock::now();
        const std::vector<Answer> expected = referenceAnswers(finder, queries);
        const double plainMs = millisecondsSince(start);
        // Find and the floor alternate, so that both meet the same machine load;
        // the best of each counts. Every run's answers are checked.
        std::vector<bool> agrees(queries.size(), true);
        double findMs = 1e300, floorMs = 1e300, wakeMs = 1e300;
        for (int run = 0; run < 15; ++run) {
            double ms;
            const std::vector<Answer> got = engineAnswers(finder, queries, ms);
            for (size_t i = 0; i < queries.size(); ++i)
                agrees[i] = agrees[i] && expected[i] == got[i];
            findMs = std::min(findMs, ms);
            floorMs = std::min(floorMs, floor.bestOf(3));
            const Clock::time_point woken = Clock::now();
            idle.run(nothing);
            wakeMs = std::min(wakeMs, millisecondsSince(woken));
        }
        int agree = 0, found = 0;
        for (size_t i = 0; i < queries.size(); ++i) {
            agree += agrees[i];
            found += expected[i].found > 0;
        }
        const double gigabytesPerSecond = double(floor.bytes()) / (floorMs * 1e6);
        std::printf("%8d %10.3f %10.3f %8.1f %10.2f %10.1f %12.1f %8.3f %8d %5d/%d%s\n", n, findMs, floorMs,
                    gigabytesPerSecond, findMs / floorMs, plainMs / findMs, plainMs, wakeMs, found, agree, n,
                    agree == n ? "" : "  MISMATCH");
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
