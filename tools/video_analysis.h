#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "exact_decimal.h"

// A stretch of a video: the start and the length, in seconds.
struct Stretch {
    ExactDecimal start;
    ExactDecimal length;
};

// The colour data of every frame the decoder delivers: three bytes (red, green,
// blue) per frame, in order. Throws MediaError, also when no frame decodes.
std::vector<std::uint8_t> analyseWholeVideo(const std::string& path);

// The colour data of a stretch: from the frame on screen at the start (times
// counted from the stream's start), floor(length × frame rate) frames, fewer at the
// end of the video. Byte for byte the same as that slice of analyseWholeVideo.
std::vector<std::uint8_t> analyseStretch(const std::string& path, const Stretch& stretch);
