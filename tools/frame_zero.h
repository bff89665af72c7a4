#pragma once
#include <cstdint>
#include <optional>

#include "frame_clock.h"
#include "frame_decoder.h"

class VideoInput;

// Frame 0 of a video: the first frame the tools count. Frames that an edit list
// hides, and frames that cannot be decoded before the first key frame, never
// come out of the decoder, so frame 0 is the first frame it delivers from the
// start of the file.
struct FrameZero {
    FrameClock::Basis basis;      // how the video's frames are timed, from frame 0 on
    std::int64_t packetDts = 0;   // decoding time of the packet frame 0 came out with
};

// Decodes from the start of `input` to frame 0. Threading::Frames decodes as the
// analyses do (see decodeRepeatably), so that packetDts runs as far ahead of the
// frame's index as in their frame-threaded decoding after a seek. Threading::Single
// uses one fresh decoder on one thread, which delivers the same frame and leaves
// FFmpeg's log alone, as a player's process wants. Nothing when no frame decodes;
// `input` is left after frame 0. Throws MediaError.
std::optional<FrameZero> findFrameZero(VideoInput& input, Threading threading);
