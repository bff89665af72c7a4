#include "batch_patterns.h"

#include <algorithm>
#include <cstring>

namespace {

uint64_t load_word(const uint8_t* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

uint32_t hash_word(uint64_t word, int bits)
{
    return static_cast<uint32_t>((word * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// The offset of the eight-frame window of `red` with the most changes of value
// between neighbouring frames (the first of equals).
int64_t choose_anchor(const std::vector<uint8_t>& red, int64_t window)
{
    const int64_t frames = static_cast<int64_t>(red.size());
    auto change = [&](int64_t k) { return red[k] != red[k + 1] ? 1 : 0; };
    int changes = 0;
    for (int64_t k = 0; k + 1 < window; ++k)
        changes += change(k);
    int best = changes;
    int64_t best_at = 0;
    for (int64_t a = 1; a + window <= frames; ++a) {
        changes += change(a + window - 2) - change(a - 1);
        if (changes > best) {
            best = changes;
            best_at = a;
        }
    }
    return best_at;
}

} // namespace

// Per range: how often each pattern occurred so far and where first.
struct BatchPatterns::RangeState {
    int32_t count[MAX_PENDING_QUERIES] = {};
    int32_t first[MAX_PENDING_QUERIES] = {};

    void record(int j, int64_t p)
    {
        if (count[j]++ == 0)
            first[j] = static_cast<int32_t>(p);
    }
};

BatchPatterns::BatchPatterns(const KESTRALINE_SEARCH_RESULTS& batch)
{
    std::fill(std::begin(heads), std::end(heads), int8_t(-1));
    std::vector<Pattern> short_ones;
    for (int32_t slot = 0; slot < batch.count; ++slot) {
        Pattern p;
        p.slot = slot;
        p.frames = batch.querylen[slot] > 0 ? batch.querylen[slot] / 3 : 0;
        if (p.frames == 0)
            continue; // no whole frame: found nowhere
        const uint8_t* q = batch.data[slot].get();
        for (int64_t j = 0; j < p.frames; ++j) {
            p.red.push_back(q[3 * j]);
            p.green_blue.push_back(q[3 * j + 1]);
            p.green_blue.push_back(q[3 * j + 2]);
        }
        if (p.frames < ANCHOR_FRAMES) {
            short_ones.push_back(std::move(p));
            continue;
        }
        p.anchor = choose_anchor(p.red, ANCHOR_FRAMES);
        p.anchor_value = load_word(p.red.data() + p.anchor);
        patterns.push_back(std::move(p));
    }
    anchored = static_cast<int>(patterns.size());
    for (int j = anchored - 1; j >= 0; --j) {
        int8_t& head = heads[hash_word(patterns[j].anchor_value, HASH_BITS)];
        next_in_chain[j] = head;
        head = static_cast<int8_t>(j);
    }
    for (int j = 0; j < anchored; ++j) {
        min_anchor = j == 0 ? patterns[j].anchor : std::min(min_anchor, patterns[j].anchor);
        max_anchor = std::max(max_anchor, patterns[j].anchor);
    }
    for (Pattern& p : short_ones)
        patterns.push_back(std::move(p));
}

void BatchPatterns::scan(const VIDEO_RECORD& video, int64_t from, int64_t to, std::vector<RangeHits>& hits) const
{
    to = std::min<int64_t>(to, searchable_frames(video));
    from = std::max<int64_t>(from, 0);
    if (from >= to || patterns.empty())
        return;
    RangeState state;
    scan_anchored(video, from, to, state);
    scan_short(video, from, to, state);
    for (int j = 0; j < static_cast<int>(patterns.size()); ++j) {
        if (state.count[j] > 0)
            hits.push_back({patterns[j].slot, std::min(state.count[j], 2), state.first[j]});
    }
}

bool BatchPatterns::check_anchor(const VIDEO_RECORD& video, int64_t from, int64_t to, int j, int64_t pos,
                                 uint64_t word, RangeState& state) const
{
    const Pattern& pattern = patterns[j];
    if (state.count[j] >= 2 || pattern.anchor_value != word)
        return false;
    const int64_t p = pos - pattern.anchor;
    if (p < from || p >= to || p > video.frames - pattern.frames)
        return false;
    if (std::memcmp(video.red_plane.get() + p, pattern.red.data(), pattern.frames) != 0 ||
        std::memcmp(video.green_blue_plane.get() + 2 * p, pattern.green_blue.data(), 2 * pattern.frames) != 0)
        return false;
    state.record(j, p);
    return true;
}

inline int8_t BatchPatterns::chain_start(uint64_t word) const
{
    return heads[hash_word(word, HASH_BITS)];
}

void BatchPatterns::scan_anchored(const VIDEO_RECORD& video, int64_t from, int64_t to, RangeState& state) const
{
    const int64_t frames = video.frames;
    if (anchored == 0 || frames < ANCHOR_FRAMES)
        return;
    const uint8_t* red = video.red_plane.get();
    int64_t pos = from + min_anchor;
    const int64_t last = std::min(to - 1 + max_anchor, frames - ANCHOR_FRAMES);
    auto candidates = [&](int64_t at, uint64_t word, int8_t j) {
        for (; j >= 0; j = next_in_chain[j])
            check_anchor(video, from, to, j, at, word, state);
    };
    // Four windows per step; one test tells whether any of them hashes to an anchor.
    for (; pos + 3 <= last; pos += 4) {
        const uint64_t w0 = load_word(red + pos), w1 = load_word(red + pos + 1);
        const uint64_t w2 = load_word(red + pos + 2), w3 = load_word(red + pos + 3);
        const int8_t h0 = chain_start(w0), h1 = chain_start(w1);
        const int8_t h2 = chain_start(w2), h3 = chain_start(w3);
        if ((h0 & h1 & h2 & h3) < 0)
            continue;
        candidates(pos, w0, h0);
        candidates(pos + 1, w1, h1);
        candidates(pos + 2, w2, h2);
        candidates(pos + 3, w3, h3);
    }
    for (; pos <= last; ++pos) {
        const uint64_t w = load_word(red + pos);
        candidates(pos, w, chain_start(w));
    }
}

void BatchPatterns::scan_short(const VIDEO_RECORD& video, int64_t from, int64_t to, RangeState& state) const
{
    const uint8_t* red = video.red_plane.get();
    const uint8_t* green_blue = video.green_blue_plane.get();
    for (int j = anchored; j < static_cast<int>(patterns.size()); ++j) {
        const Pattern& pattern = patterns[j];
        const int64_t last = std::min(to - 1, video.frames - pattern.frames);
        for (int64_t p = from; p <= last && state.count[j] < 2; ++p) {
            const void* hit = std::memchr(red + p, pattern.red[0], static_cast<size_t>(last - p + 1));
            if (!hit)
                break;
            p = static_cast<const uint8_t*>(hit) - red;
            if (std::memcmp(red + p, pattern.red.data(), pattern.frames) == 0 &&
                std::memcmp(green_blue + 2 * p, pattern.green_blue.data(), 2 * pattern.frames) == 0)
                state.record(j, p);
        }
    }
}
