#include "frame_clock.h"

#include "saturating_math.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

FrameClock::Basis FrameClock::basisOf(const VideoStreamInfo& info, const AVFrame& firstFrame)
{
    Basis basis;
    basis.byIndex = firstFrame.pts == AV_NOPTS_VALUE;
    basis.origin = info.startTimeKnown || basis.byIndex ? info.startTime : firstFrame.pts;
    return basis;
}

FrameClock::FrameClock(const VideoStreamInfo& info) : info_(info) {}

FrameClock::FrameClock(const VideoStreamInfo& info, const Basis& basis, std::int64_t firstIndex)
    : info_(info), mode_(basis.byIndex ? Mode::Index : Mode::Stamps), origin_(basis.origin), index_(firstIndex)
{
}

std::int64_t FrameClock::timeOf(const AVFrame& frame)
{
    const AVRational frameDuration = av_inv_q(info_.frameRate);
    const std::int64_t index = index_++;
    if (mode_ == Mode::Undecided) {
        const Basis basis = basisOf(info_, frame);
        mode_ = basis.byIndex ? Mode::Index : Mode::Stamps;
        origin_ = basis.origin;
    }
    if (mode_ == Mode::Index)
        return av_rescale_q(index, frameDuration, info_.timeBase);
    if (frame.pts != AV_NOPTS_VALUE)
        last_ = saturatingSubtract(frame.pts, origin_);
    else
        last_ += av_rescale_q(1, frameDuration, info_.timeBase);
    return last_;
}
