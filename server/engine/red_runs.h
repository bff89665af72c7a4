#pragma once
#include <cstdint>
#include <cstring>

// Where a run of one red value ends, found eight frames at a time: still and
// black stretches of a library are long, and they are measured at every probe
// that lands in them.

// The last frame y in [x, limit] such that red[x..y] all equal red[x].
inline int64_t red_run_last(const uint8_t* red, int64_t x, int64_t limit)
{
    const uint64_t same = 0x0101010101010101ull * red[x];
    int64_t y = x;
    while (y + 8 <= limit) {
        uint64_t word;
        std::memcpy(&word, red + y + 1, sizeof word);
        if (const uint64_t differ = word ^ same)
            return y + __builtin_ctzll(differ) / 8;
        y += 8;
    }
    while (y < limit && red[y + 1] == red[x])
        ++y;
    return y;
}

// The first frame y in [lowest, x] such that red[y..x] all equal red[x].
inline int64_t red_run_first(const uint8_t* red, int64_t x, int64_t lowest)
{
    const uint64_t same = 0x0101010101010101ull * red[x];
    int64_t y = x;
    while (y - 8 >= lowest) {
        uint64_t word;
        std::memcpy(&word, red + y - 8, sizeof word);
        if (const uint64_t differ = word ^ same)
            return y - __builtin_clzll(differ) / 8;
        y -= 8;
    }
    while (y > lowest && red[y - 1] == red[x])
        --y;
    return y;
}
