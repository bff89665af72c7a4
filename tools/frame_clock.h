#pragma once
#include <cstdint>

#include "video_input.h"

struct AVFrame;

// Presentation times of the frames decoded from a video's first frame, in stream
// ticks after the stream's start. A video whose first frame carries a time is
// timed by its stamps (a frame without one follows the previous by one frame
// duration); a video whose first frame carries none (AVI with B-frames, where
// only some frames have one) is timed by frame index and frame rate throughout,
// so that times never mix two clocks.
class FrameClock {
public:
    explicit FrameClock(const VideoStreamInfo& info);

    // The time of the next frame in decoding output order.
    std::int64_t timeOf(const AVFrame& frame);

private:
    enum class Mode { Undecided, Stamps, Index };

    const VideoStreamInfo& info_;
    Mode mode_ = Mode::Undecided;
    std::int64_t origin_ = 0;
    std::int64_t index_ = 0;
    std::int64_t last_ = 0;
};
