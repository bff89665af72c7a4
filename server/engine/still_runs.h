#pragma once
#include "red_runs.h"
#include "video_record.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// The queries of a batch whose red never changes (still or black fragments),
// looked for together. A query of qf frames of red value c can only start at p
// when red[p .. p + qf - 1] all hold c. The library is probed every m frames, m
// being the shortest of these queries, so each start p has exactly one first
// probe in its frames; only where a probe holds the red value of some query is
// the run of that value measured and each start whose first probe it is
// compared in green and blue, beginning with the green and blue of the probe
// itself (for a query whose green and blue never change either, that one test
// settles every start of the probe).
class StillRuns {
public:
    StillRuns() { std::fill(std::begin(first_of_value), std::end(first_of_value), -1); }

    void add(int32_t pattern, uint8_t red, int64_t frames, const uint8_t* green_blue);
    bool empty() const { return stills.empty(); }

    // Calls found(pattern, p) for each start p in [from, to) of `video` where a
    // query occurs, in increasing p per query, as long as wanted(pattern).
    template <typename Wanted, typename Found>
    void scan(const VIDEO_RECORD& video, int64_t from, int64_t to, Wanted wanted, Found found) const;

private:
    // Whether a query of red value c that fits a run of `length` frames is still wanted.
    template <typename Wanted>
    bool any_wanted(uint8_t c, int64_t length, Wanted& wanted) const
    {
        for (int32_t k = first_of_value[c]; k >= 0; k = stills[k].next_of_value) {
            if (stills[k].frames <= length && wanted(stills[k].pattern))
                return true;
        }
        return false;
    }

    struct Still {
        int32_t pattern;
        int64_t frames;
        std::vector<uint8_t> green_blue;
        bool still_green_blue;  // green and blue never change either
        int32_t next_of_value;  // next still query of the same red value, -1 at the end
    };
    std::vector<Still> stills;
    int32_t first_of_value[256];
    uint8_t has_value[256] = {};         // 1 for the red values of the queries
    int64_t shortest_of_value[256] = {}; // frames of the shortest query of each red value
    int64_t shortest = 0, longest = 0;
};

template <typename Wanted, typename Found>
void StillRuns::scan(const VIDEO_RECORD& video, int64_t from, int64_t to, Wanted wanted, Found found) const
{
    const int64_t frames = video.frames, m = shortest;
    if (stills.empty() || frames < m)
        return;
    const uint8_t* red = video.red_plane.get();
    const uint8_t* green_blue = video.green_blue_plane.get();
    // Probes whose red run is long enough for a query of its value are gathered
    // first, with their green and blue asked for from memory at once, and then
    // compared a batch at a time, so that those reads overlap instead of each
    // waiting for the last.
    struct Probe {
        int64_t x, run_start, run_end;
    };
    constexpr int BATCH = 32;
    Probe probes[BATCH];
    int gathered = 0;
    auto compare = [&](const Probe& probe) {
        const int64_t x = probe.x;
        const uint8_t* probe_green_blue = green_blue + 2 * x;
        for (int32_t k = first_of_value[red[x]]; k >= 0; k = stills[k].next_of_value) {
            const Still& still = stills[k];
            const int64_t highest = std::min({x, to - 1, probe.run_end - still.frames + 1});
            if (highest < probe.run_start)
                continue; // the run is too short: green and blue are not even read
            const uint8_t* query = still.green_blue.data();
            if (still.still_green_blue && std::memcmp(probe_green_blue, query, 2) != 0)
                continue;
            for (int64_t p = probe.run_start; p <= highest && wanted(still.pattern); ++p) {
                const uint8_t* at_probe = query + 2 * (x - p);
                if (probe_green_blue[0] == at_probe[0] && probe_green_blue[1] == at_probe[1] &&
                    std::memcmp(green_blue + 2 * p, query, 2 * still.frames) == 0)
                    found(still.pattern, p);
            }
        }
    };
    // The probes are first sifted by their red value alone, without a branch,
    // a block at a time: most hold no still query's value, and a test per
    // probe would wait on the red byte and then often guess wrong.
    const int64_t last_probe = std::min(to - 1, frames - m) + m - 1;
    constexpr int BLOCK = 256;
    int64_t sifted[BLOCK];
    for (int64_t base = from + m - 1; base <= last_probe; base += BLOCK * m) {
        const int64_t block_end = std::min(last_probe, base + (BLOCK - 1) * m);
        int n = 0;
        for (int64_t x = base; x <= block_end; x += m) {
            sifted[n] = x;
            n += has_value[red[x]];
        }
        for (int i = 0; i < n; ++i) {
            const int64_t x = sifted[i];
            const uint8_t c = red[x];
            const int64_t run_start = red_run_first(red, x, std::max(from, x - m + 1));
            // The last frame of the run, looked at only as far as any query needs.
            const int64_t run_end = red_run_last(red, x, std::min(frames - 1, x + longest - 1));
            if (run_end - run_start + 1 < shortest_of_value[c] || !any_wanted(c, run_end - run_start + 1, wanted))
                continue;
            __builtin_prefetch(green_blue + 2 * x);
            probes[gathered++] = {x, run_start, run_end};
            if (gathered == BATCH) {
                for (const Probe& probe : probes)
                    compare(probe);
                gathered = 0;
            }
        }
    }
    for (int i = 0; i < gathered; ++i)
        compare(probes[i]);
}
