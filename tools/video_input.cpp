#include "video_input.h"

#include "decoder_complaints.h"
#include "media_error.h"

#include <cstdlib>
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

// Frame threads for Threading::Frames: one per core, or the number in
// KESTRALINE_DECODER_THREADS (tests compare outputs at several counts).
int frameThreads()
{
    const char* text = std::getenv("KESTRALINE_DECODER_THREADS");
    if (!text || !*text)
        return 0;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    return *end == '\0' && count >= 1 && count <= 64 ? static_cast<int>(count) : 0;
}

} // namespace

VideoInput::VideoInput(const std::string& path, Threading threading) : path_(path)
{
    watchDecoderComplaints();
    try {
        openStream();
        openDecoder(threading);
        frame_ = av_frame_alloc();
        held_ = av_packet_alloc();
        if (!frame_ || !held_)
            throw MediaError("out of memory");
    } catch (...) {
        av_packet_free(&held_);
        av_frame_free(&frame_);
        avcodec_free_context(&decoder_);
        avformat_close_input(&format_);
        throw;
    }
}

VideoInput::~VideoInput()
{
    av_packet_free(&held_);
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
    info_.colourSpace = stream->codecpar->color_space;
    info_.colourRange = stream->codecpar->color_range;
}

void VideoInput::openDecoder(Threading threading)
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
        decoder_->thread_count = threading == Threading::Frames ? frameThreads() : 1;
        decoder_->thread_type = threading == Threading::Frames ? FF_THREAD_FRAME | FF_THREAD_SLICE : 0;
        result = avcodec_open2(decoder_, codec, nullptr);
    }
    if (result < 0)
        throw MediaError("cannot open the video decoder for \"" + path_ + "\": " + errorText(result));
    clearTrouble();
}

void VideoInput::restartDecoder(Threading threading)
{
    avcodec_free_context(&decoder_);
    openDecoder(threading);
}

void VideoInput::clearTrouble()
{
    troubled_ = false;
    complaintsAtStart_ = decoderComplaints();
}

bool VideoInput::troubled() const
{
    return troubled_ || decoderComplaints() != complaintsAtStart_;
}

bool VideoInput::seekBefore(std::int64_t ticks)
{
    av_packet_unref(held_);
    heldValid_ = false;
    if (av_seek_frame(format_, streamIndex_, ticks, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(decoder_);
    clearTrouble();
    return true;
}

// The next packet of the video stream; a negative value at the end of the data.
int VideoInput::readVideoPacket(AVPacket* packet)
{
    for (;;) {
        const int read = av_read_frame(format_, packet);
        if (read < 0 || packet->stream_index == streamIndex_)
            return read;
        av_packet_unref(packet);
    }
}

std::optional<KeyPacket> VideoInput::skipToKeyPacket(std::int64_t pos)
{
    av_packet_unref(held_);
    heldValid_ = false;
    while (readVideoPacket(held_) >= 0) {
        if ((held_->flags & AV_PKT_FLAG_KEY) && (pos < 0 || held_->pos == pos)) {
            heldValid_ = true;
            // What decoded before this packet says nothing about what follows it.
            clearTrouble();
            return KeyPacket{held_->pts, held_->dts, held_->pos};
        }
        av_packet_unref(held_);
    }
    return std::nullopt;
}

void VideoInput::decode(const FrameHandler& handler)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    try {
        bool going = true;
        if (heldValid_) {
            heldValid_ = false;
            going = sendPacket(held_, handler);
            av_packet_unref(held_);
        }
        // A read error ends the file as the end of the data does: both tools then
        // agree on what the file holds.
        while (going && readVideoPacket(packet) >= 0) {
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
    if (sent == AVERROR_INVALIDDATA)
        troubled_ = true;
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
        if (received == AVERROR_INVALIDDATA) {
            troubled_ = true;
            continue;
        }
        if (received < 0)
            throw MediaError("decoding \"" + path_ + "\" failed: " + errorText(received));
        if ((frame_->flags & AV_FRAME_FLAG_CORRUPT) || frame_->decode_error_flags)
            troubled_ = true;
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
