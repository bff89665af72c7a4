#include "frame_zero.h"

#include "frame_spacing.h"
#include "repeatable_decode.h"
#include "saturating_math.h"
#include "video_input.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
}

// The first stamped frame lies in frame 0's group; a stream whose decoder marks
// no key frame is not looked through further than this.
constexpr std::int64_t kMostFramesLooked = 1000;

std::optional<FrameZero> findFrameZero(VideoInput& input)
{
    std::optional<FrameZero> zero;
    decodeRepeatably(input, DecodeStart::FileStart, [&](const AVFrame& frame) {
        zero = FrameZero{FrameClock::basisOf(input.info(), frame), frame.pkt_dts};
        return false;
    });
    return zero;
}

std::optional<FrameZeroTime> findFrameZeroTime(VideoInput& input)
{
    const VideoStreamInfo& info = input.info();
    const bool spaced = info.frameRate.num > 0 && info.frameRate.den > 0 && info.timeBase.num > 0 &&
                        info.timeBase.den > 0;
    std::optional<FrameZeroTime> time;
    std::int64_t index = -1;
    // One fresh decoder on one thread, and FFmpeg's log left alone, as a
    // player's process wants.
    const std::unique_ptr<FrameDecoder> decoder = input.newDecoder(Threading::Single);
    input.decode(*decoder, [&](const AVFrame& frame) {
        if (++index == 0) {
            const FrameClock::Basis basis = FrameClock::basisOf(info, frame);
            time = FrameZeroTime{basis.origin, basis.byIndex};
            return basis.byIndex && spaced;
        }
        const std::int64_t stamp = FrameClock::stampOf(frame);
        if (stamp != AV_NOPTS_VALUE) {
            const std::int64_t implied =
                saturatingSubtract(stamp, FrameSpacing(info.frameRate, info.timeBase).ticksTo(index));
            time->ticks = std::min(time->ticks, implied);
            return false;
        }
        return !frame.key_frame && index < kMostFramesLooked;
    });
    return time;
}
