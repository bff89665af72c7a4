#include "frame_decoder.h"

#include "decoder_complaints.h"
#include "media_error.h"

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

namespace {

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

// Decoders without frame threads (MPEG-2, ProRes) cut each picture into slices
// for threads, and on damaged data what a slice thread skips, and whether it
// says so, depends on where the slices fall: the same count everywhere gives
// every machine the frames of every other.
constexpr int kSliceThreads = 8;

void setThreads(AVCodecContext& context, const AVCodec& codec, Threading threading)
{
    if (threading == Threading::Single) {
        context.thread_count = 1;
        context.thread_type = 0;
    } else if (codec.capabilities & AV_CODEC_CAP_FRAME_THREADS) {
        context.thread_count = frameThreads();
        context.thread_type = FF_THREAD_FRAME;
    } else {
        context.thread_count = kSliceThreads;
        context.thread_type = FF_THREAD_SLICE;
    }
}

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

void zeroBytes(AVBufferRef* buffer)
{
#if defined(__SANITIZE_THREAD__)
    // Frames pass between the decoder's threads and ours through FFmpeg's own
    // locks and atomics, out of the thread sanitizer's sight (as the decoder's
    // own writes are): it would take the zeroing for a race with every read.
    __tsan_ignore_thread_begin();
#endif
    std::memset(buffer->data, 0, buffer->size);
#if defined(__SANITIZE_THREAD__)
    __tsan_ignore_thread_end();
#endif
}

// Zeroes a buffer of the decoder's pool when its last user lets it go, and gives
// it back to the pool.
void zeroAndGiveBack(void* pooled, std::uint8_t*)
{
    auto* buffer = static_cast<AVBufferRef*>(pooled);
    zeroBytes(buffer);
    av_buffer_unref(&buffer);
}

bool zeroWhenLetGo(AVBufferRef*& buffer)
{
    AVBufferRef* wrapper = av_buffer_create(buffer->data, buffer->size, zeroAndGiveBack, buffer, 0);
    if (!wrapper)
        return false;
    buffer = wrapper;
    return true;
}

// A decoder that meets damaged data may leave parts of a picture unwritten and
// read them later, also as a reference. Its pool makes new buffers zeroed; a
// buffer used before is zeroed when it comes back, on the thread that lets it go
// (often a colour worker), so every frame starts from zeros at no cost to the
// decoder's threads.
int zeroedBuffer(AVCodecContext* context, AVFrame* frame, int flags)
{
    const int result = avcodec_default_get_buffer2(context, frame, flags);
    if (result < 0)
        return result;
    bool wrapped = true;
    for (AVBufferRef*& buffer : frame->buf)
        wrapped = wrapped && (!buffer || zeroWhenLetGo(buffer));
    for (int i = 0; i < frame->nb_extended_buf; ++i)
        wrapped = wrapped && zeroWhenLetGo(frame->extended_buf[i]);
    if (wrapped)
        return 0;
    for (AVBufferRef* buffer : frame->buf) {
        if (buffer)
            zeroBytes(buffer);
    }
    for (int i = 0; i < frame->nb_extended_buf; ++i)
        zeroBytes(frame->extended_buf[i]);
    av_frame_unref(frame);
    return AVERROR(ENOMEM);
}

} // namespace

FrameDecoder::FrameDecoder(const AVCodecParameters& parameters, AVRational timeBase, Threading threading,
                           const std::string& path)
    : threading_(threading), path_(path)
{
    watchDecoderComplaints();
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec)
        throw MediaError("no decoder for the video of \"" + path_ + "\"");
    context_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    if (!context_ || !frame_) {
        av_frame_free(&frame_);
        avcodec_free_context(&context_);
        throw MediaError("out of memory");
    }
    int result = avcodec_parameters_to_context(context_, &parameters);
    if (result >= 0) {
        context_->pkt_timebase = timeBase;
        setThreads(*context_, *codec, threading);
        context_->get_buffer2 = zeroedBuffer;
#if LIBAVCODEC_VERSION_MAJOR < 60
        // Without this, frame threads hand every buffer request to the thread
        // that sends the packets and wait for it (later versions always call
        // the function on the frame threads).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        context_->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif
        result = avcodec_open2(context_, codec, nullptr);
    }
    if (result < 0) {
        av_frame_free(&frame_);
        avcodec_free_context(&context_);
        throw MediaError("cannot open the video decoder for \"" + path_ + "\": " + ffmpegErrorText(result));
    }
    clearTrouble();
}

FrameDecoder::~FrameDecoder()
{
    av_frame_free(&frame_);
    avcodec_free_context(&context_);
}

void FrameDecoder::clearTrouble()
{
    troubled_ = false;
    complaintsAtStart_ = decoderComplaints();
}

bool FrameDecoder::troubled() const
{
    return troubled_ || decoderComplaints() != complaintsAtStart_;
}

void FrameDecoder::flush()
{
    avcodec_flush_buffers(context_);
    clearTrouble();
}

bool FrameDecoder::decode(const AVPacket* packet, std::int64_t number, const FrameHandler& handler)
{
    // The decoder copies the value into each frame it begins with this packet,
    // as it copies the packet's position, also on frame threads.
    context_->reordered_opaque = number;
    return decode(packet, handler);
}

std::int64_t FrameDecoder::packetNumberOf(const AVFrame& frame)
{
    return frame.reordered_opaque == AV_NOPTS_VALUE ? -1 : frame.reordered_opaque;
}

bool FrameDecoder::decode(const AVPacket* packet, const FrameHandler& handler)
{
    const int sent = avcodec_send_packet(context_, packet);
    // A damaged packet is skipped, as players do; anything else is a real failure.
    if (sent == AVERROR_INVALIDDATA)
        troubled_ = true;
    if (sent < 0 && sent != AVERROR_INVALIDDATA && sent != AVERROR_EOF)
        throw MediaError("decoding \"" + path_ + "\" failed: " + ffmpegErrorText(sent));
    return receiveFrames(handler);
}

bool FrameDecoder::receiveFrames(const FrameHandler& handler)
{
    for (;;) {
        const int received = avcodec_receive_frame(context_, frame_);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received == AVERROR_INVALIDDATA) {
            troubled_ = true;
            continue;
        }
        if (received < 0)
            throw MediaError("decoding \"" + path_ + "\" failed: " + ffmpegErrorText(received));
        if ((frame_->flags & AV_FRAME_FLAG_CORRUPT) || frame_->decode_error_flags)
            troubled_ = true;
        const bool going = handler(*frame_);
        av_frame_unref(frame_);
        if (!going)
            return false;
    }
}
