#include "anchor_table.h"

#include "red_runs.h"

#include <algorithm>

AnchorTable::AnchorTable(int stride, int64_t window) : stride_(clamped_stride(stride)), window_(clamped_window(window))
{
}

AnchorTable::QueryWindows::QueryWindows(int stride, int64_t window)
    : stride_(clamped_stride(stride)), window_(clamped_window(window))
{
    entries.reserve(static_cast<size_t>(stride_));
}

namespace {

// The test byte of a window: the nearest query frame outside it whose red differs
// from the window's frame next to it; -1 when every frame outside matches.
int64_t test_byte(const std::vector<uint8_t>& red, int64_t offset, int64_t window)
{
    const int64_t frames = static_cast<int64_t>(red.size());
    for (int64_t distance = 1; distance <= frames; ++distance) {
        const int64_t before = offset - distance, after = offset + window - 1 + distance;
        if (after < frames && red[after] != red[offset + window - 1])
            return after;
        if (before >= 0 && red[before] != red[offset])
            return before;
        if (before < 0 && after >= frames)
            break;
    }
    return -1;
}

} // namespace

void AnchorTable::QueryWindows::push(const Entry& entry, int64_t lowest, int64_t highest)
{
    min_offset = entries.empty() ? lowest : std::min(min_offset, lowest);
    max_offset = entries.empty() ? highest : std::max(max_offset, highest);
    entries.push_back(entry);
}

void AnchorTable::QueryWindows::add(int32_t pattern, int64_t offset, const std::vector<uint8_t>& query_red)
{
    const uint8_t* at = query_red.data() + offset;
    const Key key = window_ == LONG_WINDOW ? key_at<true>(at) : key_at<false>(at);
    const int64_t test = test_byte(query_red, offset, window_);
    push({key, static_cast<int32_t>(offset), static_cast<int32_t>(query_red.size()), static_cast<int32_t>(test),
          pattern, -1, -1, test >= 0 ? query_red[test] : uint8_t(0)},
         offset, offset);
}

void AnchorTable::QueryWindows::add_still(int32_t pattern, int64_t first, int64_t last,
                                          const std::vector<int64_t>& offsets, const std::vector<uint8_t>& query_red)
{
    StillWindows still{first, last, {}};
    still.offset_of_remainder.fill(-1);
    int64_t lowest = -1, highest = -1;
    for (int r = 0; r < stride_ && r < static_cast<int>(offsets.size()); ++r) {
        still.offset_of_remainder[r] = offsets[r];
        if (offsets[r] >= 0) {
            lowest = lowest < 0 ? offsets[r] : std::min(lowest, offsets[r]);
            highest = std::max(highest, offsets[r]);
        }
    }
    if (lowest < 0)
        return;
    stills.push_back(still);
    const uint8_t* at = query_red.data() + first;
    const Key key = window_ == LONG_WINDOW ? key_at<true>(at) : key_at<false>(at);
    const int64_t test = test_byte(query_red, first, last - first + 1);
    push({key, 0, static_cast<int32_t>(query_red.size()), static_cast<int32_t>(test), pattern, -1,
          static_cast<int32_t>(stills.size() - 1), test >= 0 ? query_red[test] : uint8_t(0)},
         lowest, highest);
}

void AnchorTable::expect(const QueryWindows& windows)
{
    expected_entries += windows.entries.size();
    expected_stills += windows.stills.size();
}

void AnchorTable::enter(const QueryWindows& windows)
{
    if (entries.empty()) {
        entries.reserve(expected_entries);
        stills.reserve(expected_stills);
    }
    if (windows.entries.empty())
        return;
    min_offset_ = entries.empty() ? windows.min_offset : std::min(min_offset_, windows.min_offset);
    max_offset_ = entries.empty() ? windows.max_offset : std::max(max_offset_, windows.max_offset);
    const int32_t first_still = static_cast<int32_t>(stills.size());
    stills.insert(stills.end(), windows.stills.begin(), windows.stills.end());
    for (Entry entry : windows.entries) {
        if (entry.still >= 0)
            entry.still += first_still;
        entries.push_back(entry);
    }
}

// The probed window at `position` lies in a library stretch of the run's value.
// When the query's red changes after its run, a match must end its run where
// the stretch ends; otherwise it changes before the run, and a match must begin
// its run where the stretch begins. The window's offset must then be the one
// entered for its remainder, or another probe sees that start. -1 for none.
int64_t AnchorTable::still_start(const Entry& entry, const uint8_t* red, int64_t frames, int64_t position) const
{
    const StillWindows& still = stills[static_cast<size_t>(entry.still)];
    const int64_t span = still.last - still.first - window_ + 1; // the window offsets the run allows, less one
    int64_t start;
    if (still.last + 1 < entry.query_frames) {
        const int64_t far = position + window_ - 1 + span; // the furthest end the window allows
        const int64_t end = red_run_last(red, position + window_ - 1, std::min(frames - 1, far + 1));
        if (end > far)
            return -1;
        start = end - still.last;
    } else {
        const int64_t near = position - span; // the earliest beginning the window allows
        const int64_t begin = red_run_first(red, position, std::max<int64_t>(0, near - 1));
        if (begin < near)
            return -1;
        start = begin - still.first;
    }
    const int64_t offset = position - start;
    return still.offset_of_remainder[static_cast<size_t>(offset % stride_)] == offset ? start : -1;
}

void AnchorTable::seal()
{
    static constexpr uint64_t MULTIPLIERS[] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                               0xD6E8FEB86659FD93ull, 0xFF51AFD7ED558CCDull, 0xC4CEB9FE1A85EC53ull,
                                               0x94D049BB133111EBull, 0xBF58476D1CE4E5B9ull};
    int word_bits = MIN_WORD_BITS;
    while (word_bits < MAX_WORD_BITS && (size_t(1) << word_bits) < 2 * entries.size())
        ++word_bits;
    word_shift = 64 - word_bits;
    std::array<bool, 256> entered{};
    for (const Entry& entry : entries) {
        const uint64_t word = 0x0101010101010101ull * (entry.key.low & 255);
        if (entry.key.low == word && entry.key.high == (window_ == LONG_WINDOW ? word : 0))
            entered[entry.key.low & 255] = true;
    }
    uint64_t best = MULTIPLIERS[0];
    int fewest = -1;
    for (uint64_t m : MULTIPLIERS) {
        multiplier = m;
        filter.assign(size_t(1) << word_bits, 0);
        for (const Entry& entry : entries) {
            const Probe probe = probe_of(mix(entry.key));
            filter[probe.word] |= probe.mask;
        }
        const int passing = constant_windows_passing(entered);
        if (fewest < 0 || passing < fewest) {
            fewest = passing;
            best = m;
        }
        if (passing == 0)
            break;
    }
    multiplier = best;
    filter.assign(size_t(1) << word_bits, 0);
    heads.assign(size_t(1) << word_bits, -1);
    for (size_t e = 0; e < entries.size(); ++e) {
        const Probe probe = probe_of(mix(entries[e].key));
        filter[probe.word] |= probe.mask;
        entries[e].next = heads[probe.word];
        heads[probe.word] = static_cast<int32_t>(e);
    }
}

// How many windows of a single red value pass the filter without being entered
// (`entered` marks the values whose window is an entry's).
int AnchorTable::constant_windows_passing(const std::array<bool, 256>& entered) const
{
    int passing = 0;
    for (int c = 0; c < 256; ++c) {
        if (entered[static_cast<size_t>(c)])
            continue;
        const uint64_t word = 0x0101010101010101ull * static_cast<uint64_t>(c);
        passing += maybe(probe_of(mix(Key{word, window_ == LONG_WINDOW ? word : 0})));
    }
    return passing;
}
