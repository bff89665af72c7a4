#include "anchor_table.h"

#include <algorithm>

AnchorTable::AnchorTable(int stride, int64_t window)
    : stride_(stride > 0 ? stride : 1), window_(window == LONG_WINDOW ? LONG_WINDOW : SHORT_WINDOW), bits((size_t(1) << HASH_BITS) / 64, 0), heads(size_t(1) << HASH_BITS, -1)
{
}

void AnchorTable::add(int32_t pattern, int64_t offset, const uint8_t* red)
{
    const Key key = window_ == LONG_WINDOW ? key_at<true>(red + offset) : key_at<false>(red + offset);
    min_offset_ = entries.empty() ? offset : std::min(min_offset_, offset);
    max_offset_ = std::max(max_offset_, offset);
    const uint32_t h = hash(key);
    bits[h >> 6] |= uint64_t(1) << (h & 63);
    entries.push_back({key, offset, pattern, heads[h]});
    heads[h] = static_cast<int32_t>(entries.size() - 1);
}
