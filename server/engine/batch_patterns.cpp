#include "batch_patterns.h"

#include "red_runs.h"

#include <algorithm>
#include <cstring>

namespace {

// The largest power of two that is at most `n` and at most `cap`.
int power_of_two_up_to(int64_t n, int cap)
{
    int p = 1;
    while (2 * p <= n && 2 * p <= cap)
        p *= 2;
    return p;
}

// For each window offset of `red`, the number of value changes inside it.
std::vector<int> changes_per_window(const std::vector<uint8_t>& red, int64_t window)
{
    const int64_t windows = static_cast<int64_t>(red.size()) - window + 1;
    std::vector<int> changes(static_cast<size_t>(windows), 0);
    int inside = 0;
    for (int64_t k = 0; k + 1 < window; ++k)
        inside += red[k] != red[k + 1];
    for (int64_t a = 0; a < windows; ++a) {
        changes[a] = inside;
        if (a + 1 < windows)
            inside += (red[a + window - 1] != red[a + window]) - (red[a] != red[a + 1]);
    }
    return changes;
}

} // namespace

// Per range: how often each pattern occurred and where. Only the place of a
// pattern that occurs once is ever reported, so the first one found is kept.
// The patterns seen are listed, so that a range with few hits costs little
// whatever the size of the batch.
struct BatchPatterns::RangeState {
    int32_t count[MAX_PENDING_QUERIES] = {};
    int32_t first[MAX_PENDING_QUERIES];
    std::vector<int32_t> seen;

    void record(int32_t j, int64_t p)
    {
        if (count[j]++ == 0) {
            first[j] = static_cast<int32_t>(p);
            seen.push_back(j);
        }
    }
};

BatchPatterns::BatchPatterns(const KESTRALINE_SEARCH_RESULTS& batch)
{
    patterns.reserve(static_cast<size_t>(batch.count));
    for (int32_t slot = 0; slot < batch.count; ++slot) {
        const int64_t frames = batch.querylen[slot] > 0 ? batch.querylen[slot] / 3 : 0;
        if (frames == 0)
            continue; // no whole frame: found nowhere
        const Kind kind = frames < ANCHOR_FRAMES ? Kind::short_one : Kind::anchored;
        patterns.push_back({slot, frames, kind, batch.data[slot].get(), {}, {}, nullptr});
        if (kind == Kind::short_one)
            shorts.push_back(static_cast<int32_t>(patterns.size() - 1));
    }
}

void BatchPatterns::prepare(int32_t j)
{
    Pattern& p = patterns[static_cast<size_t>(j)];
    p.red.resize(static_cast<size_t>(p.frames));
    p.green_blue.resize(2 * static_cast<size_t>(p.frames));
    for (int64_t f = 0; f < p.frames; ++f) {
        p.red[f] = p.query[3 * f];
        p.green_blue[2 * f] = p.query[3 * f + 1];
        p.green_blue[2 * f + 1] = p.query[3 * f + 2];
    }
    if (p.kind == Kind::short_one)
        return;
    if (std::all_of(p.red.begin(), p.red.end(), [&](uint8_t r) { return r == p.red[0]; }))
        p.kind = Kind::still;
    else
        add_anchors(p, j);
}

void BatchPatterns::seal()
{
    for (int32_t j = 0; j < size(); ++j) {
        const Pattern& p = patterns[static_cast<size_t>(j)];
        if (p.kind == Kind::still)
            stills.add(j, p.red[0], p.frames, p.green_blue.data());
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const Pattern& p : patterns) {
            if (p.kind != Kind::anchored)
                continue;
            AnchorTable& table = table_of(*p.windows);
            if (pass == 0)
                table.expect(*p.windows);
            else
                table.enter(*p.windows);
        }
    }
    for (AnchorTable& table : tables)
        table.seal();
}

int64_t BatchPatterns::window_of(const Pattern& pattern)
{
    return pattern.frames >= LONG_WINDOW_FROM ? AnchorTable::LONG_WINDOW : AnchorTable::SHORT_WINDOW;
}

int BatchPatterns::stride_of(const Pattern& pattern)
{
    return power_of_two_up_to(pattern.frames - window_of(pattern) + 1, MAX_STRIDE);
}

AnchorTable& BatchPatterns::table_of(const AnchorTable::QueryWindows& windows)
{
    auto table = std::find_if(tables.begin(), tables.end(), [&](const AnchorTable& t) {
        return t.stride() == windows.stride() && t.window() == windows.window();
    });
    if (table == tables.end())
        table = tables.insert(tables.end(), AnchorTable(windows.stride(), windows.window()));
    return *table;
}

void BatchPatterns::add_anchors(Pattern& pattern, int32_t j)
{
    const int64_t window = window_of(pattern);
    const std::vector<int> changes = changes_per_window(pattern.red, window);
    const int stride = stride_of(pattern);
    pattern.windows = std::make_unique<AnchorTable::QueryWindows>(stride, window);
    AnchorTable::QueryWindows& own = *pattern.windows;
    // For each remainder, the window with the most changes among its offsets.
    // Windows of one red value go in per run of the query, found by its first frame.
    const int64_t windows = static_cast<int64_t>(changes.size());
    std::vector<std::pair<int64_t, std::vector<int64_t>>> still_runs;
    for (int64_t r = 0; r < stride; ++r) {
        int64_t best = r;
        for (int64_t a = r + stride; a < windows; a += stride) {
            if (changes[a] > changes[best])
                best = a;
        }
        if (changes[best] > 0) {
            own.add(j, best, pattern.red);
            continue;
        }
        const int64_t first = red_run_first(pattern.red.data(), best, 0);
        auto run = std::find_if(still_runs.begin(), still_runs.end(), [&](const auto& s) { return s.first == first; });
        if (run == still_runs.end())
            run = still_runs.insert(still_runs.end(), {first, std::vector<int64_t>(static_cast<size_t>(stride), -1)});
        run->second[static_cast<size_t>(r)] = best;
    }
    for (const auto& [first, offsets] : still_runs) {
        const int64_t last = red_run_last(pattern.red.data(), first, pattern.frames - 1);
        own.add_still(j, first, last, offsets, pattern.red);
    }
}

void BatchPatterns::scan(const VIDEO_RECORD& video, int64_t from, int64_t to, std::vector<RangeHits>& hits) const
{
    to = std::min<int64_t>(to, searchable_frames(video));
    from = std::max<int64_t>(from, 0);
    if (from >= to || patterns.empty())
        return;
    RangeState state;
    for (const AnchorTable& table : tables)
        scan_anchored(table, video, from, to, state);
    stills.scan(
        video, from, to, [&](int32_t j) { return state.count[j] < 2; }, [&](int32_t j, int64_t p) { state.record(j, p); });
    for (int32_t j : shorts)
        scan_short(patterns[j], j, video, from, to, state);
    for (int32_t j : state.seen)
        hits.push_back({patterns[j].slot, std::min(state.count[j], 2), state.first[j]});
}

bool BatchPatterns::matches(const Pattern& pattern, const VIDEO_RECORD& video, int64_t p) const
{
    return std::memcmp(video.red_plane.get() + p, pattern.red.data(), pattern.frames) == 0 &&
           std::memcmp(video.green_blue_plane.get() + 2 * p, pattern.green_blue.data(), 2 * pattern.frames) == 0;
}

void BatchPatterns::scan_anchored(const AnchorTable& table, const VIDEO_RECORD& video, int64_t from, int64_t to,
                                  RangeState& state) const
{
    const int64_t frames = video.frames;
    if (frames < table.window())
        return;
    const int64_t first = from + table.min_offset();
    const int64_t last = std::min(to - 1 + table.max_offset(), frames - table.window());
    table.scan(video.red_plane.get(), frames, first, last, [&](int32_t j, int64_t p) {
        const Pattern& pattern = patterns[j];
        if (state.count[j] >= 2 || p < from || p >= to)
            return;
        if (matches(pattern, video, p))
            state.record(j, p);
    });
}

void BatchPatterns::scan_short(const Pattern& pattern, int32_t j, const VIDEO_RECORD& video, int64_t from,
                               int64_t to, RangeState& state) const
{
    const uint8_t* red = video.red_plane.get();
    const int64_t last = std::min(to - 1, video.frames - pattern.frames);
    for (int64_t p = from; p <= last && state.count[j] < 2; ++p) {
        const void* hit = std::memchr(red + p, pattern.red[0], static_cast<size_t>(last - p + 1));
        if (!hit)
            break;
        p = static_cast<const uint8_t*>(hit) - red;
        if (matches(pattern, video, p))
            state.record(j, p);
    }
}
