#pragma once
#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

// What the property tool reports of a video.
struct ClipProperties {
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};
    std::int64_t frames = 0;   // frames the decoder delivers: the analysis writes as many triples
};

// Opens the video and decodes every frame to count them. Throws MediaError, also
// for a video whose frame rate is unknown or that delivers no frame.
ClipProperties readClipProperties(const std::string& path);

// "width N", "height N", "fps R", "frames N", one pair a line.
std::string clipPropertiesText(const ClipProperties& properties);
