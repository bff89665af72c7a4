#pragma once
#include <cstdint>
#include <limits>

// Tick arithmetic that stops at the ends of the 64-bit range instead of
// overflowing: times from files and command lines may be anything.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t result = 0;
    if (__builtin_add_overflow(a, b, &result))
        return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return result;
}

inline std::int64_t saturatingSubtract(std::int64_t a, std::int64_t b)
{
    std::int64_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return result;
}
