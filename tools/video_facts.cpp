#include "video_facts.h"

#include "frame_zero.h"
#include "video_input.h"

std::optional<VideoFacts> readVideoFacts(const std::string& path)
{
    try {
        VideoInput input(path);
        const std::optional<FrameZeroTime> zero = findFrameZeroTime(input);
        if (!zero)
            return std::nullopt;
        const VideoStreamInfo& info = input.info();
        VideoFacts facts;
        facts.frameZeroSeconds = static_cast<double>(zero->ticks) * av_q2d(info.timeBase);
        facts.timedByIndex = zero->byIndex;
        facts.formatStartSeconds = info.formatStartSeconds;
        facts.frameRate = info.frameRate;
        facts.rotationDegrees = info.rotationDegrees;
        facts.formatName = info.formatName;
        return facts;
    } catch (...) {
        return std::nullopt;
    }
}
