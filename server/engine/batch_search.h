#pragma once
#include "kestraline_queries.h"
#include "video_record.h"

#include <cstdint>
#include <functional>
#include <memory>

class SearchPool;

// Runs one search batch over the loaded videos, spread over several threads.
//
// The answer is that of searching video after video, each query start by start:
// found = the number of videos in which a query occurs exactly once, framepos and
// videoindex = the last such video. Videos are taken in order, each only once
// the published count (read before each video) covers it, so a video published
// while the batch runs is searched once the batch reaches it. Long videos are cut
// into ranges of start frames; the ranges' counts are added up per video.
class BatchSearch {
public:
    struct Tuning {
        int threads = 0;                       // 0: one per processor
        int64_t range_frames = 1 << 16;        // start frames per unit of work
        int64_t parallel_min_frames = 1 << 18; // smaller projects are searched on the calling thread
    };

    BatchSearch();
    explicit BatchSearch(Tuning tuning);
    ~BatchSearch();

    // Searches records 0, 1, ... of `videos` (of which there are `count`) while
    // their index is below `published()`, and fills `found`, `framepos` and
    // `videoindex` of every query of `results` (which Init has prepared).
    void run(const VIDEO_RECORD* videos, int32_t count, const std::function<int32_t()>& published,
             KESTRALINE_SEARCH_RESULTS& results);

private:
    Tuning tuning;
    std::unique_ptr<SearchPool> pool;
};
