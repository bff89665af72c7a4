#pragma once
#include "anchor_table.h"
#include "kestraline_queries.h"
#include "still_runs.h"
#include "video_record.h"

#include <cstdint>
#include <memory>
#include <vector>

// How often a query occurs among a range of start frames of one video.
struct RangeHits {
    int32_t slot;   // the query's slot in the batch
    int32_t count;  // 1, or 2 for two or more
    int32_t first;  // start frame of an occurrence (the only one when count is 1)
};

// The queries of one batch prepared for a single pass over a video's red plane.
//
// A query of at least ANCHOR_FRAMES frames whose red changes somewhere is looked
// for through red windows of it (16 frames long, 8 for queries under
// LONG_WINDOW_FROM frames) in an AnchorTable: only every
// stride-th frame of the library is probed (the stride grows with the query's
// length, up to MAX_STRIDE), and only where a probe equals one of the query's
// windows are the whole red run and then green and blue compared. The windows
// are picked where the query's red changes most, so that still stretches of the
// library (black frames, still scenes) rarely match them.
// A query whose red never changes (a still or black fragment) would match every
// such stretch of the library through any window; StillRuns looks for those.
// Shorter queries are scanned start by start for their first red byte. A query
// without a whole frame is found nowhere.
class BatchPatterns {
public:
    static constexpr int64_t ANCHOR_FRAMES = AnchorTable::SHORT_WINDOW;
    static constexpr int64_t LONG_WINDOW_FROM = 24;
    static constexpr int MAX_STRIDE = AnchorTable::MAX_STRIDE;

    // Lists the batch's queries; each is then prepared, and the whole sealed.
    explicit BatchPatterns(const KESTRALINE_SEARCH_RESULTS& batch);

    int32_t size() const { return static_cast<int32_t>(patterns.size()); }
    // Copies query j's colours and works out how it is looked for. Different
    // queries may be prepared on different threads at once.
    void prepare(int32_t j);
    // After every query is prepared: enters them into the tables and builds
    // the tables' filters. A scan may follow.
    void seal();

    // Appends, for every query that occurs with its start in [from, to) of
    // `video`, how often (1 or 2 = several) and where. Every start from 0 to
    // frames - query frames is a candidate.
    void scan(const VIDEO_RECORD& video, int64_t from, int64_t to, std::vector<RangeHits>& hits) const;

    bool empty() const { return patterns.empty(); }

private:
    enum class Kind { anchored, still, short_one };
    struct Pattern {
        int32_t slot;
        int64_t frames;
        Kind kind;
        const uint8_t* query; // the batch's triples
        std::vector<uint8_t> red, green_blue;
        std::unique_ptr<AnchorTable::QueryWindows> windows; // of an anchored query
    };
    struct RangeState;

    static int64_t window_of(const Pattern& pattern);
    static int stride_of(const Pattern& pattern);
    AnchorTable& table_of(const AnchorTable::QueryWindows& windows);
    void add_anchors(Pattern& pattern, int32_t j);
    void scan_anchored(const AnchorTable& table, const VIDEO_RECORD& video, int64_t from, int64_t to,
                       RangeState& state) const;
    void scan_short(const Pattern& pattern, int32_t j, const VIDEO_RECORD& video, int64_t from, int64_t to,
                    RangeState& state) const;
    bool matches(const Pattern& pattern, const VIDEO_RECORD& video, int64_t p) const;

    std::vector<Pattern> patterns;
    std::vector<AnchorTable> tables; // one per stride and window length in use
    std::vector<int32_t> shorts;     // the patterns scanned start by start
    StillRuns stills;
};
