#pragma once
#include <cstdint>
#include <functional>

struct AVFrame;

// Picks the frames of a stretch out of the frames a decoder delivers in order:
// the stretch begins at the frame on screen at the start time (the last frame whose
// time is not after it) and holds up to `frameCount` frames.
class StretchPicker {
public:
    using Emit = std::function<void(const AVFrame&)>;
    enum class Verdict {
        Continue,   // feed the next frame
        Done,       // the stretch is complete
        Overshot,   // the first frame fed is already after the start
    };

    // `firstFrameIsVideoStart`: the frames are fed from the video's first frame,
    // so a start before it begins the stretch at that first frame.
    StretchPicker(std::int64_t startTime, std::int64_t frameCount, bool firstFrameIsVideoStart, Emit emit);
    ~StretchPicker();
    StretchPicker(const StretchPicker&) = delete;
    StretchPicker& operator=(const StretchPicker&) = delete;

    // `time` is the frame's presentation time in the start time's units.
    Verdict feed(const AVFrame& frame, std::int64_t time);
    // The end of the video: a start after its last frame begins at that frame.
    void finish();

private:
    Verdict emit(const AVFrame& frame);

    std::int64_t startTime_;
    std::int64_t frameCount_;
    bool firstFrameIsVideoStart_;
    Emit emit_;
    AVFrame* candidate_ = nullptr;
    std::int64_t emitted_ = 0;
    bool started_ = false;
};
