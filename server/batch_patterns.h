#pragma once
#include "kestraline_queries.h"
#include "video_record.h"

#include <cstdint>
#include <vector>

// How often a query occurs among a range of start frames of one video.
struct RangeHits {
    int32_t slot;   // the query's slot in the batch
    int32_t count;  // 1, or 2 for two or more
    int32_t first;  // start frame of the first occurrence in the range
};

// The queries of one batch prepared for a single pass over a video's red plane.
//
// A query of at least ANCHOR_FRAMES frames is looked for through an anchor: eight
// consecutive red bytes of the query, picked where its colour changes most, so
// that constant stretches of the library (black frames, still scenes) rarely
// match it. One pass reads the red plane eight bytes at a time, hashes them, and
// only where some query's anchor hashes alike compares that anchor, then the
// whole red run, then green and blue. Shorter queries are scanned one by one for
// their first red byte. A query without a whole frame is found nowhere.
class BatchPatterns {
public:
    static constexpr int64_t ANCHOR_FRAMES = 8;

    explicit BatchPatterns(const KESTRALINE_SEARCH_RESULTS& batch);

    // Appends, for every query that occurs with its start in [from, to) of
    // `video`, how often (1 or 2 = several) and where first. Every start from 0
    // to frames - query frames is a candidate.
    void scan(const VIDEO_RECORD& video, int64_t from, int64_t to, std::vector<RangeHits>& hits) const;

    bool empty() const { return patterns.empty(); }

private:
    struct Pattern {
        int32_t slot;
        int64_t frames;
        std::vector<uint8_t> red, green_blue;
        int64_t anchor = 0;        // offset of the anchor in the query, in frames
        uint64_t anchor_value = 0; // its eight red bytes as one word
    };
    struct RangeState;

    void scan_anchored(const VIDEO_RECORD& video, int64_t from, int64_t to, RangeState& state) const;
    void scan_short(const VIDEO_RECORD& video, int64_t from, int64_t to, RangeState& state) const;
    bool check_anchor(const VIDEO_RECORD& video, int64_t from, int64_t to, int j, int64_t pos, uint64_t word,
                      RangeState& state) const;
    int8_t chain_start(uint64_t word) const;

    static constexpr int HASH_BITS = 13;
    std::vector<Pattern> patterns;   // anchored ones first, then the short ones
    int anchored = 0;
    int64_t min_anchor = 0, max_anchor = 0;
    int8_t heads[1 << HASH_BITS];    // first anchored pattern of each hash value, -1 for none
    int8_t next_in_chain[MAX_PENDING_QUERIES];
};
