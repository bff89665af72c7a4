#pragma once
#include <optional>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

// What a player must agree on with the analysis about a file.
struct VideoFacts {
    double frameZeroSeconds = 0;    // presentation time of frame 0, in seconds, on the file's own clock
                                    // (the video stream's pts x time base, not rebased to any start)
    double formatStartSeconds = 0;  // the container's start time in seconds (AVFormatContext::start_time),
                                    // 0 where unknown
    AVRational frameRate{0, 1};     // the rate the tools count frames with and Clipmeta prints; {0,1} unknown
    int rotationDegrees = 0;        // the display matrix's rotation: 0, 90, 180 or 270, the turn (clockwise)
                                    // that shows the picture upright
    std::string formatName;         // FFmpeg's name of the container format, as "matroska,webm"
    bool timedByIndex = false;      // the tools time frame k at k / frameRate after frame 0, not by the
                                    // file's stamps: frame 0 carries none (AVI with B-frames, the frames
                                    // before time 0 of a Matroska cut)
};

// The facts of a file's video stream, read by the same rules the tools count with; nothing when the file has
// no decodable video stream (a text, a playlist, sound only, unreadable). Never throws.
std::optional<VideoFacts> readVideoFacts(const std::string& path);
