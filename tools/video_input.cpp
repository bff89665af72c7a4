#include "video_input.h"

#include "media_error.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace {

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Containers whose seek goes through an index of key frames with presentation or
// decoding times; others (MPEG program and transport streams...) guess by byte
// position, so a stretch there is decoded from the start.
bool hasExactSeeking(const char* demuxerName)
{
    static const char* const exact[] = {"mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", "avi"};
    for (const char* name : exact) {
        if (std::strcmp(demuxerName, name) == 0)
            return true;
    }
    return false;
}

} // namespace

VideoInput::VideoInput(const std::string& path) : path_(path)
{
    try {
        openStream();
        openDecoder();
    } catch (...) {
        avcodec_free_context(&decoder_);
        avformat_close_input(&format_);
        throw;
    }
    frame_ = av_frame_alloc();
    if (!frame_) {
        avcodec_free_context(&decoder_);
        avformat_close_input(&format_);
        throw MediaError("out of memory");
    }
}

VideoInput::~VideoInput()
{
    av_frame_free(&frame_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&format_);
}

void VideoInput::openStream()
{
    // "file:" keeps a name such as "clip:1.mp4" or "concat:..." a plain local file,
    // and the whitelist keeps a crafted file from making us open anything else.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + path_;
    const int opened = avformat_open_input(&format_, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        throw MediaError("cannot open \"" + path_ + "\": " + errorText(opened));
    const int probed = avformat_find_stream_info(format_, nullptr);
    if (probed < 0)
        throw MediaError("cannot read the streams of \"" + path_ + "\": " + errorText(probed));
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0 || (format_->streams[streamIndex_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        throw MediaError("no video stream in \"" + path_ + "\"");
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    }

    AVStream* stream = format_->streams[streamIndex_];
    info_.width = stream->codecpar->width;
    info_.height = stream->codecpar->height;
    const AVRational rate = av_guess_frame_rate(format_, stream, nullptr);
    info_.frameRate = rate.num > 0 && rate.den > 0 ? rate : AVRational{0, 1};
    info_.timeBase = stream->time_base;
    info_.startTimeKnown = stream->start_time != AV_NOPTS_VALUE;
    info_.startTime = info_.startTimeKnown ? stream->start_time : 0;
    info_.exactSeeking = hasExactSeeking(format_->iformat->name);
    info_.colourSpace = stream->codecpar->color_space;
    info_.colourRange = stream->codecpar->color_range;
}

void VideoInput::openDecoder()
{
    const AVCodecParameters* parameters = format_->streams[streamIndex_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        throw MediaError("no decoder for the video of \"" + path_ + "\"");
    decoder_ = avcodec_alloc_context3(codec);
    if (!decoder_)
        throw MediaError("out of memory");
    int result = avcodec_parameters_to_context(decoder_, parameters);
    if (result >= 0) {
        decoder_->pkt_timebase = format_->streams[streamIndex_]->time_base;
        decoder_->thread_count = 0;   // one thread per core
        decoder_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        result = avcodec_open2(decoder_, codec, nullptr);
    }
    if (result < 0)
        throw MediaError("cannot open the video decoder for \"" + path_ + "\": " + errorText(result));
}

bool VideoInput::seekBefore(std::int64_t ticks)
{
    if (av_seek_frame(format_, streamIndex_, ticks, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(decoder_);
    return true;
}

void VideoInput::decode(const FrameHandler& handler)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    try {
        bool going = true;
        // A read error ends the file as the end of the data does: both tools then
        // agree on what the file holds.
        while (going && av_read_frame(format_, packet) >= 0) {
            if (packet->stream_index == streamIndex_)
                going = sendPacket(packet, handler);
            av_packet_unref(packet);
        }
        if (going)
            sendPacket(nullptr, handler);   // drain the frames still in the decoder
    } catch (...) {
        av_packet_free(&packet);
        throw;
    }
    av_packet_free(&packet);
}

bool VideoInput::sendPacket(const AVPacket* packet, const FrameHandler& handler)
{
    const int sent = avcodec_send_packet(decoder_, packet);
    // A damaged packet is skipped, as players do; anything else is a real failure.
    if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR_EOF)
        throw MediaError("decoding \"" + path_ + "\" failed: " + errorText(sent));
    return receiveFrames(handler);
}

bool VideoInput::receiveFrames(const FrameHandler& handler)
{
    for (;;) {
        const int received = avcodec_receive_frame(decoder_, frame_);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received == AVERROR_INVALIDDATA)
            continue;
        if (received < 0)
            throw MediaError("decoding \"" + path_ + "\" failed: " + errorText(received));
        const bool going = handler(*frame_);
        av_frame_unref(frame_);
        if (!going)
            return false;
    }
}

#if defined(__SANITIZE_THREAD__)
#include "ffmpeg_tsan_suppressions.h"

extern "C" const char* __tsan_default_suppressions()
{
    return KESTRALINE_FFMPEG_TSAN_SUPPRESSIONS;
}
#endif
