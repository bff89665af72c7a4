#include "frame_zero.h"

#include "media_error.h"
#include "repeatable_decode.h"
#include "video_input.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

namespace {

// Feeds the packets of `input` from where it stands to one fresh decoder until
// the handler stops.
void decodeAlone(VideoInput& input, Threading threading, const FrameDecoder::FrameHandler& handler)
{
    const std::unique_ptr<FrameDecoder> decoder = input.newDecoder(threading);
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

std::optional<FrameZero> findFrameZero(VideoInput& input, Threading threading)
{
    std::optional<FrameZero> zero;
    const auto take = [&](const AVFrame& frame) {
        zero = FrameZero{FrameClock::basisOf(input.info(), frame), frame.pkt_dts};
        return false;
    };
    if (threading == Threading::Frames)
        decodeRepeatably(input, DecodeStart::FileStart, take);
    else
        decodeAlone(input, threading, take);
    return zero;
}
