#pragma once
#include <cstdint>
#include <optional>

extern "C" {
#include <libavutil/rational.h>
}

// How many stream ticks one frame spans, kept as an exact ratio: a frame is
// a whole number of ticks only at some rates (3753.75 ticks of 1/90000 s at
// 23.976 fps, 41.7 ms at 23.976 or 24 fps in Matroska), and stamps counted in
// such ticks are rounded to the nearest one.
class FrameSpacing {
public:
    // Throws MediaError when the rate or the time base is not above 0.
    FrameSpacing(AVRational frameRate, AVRational timeBase);

    // The frame `ticks` after frame 0: the nearest one, if the ticks lie as close
    // to it as rounded stamps can (exactly on it where a frame is a whole number
    // of ticks, else within one tick); nothing otherwise.
    std::optional<std::int64_t> frameAt(std::int64_t ticks) const;

    // The ticks from frame 0 to frame `index`, rounded to the nearest tick.
    std::int64_t ticksTo(std::int64_t index) const;

private:
    // One frame spans ticks_ / frames_ ticks, a reduced fraction.
    std::int64_t ticks_ = 1;
    std::int64_t frames_ = 1;
};
