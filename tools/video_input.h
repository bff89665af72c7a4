#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// What both tools need to know about the video stream of a file.
struct VideoStreamInfo {
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};   // the rate both tools report and count with; 0/1 when unknown
    AVRational timeBase{0, 1};
    std::int64_t startTime = 0;   // presentation time of the stream's start, in timeBase ticks
    bool startTimeKnown = false;
    AVColorSpace colourSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange colourRange = AVCOL_RANGE_UNSPECIFIED;
};

// How a decoder spreads its work. Frame threads are fast but, on damaged data,
// conceal errors differently from run to run; one thread always gives the same
// frames. KESTRALINE_DECODER_THREADS (a number) sets the frame threads for tests.
enum class Threading { Frames, Single };

// Where a key packet of the video stream lies, as the demuxer read it.
struct KeyPacket {
    std::int64_t pts = 0;   // AV_NOPTS_VALUE when the container gives none
    std::int64_t dts = 0;
    std::int64_t pos = -1;
};

// One video file opened for decoding its best video stream. The decoder loop
// here is the only one: the frame count and the colour data both come from it,
// so they always agree.
class VideoInput {
public:
    // Receives every frame the decoder delivers, in presentation order; returns
    // false to stop decoding early.
    using FrameHandler = std::function<bool(const AVFrame&)>;

    explicit VideoInput(const std::string& path, Threading threading = Threading::Frames);   // throws MediaError
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    const VideoStreamInfo& info() const { return info_; }
    const std::string& path() const { return path_; }

    // Moves to the last key frame at or before `ticks` (stream time base); false
    // when the container refuses. Decoding afterwards starts from there.
    bool seekBefore(std::int64_t ticks);

    // Replaces the decoder by a fresh one; reading goes on where it was.
    void restartDecoder(Threading threading);   // throws MediaError

    // Reads on, without decoding, to the next key packet (or, with `pos` of 0 or
    // more, to the key packet at that byte position), which decoding then starts
    // with. Nothing at the end of the file.
    std::optional<KeyPacket> skipToKeyPacket(std::int64_t pos = -1);   // throws MediaError

    // Decodes from the current position to the end (or until the handler stops).
    void decode(const FrameHandler& handler);   // throws MediaError

    // Whether the decoder met damaged data since it was opened or restarted:
    // an error it returned, a frame it marked, or a complaint in its log. A
    // handler that asks this before it uses a frame knows that every frame it
    // used before came from data decoded without trouble.
    bool troubled() const;

private:
    void openStream();
    void openDecoder(Threading threading);
    void clearTrouble();
    int readVideoPacket(AVPacket* packet);
    bool sendPacket(const AVPacket* packet, const FrameHandler& handler);
    bool receiveFrames(const FrameHandler& handler);

    std::string path_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* held_ = nullptr;   // read by skipToKeyPacket, decoded first
    bool heldValid_ = false;
    bool troubled_ = false;
    std::uint64_t complaintsAtStart_ = 0;
    int streamIndex_ = -1;
    VideoStreamInfo info_;
};
