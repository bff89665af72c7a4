#include "home_shares.h"

#include <algorithm>

HomeShares::HomeShares(const VIDEO_RECORD* videos, int32_t count, int workers, int64_t chunk_frames)
    : shares(static_cast<size_t>(std::max(workers, 1))), chunk_frames(std::max<int64_t>(chunk_frames, 1))
{
    starts.reserve(static_cast<size_t>(count) + 1);
    int64_t total = 0;
    for (int32_t v = 0; v < count; ++v) {
        starts.push_back(total);
        total += searchable_frames(videos[v]);
    }
    starts.push_back(total);
    const int64_t chunks = (total + this->chunk_frames - 1) / this->chunk_frames;
    const int64_t n = static_cast<int64_t>(shares.size());
    for (int64_t w = 0; w < n; ++w) {
        shares[static_cast<size_t>(w)].next.store(chunks * w / n, std::memory_order_relaxed);
        shares[static_cast<size_t>(w)].end = chunks * (w + 1) / n;
    }
}

// The last video beginning at or before `frame` (videos without frames begin
// where the next one does, and are passed over by the caller).
int32_t HomeShares::first_video_at(int64_t frame) const
{
    const auto after = std::upper_bound(starts.begin(), starts.end() - 1, frame);
    return static_cast<int32_t>(after - starts.begin()) - 1;
}
