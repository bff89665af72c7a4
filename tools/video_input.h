#pragma once
#include <cstdint>
#include <functional>
#include <memory>
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
    bool exactSeeking = false;    // the container's index lands seeks on the key frame asked for
    AVColorSpace colourSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange colourRange = AVCOL_RANGE_UNSPECIFIED;
};

// One video file opened for decoding its best video stream on all cores. The
// decoder loop here is the only one: the frame count and the colour data both
// come from it, so they always agree.
class VideoInput {
public:
    // Receives every frame the decoder delivers, in presentation order; returns
    // false to stop decoding early.
    using FrameHandler = std::function<bool(const AVFrame&)>;

    explicit VideoInput(const std::string& path);   // throws MediaError
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    const VideoStreamInfo& info() const { return info_; }

    // Moves to the last key frame at or before `ticks` (stream time base); false
    // when the container refuses. Decoding afterwards starts from there.
    bool seekBefore(std::int64_t ticks);

    // Decodes from the current position to the end (or until the handler stops).
    void decode(const FrameHandler& handler);   // throws MediaError

private:
    void openStream();
    void openDecoder();
    bool sendPacket(const AVPacket* packet, const FrameHandler& handler);
    bool receiveFrames(const FrameHandler& handler);

    std::string path_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* decoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    VideoStreamInfo info_;
};
