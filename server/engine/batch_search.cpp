#include "batch_search.h"

#include "batch_patterns.h"
#include "home_shares.h"
#include "search_pool.h"
#include "spin_wait.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// One range of start frames of one video.
struct WorkItem {
    int32_t video;
    int64_t from, to;
};

// Hands out the videos in record order, cut into ranges, and only videos that
// are published at the moment their first range is taken; so the videos searched
// are always a prefix of the records. One unit of work is a range of a long
// video, or as many whole short videos as fit in one range.
class WorkCursor {
public:
    WorkCursor(const VIDEO_RECORD* videos, int32_t count, const std::function<int32_t()>& published,
               int64_t range_frames, int32_t first_video)
        : videos(videos), count(count), published(published), range_frames(range_frames), video(first_video)
    {
    }

    bool take(std::vector<WorkItem>& items)
    {
        std::lock_guard<std::mutex> lock(mutex);
        items.clear();
        int64_t room = range_frames;
        while (room > 0) {
            if (next_from == 0) {
                if (video >= count || video >= published())
                    break;
                frames = searchable_frames(videos[video]);
            }
            const int64_t size = std::min(frames - next_from, range_frames);
            if (!items.empty() && size > room)
                break;
            items.push_back({video, next_from, next_from + size});
            room -= size;
            next_from += size;
            if (next_from >= frames) {
                ++video;
                next_from = 0;
            }
        }
        return !items.empty();
    }

private:
    std::mutex mutex;
    const VIDEO_RECORD* videos;
    const int32_t count;
    const std::function<int32_t()>& published;
    const int64_t range_frames;
    int32_t video;
    int64_t next_from = 0;
    int64_t frames = 0;
};

// The batch's queries are prepared by all workers at once, each taking the next
// query as it wakes; worker 0 then seals them while the others wait for it.
class SharedPreparation {
public:
    explicit SharedPreparation(BatchPatterns& patterns) : patterns(patterns) {}

    // Whether the patterns are ready to scan; false when another worker failed
    // (its exception reaches the caller of the run).
    bool join(int worker)
    {
        const int32_t n = patterns.size();
        try {
            for (int32_t j; (j = next.fetch_add(1, std::memory_order_relaxed)) < n;) {
                patterns.prepare(j);
                prepared.fetch_add(1, std::memory_order_acq_rel);
            }
            if (worker == 0) {
                spin_until([&] { return prepared.load(std::memory_order_acquire) == n || failed(); });
                if (failed())
                    return false;
                patterns.seal();
                state.store(SEALED, std::memory_order_release);
                return true;
            }
        } catch (...) {
            state.store(FAILED, std::memory_order_release);
            throw;
        }
        spin_until([&] { return state.load(std::memory_order_acquire) != PREPARING; });
        return !failed();
    }

private:
    enum { PREPARING, SEALED, FAILED };
    bool failed() const { return state.load(std::memory_order_acquire) == FAILED; }
    BatchPatterns& patterns;
    std::atomic<int32_t> next{0}, prepared{0};
    std::atomic<int> state{PREPARING};
};

struct VideoHits {
    int32_t video;
    int64_t from;
    RangeHits hits;
};

// Adds the ranges' counts up per video and query, then applies the videos in
// record order: a query occurring exactly once in a video counts it, and the
// last such video is the one reported.
void merge(std::vector<VideoHits>& all, KESTRALINE_SEARCH_RESULTS& results)
{
    std::sort(all.begin(), all.end(), [](const VideoHits& a, const VideoHits& b) {
        if (a.video != b.video)
            return a.video < b.video;
        if (a.hits.slot != b.hits.slot)
            return a.hits.slot < b.hits.slot;
        return a.from < b.from;
    });
    for (size_t i = 0; i < all.size();) {
        const int32_t video = all[i].video, slot = all[i].hits.slot, first = all[i].hits.first;
        int32_t occurrences = 0;
        for (; i < all.size() && all[i].video == video && all[i].hits.slot == slot; ++i)
            occurrences += all[i].hits.count;
        if (occurrences == 1) {
            ++results.found[slot];
            results.framepos[slot] = first;
            results.videoindex[slot] = video;
        }
    }
}

int64_t total_frames(const VIDEO_RECORD* videos, int32_t count)
{
    int64_t total = 0;
    for (int32_t v = 0; v < count; ++v)
        total += std::max(videos[v].frames, 0);
    return total;
}

int processors()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

} // namespace

BatchSearch::BatchSearch() : BatchSearch(Tuning()) {}

BatchSearch::BatchSearch(Tuning tuning) : tuning(tuning)
{
    if (this->tuning.threads <= 0)
        this->tuning.threads = processors();
    this->tuning.range_frames = std::max<int64_t>(this->tuning.range_frames, 1);
}

BatchSearch::~BatchSearch() = default;

void BatchSearch::run(const VIDEO_RECORD* videos, int32_t count, const std::function<int32_t()>& published,
                      KESTRALINE_SEARCH_RESULTS& results)
{
    BatchPatterns patterns(results);
    if (patterns.empty())
        return;
    const bool parallel = tuning.threads > 1 && total_frames(videos, count) >= tuning.parallel_min_frames;
    if (parallel && !pool)
        pool = std::make_unique<SearchPool>(tuning.threads - 1);
    const int workers = parallel ? pool->workers() : 1;
    // The videos published now are shared out at once; those published while
    // the batch runs are taken after them, in record order.
    const int32_t published_now = std::max(0, std::min(count, published()));
    HomeShares shares(videos, published_now, workers, tuning.range_frames);
    WorkCursor cursor(videos, count, published, tuning.range_frames, published_now);
    std::vector<std::vector<VideoHits>> found_by(static_cast<size_t>(workers));
    SharedPreparation preparation(patterns);

    auto work = [&](int worker) {
        if (!preparation.join(worker))
            return;
        std::vector<RangeHits> hits;
        std::vector<VideoHits>& mine = found_by[static_cast<size_t>(worker)];
        auto scan = [&](int32_t video, int64_t from, int64_t to) {
            hits.clear();
            patterns.scan(videos[video], from, to, hits);
            for (const RangeHits& h : hits)
                mine.push_back({video, from, h});
        };
        shares.work(worker, scan);
        std::vector<WorkItem> items;
        while (cursor.take(items)) {
            for (const WorkItem& item : items)
                scan(item.video, item.from, item.to);
        }
    };
    if (parallel)
        pool->run(work);
    else
        work(0);

    std::vector<VideoHits> all;
    for (std::vector<VideoHits>& part : found_by)
        all.insert(all.end(), part.begin(), part.end());
    merge(all, results);
}
