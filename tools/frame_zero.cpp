#include "frame_zero.h"

#include "media_error.h"
#include "video_input.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

std::optional<FrameZero> findFrameZero(VideoInput& input)
{
    const std::unique_ptr<FrameDecoder> decoder = input.newDecoder(Threading::Single);
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    std::optional<FrameZero> zero;
    const auto take = [&](const AVFrame& frame) {
        zero = FrameZero{FrameClock::basisOf(input.info(), frame), frame.pkt_dts};
        return false;
    };
    try {
        bool more = true;
        while (!zero && more) {
            more = input.readPacket(packet);
            decoder->decode(more ? packet : nullptr, take);
            av_packet_unref(packet);
        }
    } catch (...) {
        av_packet_free(&packet);
        throw;
    }
    av_packet_free(&packet);
    return zero;
}
