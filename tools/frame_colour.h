#pragma once
#include <cstdint>
#include <vector>

#include "yuv_coefficients.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVFrame;
struct SwsContext;
struct ChannelSums;

// The colour triple of a frame: mean red, green and blue of all its pixels in
// 8-bit RGB, each rounded to the nearest integer.
struct ColourTriple {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Computes colour triples of decoded frames. 8-bit planar YUV and 8-bit RGB are
// summed directly with exact integer arithmetic; any other pixel format is first
// converted to RGB24 by swscale in its bit-exact mode with fixed flags. One object
// per thread: it keeps its conversion state between frames.
class FrameColourer {
public:
    // The stream's colour matrix and range (BT.601 studio range when unmarked).
    FrameColourer(AVColorSpace space, AVColorRange range);
    ~FrameColourer();
    FrameColourer(const FrameColourer&) = delete;
    FrameColourer& operator=(const FrameColourer&) = delete;

    ColourTriple colourOf(const AVFrame& frame);   // throws MediaError

private:
    bool fullRange(AVPixelFormat format) const;
    void convertAndSum(const AVFrame& frame, ChannelSums& sums);

    AVColorSpace space_;
    AVColorRange range_;
    SwsContext* scaler_ = nullptr;
    std::vector<std::uint8_t> rgb_;
};
