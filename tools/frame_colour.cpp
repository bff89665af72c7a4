#include "frame_colour.h"

#include "media_error.h"
#include "pixel_sums.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

bool isYuvJ(AVPixelFormat format)
{
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

bool plainEightBit(const AVPixFmtDescriptor& d)
{
    constexpr std::uint64_t kOdd = AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL |
                                   AV_PIX_FMT_FLAG_FLOAT | AV_PIX_FMT_FLAG_BAYER;
    if ((d.flags & kOdd) || d.nb_components < 3)
        return false;
    for (int c = 0; c < 3; ++c) {
        if (d.comp[c].depth != 8 || d.comp[c].shift != 0)
            return false;
    }
    return true;
}

// Y, U and V each in a plane of its own, chroma at most halved across.
bool isPlanarYuv(const AVPixFmtDescriptor& d)
{
    if ((d.flags & AV_PIX_FMT_FLAG_RGB) || !(d.flags & AV_PIX_FMT_FLAG_PLANAR) || !plainEightBit(d))
        return false;
    for (int c = 0; c < 3; ++c) {
        if (d.comp[c].plane != c || d.comp[c].step != 1 || d.comp[c].offset != 0)
            return false;
    }
    return d.log2_chroma_w <= 1;
}

// Red, green and blue as whole bytes, planar or packed.
bool isByteRgb(const AVPixFmtDescriptor& d)
{
    return (d.flags & AV_PIX_FMT_FLAG_RGB) && plainEightBit(d) && d.log2_chroma_w == 0 && d.log2_chroma_h == 0;
}

const std::uint8_t* row(const AVFrame& frame, int plane, int y)
{
    return frame.data[plane] + static_cast<std::ptrdiff_t>(y) * frame.linesize[plane];
}

void sumPlanarYuv(const AVFrame& frame, const AVPixFmtDescriptor& d, const YuvCoefficients& k, ChannelSums& sums)
{
    for (int y = 0; y < frame.height; ++y) {
        const int chromaRow = y >> d.log2_chroma_h;
        addYuvRow(row(frame, 0, y), row(frame, 1, chromaRow), row(frame, 2, chromaRow), frame.width,
                  d.log2_chroma_w, k, sums);
    }
}

void sumByteRgb(const AVFrame& frame, const AVPixFmtDescriptor& d, ChannelSums& sums)
{
    std::uint64_t* const totals[3] = {&sums.red, &sums.green, &sums.blue};
    for (int c = 0; c < 3; ++c) {
        const AVComponentDescriptor& comp = d.comp[c];
        for (int y = 0; y < frame.height; ++y)
            *totals[c] += sumBytes(row(frame, comp.plane, y) + comp.offset, frame.width, comp.step);
    }
}

std::uint8_t roundedMean(std::uint64_t sum, std::uint64_t count)
{
    return static_cast<std::uint8_t>((2 * sum + count) / (2 * count));
}

} // namespace

FrameColourer::FrameColourer(AVColorSpace space, AVColorRange range) : space_(space), range_(range) {}

FrameColourer::~FrameColourer()
{
    sws_freeContext(scaler_);
}

bool FrameColourer::fullRange(AVPixelFormat format) const
{
    return range_ == AVCOL_RANGE_JPEG || isYuvJ(format);
}

ColourTriple FrameColourer::colourOf(const AVFrame& frame)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    if (!d || frame.width <= 0 || frame.height <= 0)
        throw MediaError("a decoded frame has no pixels in a known format");
    ChannelSums sums;
    if (isPlanarYuv(*d))
        sumPlanarYuv(frame, *d, yuvCoefficients(space_, fullRange(format)), sums);
    else if (isByteRgb(*d))
        sumByteRgb(frame, *d, sums);
    else
        convertAndSum(frame, sums);
    const std::uint64_t pixels = static_cast<std::uint64_t>(frame.width) * static_cast<std::uint64_t>(frame.height);
    return {roundedMean(sums.red, pixels), roundedMean(sums.green, pixels), roundedMean(sums.blue, pixels)};
}

void FrameColourer::convertAndSum(const AVFrame& frame, ChannelSums& sums)
{
    const auto format = static_cast<AVPixelFormat>(frame.format);
    constexpr int kFlags = SWS_POINT | SWS_BITEXACT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;
    scaler_ = sws_getCachedContext(scaler_, frame.width, frame.height, format, frame.width, frame.height,
                                   AV_PIX_FMT_RGB24, kFlags, nullptr, nullptr, nullptr);
    if (!scaler_)
        throw MediaError(std::string("frames in pixel format ") + av_get_pix_fmt_name(format) +
                         " cannot be converted to RGB");
    const int* matrix = sws_getCoefficients(space_);
    sws_setColorspaceDetails(scaler_, matrix, fullRange(format) ? 1 : 0, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                             1 << 16, 1 << 16);
    const int stride = frame.width * 3;
    rgb_.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(frame.height));
    std::uint8_t* planes[4] = {rgb_.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler_, frame.data, frame.linesize, 0, frame.height, planes, strides) != frame.height)
        throw MediaError("converting a frame to RGB failed");
    const int pixels = frame.width * frame.height;
    sums.red += sumBytes(rgb_.data(), pixels, 3);
    sums.green += sumBytes(rgb_.data() + 1, pixels, 3);
    sums.blue += sumBytes(rgb_.data() + 2, pixels, 3);
}
