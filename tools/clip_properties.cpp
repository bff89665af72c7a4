#include "clip_properties.h"

#include "general_number.h"
#include "media_error.h"
#include "repeatable_decode.h"

#include <algorithm>

namespace {

class FrameCounter : public FrameSink {
public:
    void add(const AVFrame&) override { ++frames_; }
    std::size_t count() const override { return frames_; }
    void keepFirst(std::size_t frames) override { frames_ = std::min(frames_, frames); }

private:
    std::size_t frames_ = 0;
};

} // namespace

ClipProperties readClipProperties(const std::string& path)
{
    VideoInput input(path);
    ClipProperties properties;
    properties.width = input.info().width;
    properties.height = input.info().height;
    properties.frameRate = input.info().frameRate;
    if (properties.frameRate.num <= 0)
        throw MediaError("the frame rate of \"" + path + "\" is unknown");
    FrameCounter counter;
    decodeWholeVideo(input, counter);
    properties.frames = static_cast<std::int64_t>(counter.count());
    if (properties.frames == 0)
        throw MediaError("no frame could be decoded from \"" + path + "\"");
    return properties;
}

std::string clipPropertiesText(const ClipProperties& properties)
{
    return "width " + std::to_string(properties.width) + "\nheight " + std::to_string(properties.height) +
           "\nfps " + general_number(av_q2d(properties.frameRate)) + "\nframes " +
           std::to_string(properties.frames) + "\n";
}
