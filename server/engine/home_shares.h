#pragma once
#include "video_record.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The start frames of the first `count` videos, laid end to end and cut into
// chunks, handed out to the workers of one batch. Each worker has a home share
// of consecutive chunks and takes them front to back, so that every core streams
// one stretch of memory, and the same stretch batch after batch: when it fits,
// it is still in that core's caches. A worker whose share is done takes chunks
// from the other shares, so one that starts late holds nobody up.
class HomeShares {
public:
    HomeShares(const VIDEO_RECORD* videos, int32_t count, int workers, int64_t chunk_frames);

    // Calls scan(video, from, to) for every piece of every chunk `worker` takes,
    // a piece being the start frames [from, to) of one video within one chunk.
    template <typename Scan>
    void work(int worker, Scan&& scan)
    {
        const int n = static_cast<int>(shares.size());
        for (int k = 0; k < n; ++k) {
            Share& share = shares[static_cast<size_t>((worker + k) % n)];
            for (int64_t c; (c = share.next.fetch_add(1, std::memory_order_relaxed)) < share.end;)
                pieces_of(c, scan);
        }
    }

private:
    template <typename Scan>
    void pieces_of(int64_t chunk, Scan& scan) const
    {
        const int64_t from = chunk * chunk_frames, to = std::min(from + chunk_frames, starts.back());
        int32_t v = first_video_at(from);
        for (; v < static_cast<int32_t>(starts.size()) - 1 && starts[static_cast<size_t>(v)] < to; ++v) {
            const int64_t at = starts[static_cast<size_t>(v)], end = starts[static_cast<size_t>(v) + 1];
            if (end > from)
                scan(v, std::max(from, at) - at, std::min(to, end) - at);
        }
    }
    int32_t first_video_at(int64_t frame) const;

    // Each share on its own cache line: the workers take chunks at once.
    struct alignas(64) Share {
        std::atomic<int64_t> next{0};
        int64_t end = 0;
    };
    std::vector<int64_t> starts; // where each video begins, and the total at the end
    std::vector<Share> shares;
    int64_t chunk_frames;
};
