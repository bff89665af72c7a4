#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exact_decimal.h"

class ColourPipeline;
struct VideoStreamInfo;

// A stretch of a video: the start and the length, in seconds.
struct Stretch {
    ExactDecimal start;
    ExactDecimal length;
};

// The colour data of every frame the decoder delivers: three bytes (red, green,
// blue) per frame, in order. Throws MediaError, also when no frame decodes.
std::vector<std::uint8_t> analyseWholeVideo(const std::string& path);

// The colour data of a stretch: from the frame on screen at the start (times
// counted from frame 0), floor(length × frame rate) frames, fewer at the
// end of the video. Byte for byte the same as that slice of analyseWholeVideo.
// Decoding starts at the key frame at or before the start, whatever the container.
std::vector<std::uint8_t> analyseStretch(const std::string& path, const Stretch& stretch);

// A colour pipeline for the stream's frames, and the colour data it collected
// (throws MediaError when it got no frame). Shared by the two analyses.
std::unique_ptr<ColourPipeline> newColourPipeline(const VideoStreamInfo& info);
std::vector<std::uint8_t> collectedColours(ColourPipeline& pipeline, const std::string& path);
