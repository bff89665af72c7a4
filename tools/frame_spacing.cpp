#include "frame_spacing.h"

#include "media_error.h"

#include <limits>
#include <numeric>

namespace {

using Wide = __int128;

// floor(a / b) for b > 0, also for negative a.
Wide floorDivide(Wide a, Wide b)
{
    const Wide quotient = a / b;
    return (a % b != 0 && a < 0) ? quotient - 1 : quotient;
}

std::int64_t saturated(Wide value)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    return value > kMax ? kMax : value < kMin ? kMin : static_cast<std::int64_t>(value);
}

} // namespace

FrameSpacing::FrameSpacing(AVRational frameRate, AVRational timeBase)
{
    if (frameRate.num <= 0 || frameRate.den <= 0)
        throw MediaError("the frame rate is unknown");
    if (timeBase.num <= 0 || timeBase.den <= 0)
        throw MediaError("the time base is unknown");
    // ticks per frame = (1 / rate) / timeBase; both products fit: each factor is an int.
    const std::int64_t ticks = static_cast<std::int64_t>(frameRate.den) * timeBase.den;
    const std::int64_t frames = static_cast<std::int64_t>(frameRate.num) * timeBase.num;
    const std::int64_t common = std::gcd(ticks, frames);
    ticks_ = ticks / common;
    frames_ = frames / common;
}

std::optional<std::int64_t> FrameSpacing::frameAt(std::int64_t ticks) const
{
    // In units of 1/frames_ tick: the ticks, and frame n at n × ticks_.
    const Wide scaled = static_cast<Wide>(ticks) * frames_;
    const Wide nearest = floorDivide(2 * scaled + ticks_, 2 * static_cast<Wide>(ticks_));
    Wide off = scaled - nearest * ticks_;
    if (off < 0)
        off = -off;
    // A whole number of ticks per frame leaves stamps unrounded.
    const Wide tolerance = frames_ == 1 ? 0 : frames_;
    if (off > tolerance)
        return std::nullopt;
    return saturated(nearest);
}

std::int64_t FrameSpacing::ticksTo(std::int64_t index) const
{
    const Wide scaled = static_cast<Wide>(index) * ticks_;
    return saturated(floorDivide(2 * scaled + frames_, 2 * static_cast<Wide>(frames_)));
}
