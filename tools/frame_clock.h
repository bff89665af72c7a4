#pragma once
#include <cstdint>

#include "exact_decimal.h"
#include "frame_spacing.h"
#include "video_input.h"

struct AVFrame;

// Presentation times of a video's frames in decoding output order, counted from
// frame 0, the first frame the decoder delivers (see frame_zero.h). A video whose
// frame 0 carries a stamp is timed by its stamps, in stream ticks (a frame without
// one follows the last stamped frame by whole frame durations); a video whose frame
// 0 carries none (AVI with B-frames, where only some frames have one) is timed by
// frame index throughout, so that times never mix two clocks and frame times are
// exact at any rate.
class FrameClock {
public:
    // How a video's frames are timed: frame 0 decides.
    struct Basis {
        bool byIndex = false;
        // The stream tick that counts as time 0: frame 0's stamp (timed by stamps),
        // else the stream's start.
        std::int64_t origin = 0;
    };
    static Basis basisOf(const VideoStreamInfo& info, const AVFrame& frameZero);

    // The frame's stamp where the file stores one, else AV_NOPTS_VALUE. A frame
    // that shares a container packet with an earlier one (MPEG program streams
    // pack several small frames into one) has no position of its own and only a
    // stamp the demuxer guessed, which after a seek differs from the guess made
    // reading from the start.
    static std::int64_t stampOf(const AVFrame& frame);

    // Times frames fed from the frame with index `firstIndex` on (timed by index),
    // or from one that carries a stamp (timed by stamps). Throws MediaError when
    // the stream's frame rate or time base is unknown.
    FrameClock(const VideoStreamInfo& info, const Basis& basis, std::int64_t firstIndex = 0);

    // The frame's time: stream ticks (timed by stamps) or its index (timed by index).
    std::int64_t timeOf(const AVFrame& frame);

    // A time in seconds in a clock's units, rounded down, so that the frame on
    // screen then is the last one whose time is not after it.
    static std::int64_t timeAt(const VideoStreamInfo& info, const Basis& basis, const ExactDecimal& seconds);
    // A time in a clock's units as stream ticks after the clock's origin.
    static std::int64_t ticksAt(const VideoStreamInfo& info, const Basis& basis, std::int64_t time);

private:
    FrameSpacing spacing_;
    bool byIndex_;
    std::int64_t origin_;
    std::int64_t index_;
    std::int64_t lastStamp_ = 0;
    std::int64_t sinceStamp_ = 0;   // frames since the last stamped one
};
