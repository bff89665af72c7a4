#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

// Red windows ("anchors") of 8 or 16 frames of the queries of one batch, looked up
// by a hash of the library's red bytes at every `stride`-th frame only. Sixteen
// frames tell a slowly drifting scene apart far better than eight.
//
// A query that enters the table with one window per remainder modulo `stride`
// (window offsets a with every a % stride present) has, at each possible start
// p, exactly one window whose library position p + a is a multiple of `stride`;
// so probing those positions alone sees every start once.
//
// A window of one red value (inside a still stretch of the query) would equal
// every still stretch of that value in the library, at every probe. Such
// windows enter as one entry per run of the query: at a probe inside a library
// stretch of that value, only the start that puts the query's run boundary on
// the stretch's boundary can match, so that one start is the only candidate.
//
// A bit table filters the probes; only a probe whose two filter bits are set
// walks the chain of entries.
class AnchorTable {
public:
    static constexpr int64_t SHORT_WINDOW = 8, LONG_WINDOW = 16;
    static constexpr int MAX_STRIDE = 32;

    AnchorTable(int stride, int64_t window);
    static int clamped_stride(int stride) { return stride > 0 ? stride : 1; }
    static int64_t clamped_window(int64_t window) { return window == LONG_WINDOW ? LONG_WINDOW : SHORT_WINDOW; }

    int stride() const { return stride_; }
    int64_t window() const { return window_; }
    bool empty() const { return entries.empty(); }
    int64_t min_offset() const { return min_offset_; }
    int64_t max_offset() const { return max_offset_; }

    class QueryWindows;
    // Appends one query's windows, worked out apart. Room for all of them is
    // made in one step: every query's windows are announced by `expect` before
    // the first `enter`. `seal` must follow the last `enter` before a scan.
    void expect(const QueryWindows& windows);
    void enter(const QueryWindows& windows);

    // Builds the filter for the entries entered so far, sized to their number.
    void seal();

    // Calls hit(pattern, start) for each probed window of `red` (a video of
    // `frames` frames) that equals an entry's window, where the start = window
    // position - the entry's offset leaves room for the whole query and the
    // entry's test byte matches. The probed positions are the multiples of the
    // stride in [first, last]; the caller guarantees that red[last + window() - 1]
    // exists.
    template <typename Hit>
    void scan(const uint8_t* red, int64_t frames, int64_t first, int64_t last, Hit&& hit) const
    {
        if (window_ == LONG_WINDOW)
            scan_windows<true>(red, frames, first, last, hit);
        else
            scan_windows<false>(red, frames, first, last, hit);
    }

private:
    struct Key {
        uint64_t low, high; // high is 0 for short windows
        bool operator==(const Key& o) const { return low == o.low && high == o.high; }
    };
    static uint64_t load_word(const uint8_t* bytes)
    {
        uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }
    template <bool Long>
    static Key key_at(const uint8_t* red)
    {
        return {load_word(red), Long ? load_word(red + 8) : 0};
    }
    // One multiplication per probe: the two words are folded first. The top
    // bits of the product choose the filter word, the next twelve its two bits.
    // The fold keeps windows of one red value apart (a fold by exclusive or
    // with a rotation would give the values c and 255 - c one hash).
    uint64_t mix(const Key& key) const { return (key.low + 9 * key.high) * multiplier; }
    struct Probe {
        uint32_t word;
        uint64_t mask;
    };
    Probe probe_of(uint64_t mixed) const
    {
        return {static_cast<uint32_t>(mixed >> word_shift),
                (uint64_t(1) << ((mixed >> 46) & 63)) | (uint64_t(1) << ((mixed >> 40) & 63))};
    }
    bool maybe(const Probe& probe) const { return (filter[probe.word] & probe.mask) == probe.mask; }
    template <bool Long, typename Hit>
    void scan_windows(const uint8_t* red, int64_t frames, int64_t first, int64_t last, Hit& hit) const;
    template <typename Hit>
    void chain(const uint8_t* red, int64_t frames, int64_t position, Hit& hit) const;

    // Query offsets fit 32 bits: a query is at most a request body of 1 MiB.
    struct Entry {
        Key key;
        int32_t offset;       // of the window in the query
        int32_t query_frames;
        int32_t test;         // offset of the test byte in the query, -1 for none
        int32_t pattern;
        int32_t next;         // next entry of the same filter word, -1 at the end
        int32_t still;        // index into stills for a window of one red value, -1 otherwise
        uint8_t test_value;
    };
    // A query's run of one red value, and the offsets of its windows by remainder.
    struct StillWindows {
        int64_t first, last;
        std::array<int64_t, MAX_STRIDE> offset_of_remainder;
    };
    int64_t still_start(const Entry& entry, const uint8_t* red, int64_t frames, int64_t position) const;
    int stride_;
    int64_t window_;
    int64_t min_offset_ = 0, max_offset_ = 0;
    // A filter of two bits per entry in one 64-bit word; words grow with the
    // entries (about two words per entry) up to a size that stays in the core's
    // first-level cache beside the streamed red bytes. Windows of one red value
    // fill a third of a typical library (black and still scenes), so a filter
    // that let one of them through would walk a chain at every probe there:
    // the multiplier is chosen so that none passes unless it is entered.
    static constexpr int MIN_WORD_BITS = 6, MAX_WORD_BITS = 11; // 512 bytes to 16 KiB
    std::vector<uint64_t> filter;
    std::vector<int32_t> heads; // first entry per filter word, -1 for none
    int word_shift = 64;
    uint64_t multiplier = 0;
    int constant_windows_passing(const std::array<bool, 256>& entered) const;
    std::vector<Entry> entries;
    std::vector<StillWindows> stills;
    size_t expected_entries = 0, expected_stills = 0;
};

// The red windows of one query for a table of its stride and window length.
// They depend on that query alone, so the queries of a batch may be worked out
// on several threads at once.
class AnchorTable::QueryWindows {
public:
    QueryWindows(int stride, int64_t window);
    int stride() const { return stride_; }
    int64_t window() const { return window_; }
    size_t size() const { return entries.size(); }

    // The window at `offset` of a query's red bytes. With it goes one more red
    // byte of the query to test before the caller's full comparison: the
    // nearest one outside the window that differs from the window's
    // neighbouring frame, so that the candidates of a still window inside a
    // still stretch of the library fail at once.
    void add(int32_t pattern, int64_t offset, const std::vector<uint8_t>& query_red);

    // Windows of one red value, all inside the query's run of that value over
    // frames first..last (a whole run, the query's red changing before or after
    // it): offsets[r] is the offset of the window for remainder r, -1 for the
    // remainders entered elsewhere.
    void add_still(int32_t pattern, int64_t first, int64_t last, const std::vector<int64_t>& offsets,
                   const std::vector<uint8_t>& query_red);

private:
    friend class AnchorTable;
    void push(const Entry& entry, int64_t lowest, int64_t highest);
    int stride_;
    int64_t window_;
    int64_t min_offset = 0, max_offset = 0;
    std::vector<Entry> entries; // an entry's `still` indexes `stills` here
    std::vector<StillWindows> stills;
};

template <typename Hit>
void AnchorTable::chain(const uint8_t* red, int64_t frames, int64_t position, Hit& hit) const
{
    const Key key = window_ == LONG_WINDOW ? key_at<true>(red + position) : key_at<false>(red + position);
    for (int32_t e = heads[probe_of(mix(key)).word]; e >= 0; e = entries[e].next) {
        const Entry& entry = entries[e];
        if (!(entry.key == key))
            continue;
        const int64_t start = entry.still < 0 ? position - entry.offset : still_start(entry, red, frames, position);
        if (start < 0 || start > frames - entry.query_frames)
            continue;
        if (entry.test >= 0 && red[start + entry.test] != entry.test_value)
            continue;
        hit(entry.pattern, start);
    }
}

template <bool Long, typename Hit>
void AnchorTable::scan_windows(const uint8_t* red, int64_t frames, int64_t first, int64_t last, Hit& hit) const
{
    if (entries.empty() || first > last)
        return;
    // The filter's fields are copied into locals so that the probe loop keeps
    // them in registers; the key is read again only for a probe that passes.
    const uint64_t* const bits = filter.data();
    const uint64_t mul = multiplier;
    const int shift = word_shift;
    auto passes = [&](int64_t at) {
        const uint64_t mixed = (load_word(red + at) + (Long ? 9 * load_word(red + at + 8) : 0)) * mul;
        const uint64_t mask = (uint64_t(1) << ((mixed >> 46) & 63)) | (uint64_t(1) << ((mixed >> 40) & 63));
        return (bits[mixed >> shift] & mask) == mask;
    };
    const int64_t s = stride_;
    int64_t pos = (first + s - 1) / s * s;
    // Four probes per step; one test tells whether any of them may hold an anchor.
    for (; pos + 3 * s <= last; pos += 4 * s) {
        const bool m0 = passes(pos), m1 = passes(pos + s), m2 = passes(pos + 2 * s), m3 = passes(pos + 3 * s);
        if (!(m0 | m1 | m2 | m3))
            continue;
        if (m0)
            chain(red, frames, pos, hit);
        if (m1)
            chain(red, frames, pos + s, hit);
        if (m2)
            chain(red, frames, pos + 2 * s, hit);
        if (m3)
            chain(red, frames, pos + 3 * s, hit);
    }
    for (; pos <= last; pos += s) {
        if (passes(pos))
            chain(red, frames, pos, hit);
    }
}
