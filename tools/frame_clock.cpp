#include "frame_clock.h"

#include "saturating_math.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

FrameClock::FrameClock(const VideoStreamInfo& info) : info_(info) {}

std::int64_t FrameClock::timeOf(const AVFrame& frame)
{
    const AVRational frameDuration = av_inv_q(info_.frameRate);
    const std::int64_t index = index_++;
    if (mode_ == Mode::Undecided) {
        mode_ = frame.pts != AV_NOPTS_VALUE ? Mode::Stamps : Mode::Index;
        origin_ = info_.startTimeKnown || frame.pts == AV_NOPTS_VALUE ? info_.startTime : frame.pts;
    }
    if (mode_ == Mode::Index)
        return av_rescale_q(index, frameDuration, info_.timeBase);
    if (frame.pts != AV_NOPTS_VALUE)
        last_ = saturatingSubtract(frame.pts, origin_);
    else
        last_ += av_rescale_q(1, frameDuration, info_.timeBase);
    return last_;
}
