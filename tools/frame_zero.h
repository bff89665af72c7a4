#pragma once
#include <cstdint>
#include <optional>

#include "frame_clock.h"

class VideoInput;

// Frame 0 of a video: the first frame the tools count. Frames that an edit list
// hides, and frames that cannot be decoded before the first key frame, never
// come out of the decoder, so frame 0 is the first frame it delivers from the
// start of the file.
struct FrameZero {
    FrameClock::Basis basis;      // how the video's frames are timed, from frame 0 on
    std::int64_t packetDts = 0;   // decoding time of the packet frame 0 came out with
};

// Decodes from the start of `input` to frame 0 as the analyses do (see
// decodeRepeatably), so that packetDts runs as far ahead of the frame's index as
// in their frame-threaded decoding after a seek. Nothing when no frame decodes;
// `input` is left after frame 0. Throws MediaError.
std::optional<FrameZero> findFrameZero(VideoInput& input);

// Frame 0's presentation time and how the frames after it are timed.
struct FrameZeroTime {
    std::int64_t ticks = 0;   // stream ticks on the file's own clock
    bool byIndex = false;     // frames are timed by their index (see FrameClock)
};

// Frame 0's presentation time in stream ticks on the file's own clock, as a
// player shows it: the stamp of frame 0 (the frame findFrameZero finds). A frame
// 0 without one (timed by index) lies where the first stamped frame of its group
// puts it, counting back by whole frames at the counting rate: FFmpeg's Matroska reader drops the stamps of
// frames before time 0, which a cut with -avoid_negative_ts disabled keeps. That
// time is taken only where it lies before the stream's start: a container that
// stores decoding times alone (AVI) stamps a B-frame with the time it was decoded,
// a frame later than it is shown, and there the stream's start is frame 0's
// time. Decodes from the start of `input` on one thread; nothing when no frame
// decodes. Throws MediaError.
std::optional<FrameZeroTime> findFrameZeroTime(VideoInput& input);
