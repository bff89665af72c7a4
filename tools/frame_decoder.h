#pragma once
#include <cstdint>
#include <functional>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

// How a decoder spreads its work. Frame threads are fast but, on damaged data,
// conceal errors differently from run to run and from one thread count to
// another; one thread always gives the same frames. KESTRALINE_DECODER_THREADS (a
// number) sets the frame threads for tests. A decoder without frame threads
// uses a fixed number of slice threads.
enum class Threading { Frames, Single };

// One video decoder. Its frame buffers hold zeros when they are handed out, so
// that frames decoded from damaged data never show memory the decoder did not
// write: a buffer comes from a pool and would hold an older frame, which one
// depending on when the colour workers let their frames go. Some damage (in VP8,
// for one) makes no complaint at all, so frame threads need the zeros as well.
class FrameDecoder {
public:
    // Receives every frame, in presentation order; returns false to stop.
    using FrameHandler = std::function<bool(const AVFrame&)>;

    // Throws MediaError; `path` only names the file in messages.
    FrameDecoder(const AVCodecParameters& parameters, AVRational timeBase, Threading threading,
                 const std::string& path);
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;

    // Decodes `packet` (nullptr: the end of the data, which drains the decoder)
    // and hands the frames it completes to `handler`. False when the handler
    // stopped; the decoder is then only fit to be thrown away. Throws MediaError.
    bool decode(const AVPacket* packet, const FrameHandler& handler);
    // The same, marking the frames that the packet begins with `number`.
    bool decode(const AVPacket* packet, std::int64_t number, const FrameHandler& handler);

    // The number of the packet that began the frame, or a negative value. Unlike
    // the byte position a frame carries, every packet has one: the parser of an
    // MPEG program stream gives a frame that does not begin a container packet
    // (often a key frame) no position.
    static std::int64_t packetNumberOf(const AVFrame& frame);

    // Forgets the pictures it holds (after a seek).
    void flush();

    // Whether the decoder met damaged data since it was made or flushed: an
    // error it returned, a frame it marked, or a complaint in its log. A handler
    // that asks this before it uses a frame knows that every frame it used
    // before came from data decoded without trouble.
    bool troubled() const;

    Threading threading() const { return threading_; }

private:
    void clearTrouble();
    bool receiveFrames(const FrameHandler& handler);

    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    Threading threading_;
    std::string path_;
    bool troubled_ = false;
    std::uint64_t complaintsAtStart_ = 0;
};
