#include "video_facts.h"

#include "frame_zero.h"
#include "video_input.h"

std::optional<VideoFacts> readVideoFacts(const std::string& path)
{
    try {
        VideoInput input(path);
        const std::optional<FrameZero> zero = findFrameZero(input, Threading::Single);
        if (!zero)
            return std::nullopt;
        const VideoStreamInfo& info = input.info();
        VideoFacts facts;
        facts.frameZeroSeconds = static_cast<double>(zero->basis.origin) * av_q2d(info.timeBase);
        facts.formatStartSeconds = info.formatStartSeconds;
        facts.frameRate = info.frameRate;
        facts.rotationDegrees = info.rotationDegrees;
        return facts;
    } catch (...) {
        return std::nullopt;
    }
}
