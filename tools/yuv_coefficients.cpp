#include "yuv_coefficients.h"

#include <cmath>

namespace {

struct LumaWeights {
    double kr;
    double kb;
};

LumaWeights lumaWeights(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        return {0.2126, 0.0722};
    case AVCOL_SPC_FCC:
        return {0.30, 0.11};
    case AVCOL_SPC_SMPTE240M:
        return {0.212, 0.087};
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return {0.2627, 0.0593};
    default:
        return {0.299, 0.114};   // BT.601, also for unmarked streams
    }
}

std::int32_t fixed(double value)
{
    return static_cast<std::int32_t>(std::lround(value * 65536.0));
}

} // namespace

YuvCoefficients yuvCoefficients(AVColorSpace space, bool fullRange)
{
    const LumaWeights w = lumaWeights(space);
    const double kg = 1.0 - w.kr - w.kb;
    const double lumaScale = fullRange ? 1.0 : 255.0 / 219.0;
    const double chromaScale = fullRange ? 1.0 : 255.0 / 224.0;
    YuvCoefficients c;
    c.yOffset = fullRange ? 0 : 16;
    c.yScale = fixed(lumaScale);
    c.rFromV = fixed(2.0 * (1.0 - w.kr) * chromaScale);
    c.gFromU = fixed(2.0 * w.kb * (1.0 - w.kb) / kg * chromaScale);
    c.gFromV = fixed(2.0 * w.kr * (1.0 - w.kr) / kg * chromaScale);
    c.bFromU = fixed(2.0 * (1.0 - w.kb) * chromaScale);
    return c;
}
