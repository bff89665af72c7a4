#include "anchor_table.h"

#include <algorithm>

AnchorTable::AnchorTable(int stride, int64_t window)
    : stride_(stride > 0 ? stride : 1), window_(window == LONG_WINDOW ? LONG_WINDOW : SHORT_WINDOW), bits((size_t(1) << HASH_BITS) / 64, 0), heads(size_t(1) << HASH_BITS, -1)
{
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

void AnchorTable::add(int32_t pattern, int64_t offset, const std::vector<uint8_t>& query_red)
{
    const uint8_t* at = query_red.data() + offset;
    const Key key = window_ == LONG_WINDOW ? key_at<true>(at) : key_at<false>(at);
    const int64_t test = test_byte(query_red, offset, window_);
    min_offset_ = entries.empty() ? offset : std::min(min_offset_, offset);
    max_offset_ = std::max(max_offset_, offset);
    const uint32_t h = hash(key);
    bits[h >> 6] |= uint64_t(1) << (h & 63);
    entries.push_back({key, offset, static_cast<int64_t>(query_red.size()), test,
                       test >= 0 ? query_red[test] : uint8_t(0), pattern, heads[h]});
    heads[h] = static_cast<int32_t>(entries.size() - 1);
}
