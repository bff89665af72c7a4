#include "frame_clock.h"

#include "saturating_math.h"

extern "C" {
#include <libavutil/frame.h>
}

FrameClock::Basis FrameClock::basisOf(const VideoStreamInfo& info, const AVFrame& frameZero)
{
    Basis basis;
    const std::int64_t stamp = stampOf(frameZero);
    basis.byIndex = stamp == AV_NOPTS_VALUE;
    basis.origin = basis.byIndex ? info.startTime : stamp;
    return basis;
}

std::int64_t FrameClock::stampOf(const AVFrame& frame)
{
    return frame.pkt_pos >= 0 ? frame.pts : AV_NOPTS_VALUE;
}

FrameClock::FrameClock(const VideoStreamInfo& info, const Basis& basis, std::int64_t firstIndex)
    : spacing_(info.frameRate, info.timeBase), byIndex_(basis.byIndex), origin_(basis.origin), index_(firstIndex)
{
}

std::int64_t FrameClock::timeOf(const AVFrame& frame)
{
    if (byIndex_)
        return index_++;
    const std::int64_t stamp = stampOf(frame);
    if (stamp != AV_NOPTS_VALUE) {
        lastStamp_ = saturatingSubtract(stamp, origin_);
        sinceStamp_ = 0;
        return lastStamp_;
    }
    return saturatingAdd(lastStamp_, spacing_.ticksTo(++sinceStamp_));
}

std::int64_t FrameClock::timeAt(const VideoStreamInfo& info, const Basis& basis, const ExactDecimal& seconds)
{
    if (basis.byIndex)
        return floorTimesRatio(seconds, info.frameRate.num, info.frameRate.den);
    return floorTimesRatio(seconds, info.timeBase.den, info.timeBase.num);
}

std::int64_t FrameClock::ticksAt(const VideoStreamInfo& info, const Basis& basis, std::int64_t time)
{
    return basis.byIndex ? FrameSpacing(info.frameRate, info.timeBase).ticksTo(time) : time;
}
