#pragma once
#include <cstdint>

#include "video_input.h"

struct AVFrame;

// Presentation times of a video's frames in decoding output order, in stream
// ticks after the stream's start. A video whose first frame carries a time is
// timed by its stamps (a frame without one follows the previous by one frame
// duration); a video whose first frame carries none (AVI with B-frames, where
// only some frames have one) is timed by frame index and frame rate throughout,
// so that times never mix two clocks.
class FrameClock {
public:
    // How a video's frames are timed: its first frame decides.
    struct Basis {
        bool byIndex = false;
        std::int64_t origin = 0;   // the stream tick that counts as time 0
    };
    static Basis basisOf(const VideoStreamInfo& info, const AVFrame& firstFrame);

    // Times frames fed from the video's first frame on.
    explicit FrameClock(const VideoStreamInfo& info);
    // Times frames fed from a later frame on: the frame with index `firstIndex`
    // (timed by index) or one that carries a stamp (timed by stamps).
    FrameClock(const VideoStreamInfo& info, const Basis& basis, std::int64_t firstIndex);

    std::int64_t timeOf(const AVFrame& frame);

private:
    enum class Mode { Undecided, Stamps, Index };

    const VideoStreamInfo& info_;
    Mode mode_ = Mode::Undecided;
    std::int64_t origin_ = 0;
    std::int64_t index_ = 0;
    std::int64_t last_ = 0;
};
