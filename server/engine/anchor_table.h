#pragma once
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
// so probing those positions alone sees every start once. A bit table filters
// the probes; only a probe whose hash bit is set walks the chain of entries.
class AnchorTable {
public:
    static constexpr int64_t SHORT_WINDOW = 8, LONG_WINDOW = 16;

    AnchorTable(int stride, int64_t window);

    int stride() const { return stride_; }
    int64_t window() const { return window_; }
    bool empty() const { return entries.empty(); }
    int64_t min_offset() const { return min_offset_; }
    int64_t max_offset() const { return max_offset_; }

    // Enters the window of the table's length at `offset` of a query's red bytes.
    // With it goes one more red byte of the query to test before the caller's
    // full comparison: the nearest one outside the window that differs from the
    // window's neighbouring frame, so that the candidates of a still window
    // inside a still stretch of the library fail at once.
    void add(int32_t pattern, int64_t offset, const std::vector<uint8_t>& query_red);

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
    static constexpr int HASH_BITS = 16;
    static uint32_t hash(const Key& key)
    {
        const uint64_t mixed = key.low ^ (key.high * 0xC2B2AE3D27D4EB4Full);
        return static_cast<uint32_t>((mixed * 0x9E3779B97F4A7C15ull) >> (64 - HASH_BITS));
    }
    bool maybe(uint32_t h) const { return (bits[h >> 6] >> (h & 63)) & 1; }
    template <bool Long, typename Hit>
    void scan_windows(const uint8_t* red, int64_t frames, int64_t first, int64_t last, Hit& hit) const;
    template <typename Hit>
    void chain(const uint8_t* red, int64_t frames, int64_t position, const Key& key, uint32_t h, Hit& hit) const;

    struct Entry {
        Key key;
        int64_t offset;       // of the window in the query
        int64_t query_frames;
        int64_t test;         // offset of the test byte in the query, -1 for none
        uint8_t test_value;
        int32_t pattern;
        int32_t next;         // next entry of the same hash, -1 at the end
    };
    int stride_;
    int64_t window_;
    int64_t min_offset_ = 0, max_offset_ = 0;
    std::vector<uint64_t> bits;  // one bit per hash value
    std::vector<int32_t> heads;  // first entry per hash value, -1 for none
    std::vector<Entry> entries;
};

template <typename Hit>
void AnchorTable::chain(const uint8_t* red, int64_t frames, int64_t position, const Key& key, uint32_t h,
                        Hit& hit) const
{
    for (int32_t e = heads[h]; e >= 0; e = entries[e].next) {
        const Entry& entry = entries[e];
        if (!(entry.key == key))
            continue;
        const int64_t start = position - entry.offset;
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
    const int64_t s = stride_;
    int64_t pos = (first + s - 1) / s * s;
    // Four probes per step; one test tells whether any of them may hold an anchor.
    for (; pos + 3 * s <= last; pos += 4 * s) {
        const Key w0 = key_at<Long>(red + pos), w1 = key_at<Long>(red + pos + s);
        const Key w2 = key_at<Long>(red + pos + 2 * s), w3 = key_at<Long>(red + pos + 3 * s);
        const uint32_t h0 = hash(w0), h1 = hash(w1), h2 = hash(w2), h3 = hash(w3);
        if (!(maybe(h0) | maybe(h1) | maybe(h2) | maybe(h3)))
            continue;
        chain(red, frames, pos, w0, h0, hit);
        chain(red, frames, pos + s, w1, h1, hit);
        chain(red, frames, pos + 2 * s, w2, h2, hit);
        chain(red, frames, pos + 3 * s, w3, h3, hit);
    }
    for (; pos <= last; pos += s) {
        const Key w = key_at<Long>(red + pos);
        chain(red, frames, pos, w, hash(w), hit);
    }
}
