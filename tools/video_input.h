#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_decoder.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVIOContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

// What both tools need to know about the video stream of a file.
struct VideoStreamInfo {
    int width = 0;
    int height = 0;
    AVRational frameRate{0, 1};   // the rate both tools report and count with; 0/1 when unknown
    AVRational timeBase{0, 1};
    std::int64_t startTime = 0;   // presentation time of the stream's start, in timeBase ticks
    bool startTimeKnown = false;
    double formatStartSeconds = 0;   // the container's start time, 0 where unknown
    std::string formatName;   // FFmpeg's name of the container format, as "matroska,webm"
    int rotationDegrees = 0;   // the clockwise turn that shows the picture upright: 0, 90, 180 or 270
    AVColorSpace colourSpace = AVCOL_SPC_UNSPECIFIED;
    AVColorRange colourRange = AVCOL_RANGE_UNSPECIFIED;
};

// Where a key packet of the video stream lies, as the demuxer read it.
struct KeyPacket {
    std::int64_t pts = 0;   // AV_NOPTS_VALUE when the container gives none
    std::int64_t dts = 0;
    std::int64_t pos = -1;
};

// One video file opened for reading the packets of its best video stream, with
// a decoder of its own for a plain decode.
class VideoInput {
public:
    using FrameHandler = FrameDecoder::FrameHandler;

    explicit VideoInput(const std::string& path);   // throws MediaError
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    const VideoStreamInfo& info() const { return info_; }
    const std::string& path() const { return path_; }

    // Moves to the last key frame at or before `ticks` (stream time base); false
    // when the container refuses. Decoding afterwards starts from there.
    bool seekBefore(std::int64_t ticks);

    // A fresh decoder for the stream's packets.
    std::unique_ptr<FrameDecoder> newDecoder(Threading threading) const;   // throws MediaError

    // Reads on, without decoding, to the next key packet (or, given `same`, to the
    // key packet with its position and bytes), which decoding then starts with.
    // Nothing at the end of the file.
    std::optional<KeyPacket> skipToKeyPacket(const AVPacket* same = nullptr);   // throws MediaError

    // The next packet of the video stream into `packet` (the key packet
    // skipToKeyPacket stopped at first); false at the end of the data. A read
    // error ends the data as the end of the file does: every reader then agrees
    // on what the file holds.
    bool readPacket(AVPacket* packet);

    // Keeps, from now on, a digest of each packet read since the last seek or
    // skipToKeyPacket (the key packet first), so that another reading can be
    // checked against it.
    void keepDigests() { keepingDigests_ = true; }
    const std::vector<std::uint64_t>& digests() const { return digests_; }
    // Tells packets apart by their size, flags and the bytes at both ends.
    static std::uint64_t digestOf(const AVPacket& packet);

    // Decodes from the current position to the end (or until the handler stops)
    // with the input's own decoder, or with `decoder`.
    void decode(const FrameHandler& handler);   // throws MediaError
    void decode(FrameDecoder& decoder, const FrameHandler& handler);   // throws MediaError

private:
    // A video chunk that the container's index lists (AVI).
    struct ListedChunk {
        std::int64_t pos = 0;
        int size = 0;
        std::int64_t timestamp = 0;
    };

    void openStream();
    void close();
    void listChunks(AVStream& stream);
    int readVideoPacket(AVPacket* packet);
    void keepToListedChunk(AVPacket* packet);

    std::string path_;
    AVIOContext* io_ = nullptr;   // the file, which the demuxer reads through
    AVFormatContext* format_ = nullptr;
    std::unique_ptr<FrameDecoder> decoder_;   // frame-threaded, made by the first decode
    AVPacket* held_ = nullptr;   // read by skipToKeyPacket, read first
    bool heldValid_ = false;
    bool keepingDigests_ = false;
    std::vector<std::uint64_t> digests_;
    int streamIndex_ = -1;
    VideoStreamInfo info_;
    std::vector<ListedChunk> chunks_;   // by position; AVI only
};
