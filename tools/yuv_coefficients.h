#pragma once
#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}

// Integer YUV to RGB conversion with 16 fraction bits:
//   R = clamp((yScale·(Y − yOffset) + rFromV·(V − 128) + 2^15) >> 16)
//   G = clamp((yScale·(Y − yOffset) − gFromU·(U − 128) − gFromV·(V − 128) + 2^15) >> 16)
//   B = clamp((yScale·(Y − yOffset) + bFromU·(U − 128) + 2^15) >> 16)
// Pure integer arithmetic: the same pixels give the same bytes on every machine.
struct YuvCoefficients {
    std::int32_t yOffset;
    std::int32_t yScale;
    std::int32_t rFromV;
    std::int32_t gFromU;
    std::int32_t gFromV;
    std::int32_t bFromU;
};

// The coefficients of the stream's colour matrix (BT.601 when unmarked) and range
// (studio range unless marked full).
YuvCoefficients yuvCoefficients(AVColorSpace space, bool fullRange);
