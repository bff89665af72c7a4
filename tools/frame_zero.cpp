#include "frame_zero.h"

#include "frame_spacing.h"
#include "media_error.h"
#include "repeatable_decode.h"
#include "saturating_math.h"
#include "video_input.h"

#include <algorithm>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

namespace {

// The first stamped frame lies in frame 0's group; a stream whose decoder marks
// no key frame is not looked through further than this.
constexpr std::int64_t kMostFramesLooked = 1000;

// Feeds the packets of `input` from where it stands to one fresh decoder on one
// thread until the handler stops: the frames the analyses begin with, and FFmpeg's
// log left alone, as a player's process wants.
void decodeAlone(VideoInput& input, const FrameDecoder::FrameHandler& handler)
{
    const std::unique_ptr<FrameDecoder> decoder = input.newDecoder(Threading::Single);
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    try {
        bool going = true;
        while (going) {
            const bool more = input.readPacket(packet);
            going = decoder->decode(more ? packet : nullptr, handler) && more;
            av_packet_unref(packet);
        }
    } catch (...) {
        av_packet_free(&packet);
        throw;
    }
    av_packet_free(&packet);
}

} // namespace

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
    decodeAlone(input, [&](const AVFrame& frame) {
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