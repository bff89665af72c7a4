#pragma once
#include <cstdint>

#include "yuv_coefficients.h"

// Running totals of the red, green and blue values of a frame's pixels.
struct ChannelSums {
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
};

// Adds the converted RGB values of one row of planar 8-bit YUV. The chroma rows
// hold one sample per pixel (chromaShift 0) or per two pixels (chromaShift 1).
void addYuvRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, int width,
               int chromaShift, const YuvCoefficients& k, ChannelSums& sums);

// The sum of `count` bytes taken every `step` bytes from `bytes`.
std::uint64_t sumBytes(const std::uint8_t* bytes, int count, int step);
