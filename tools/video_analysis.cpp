#include "video_analysis.h"

#include "colour_pipeline.h"
#include "frame_clock.h"
#include "media_error.h"
#include "saturating_math.h"
#include "stretch_picker.h"
#include "video_input.h"

#include <memory>
#include <optional>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

namespace {

std::unique_ptr<ColourPipeline> newPipeline(const VideoStreamInfo& info)
{
    return std::make_unique<ColourPipeline>(info.colourSpace, info.colourRange, ColourPipeline::suitableWorkers());
}

// The colour data of every frame added; a video that delivered none is an error.
std::vector<std::uint8_t> collected(ColourPipeline& pipeline, const std::string& path)
{
    if (pipeline.added() == 0)
        throw MediaError("no frame could be decoded from \"" + path + "\"");
    return pipeline.finish();
}

std::int64_t oneSecond(const VideoStreamInfo& info)
{
    return av_rescale_q(1, AVRational{1, 1}, info.timeBase);
}

// Where the stretch begins and how long it is, in the stream's terms.
struct StretchPlan {
    std::int64_t start = 0;   // stream ticks after the stream's start
    std::int64_t frames = 0;
};

StretchPlan planStretch(const VideoStreamInfo& info, const Stretch& stretch, const std::string& path)
{
    if (info.frameRate.num <= 0)
        throw MediaError("the frame rate of \"" + path + "\" is unknown");
    StretchPlan plan;
    plan.start = floorTimesRatio(stretch.start, info.timeBase.den, info.timeBase.num);
    plan.frames = floorTimesRatio(stretch.length, info.frameRate.num, info.frameRate.den);
    return plan;
}

// Seeks to a key frame a second before the start and decodes forward. Gives up
// (no result) when the frames there do not prove that they are the whole file's
// frames: no time, times not rising, no key frame first, or a key frame already
// after the start.
std::optional<std::vector<std::uint8_t>> stretchBySeeking(VideoInput& input, const StretchPlan& plan)
{
    const VideoStreamInfo& info = input.info();
    const std::int64_t startTicks = saturatingAdd(info.startTime, plan.start);
    if (!input.seekBefore(saturatingSubtract(startTicks, oneSecond(info))))
        return std::nullopt;

    auto pipeline = newPipeline(info);
    StretchPicker picker(startTicks, plan.frames, false, [&](const AVFrame& f) { pipeline->add(f); });
    bool trustworthy = true;
    bool first = true;
    std::int64_t lastTime = 0;
    input.decode([&](const AVFrame& frame) {
        if (frame.pts == AV_NOPTS_VALUE || (first && !frame.key_frame) || (!first && frame.pts <= lastTime)) {
            trustworthy = false;
            return false;
        }
        first = false;
        lastTime = frame.pts;
        const StretchPicker::Verdict verdict = picker.feed(frame, frame.pts);
        if (verdict == StretchPicker::Verdict::Overshot)
            trustworthy = false;
        return verdict == StretchPicker::Verdict::Continue;
    });
    if (!trustworthy || first)
        return std::nullopt;
    picker.finish();
    return pipeline->finish();
}

// Decodes from the first frame, timing the frames by FrameClock.
std::vector<std::uint8_t> stretchFromStart(VideoInput& input, const StretchPlan& plan, const std::string& path)
{
    auto pipeline = newPipeline(input.info());
    StretchPicker picker(plan.start, plan.frames, true, [&](const AVFrame& f) { pipeline->add(f); });
    FrameClock clock(input.info());
    input.decode([&](const AVFrame& frame) {
        return picker.feed(frame, clock.timeOf(frame)) == StretchPicker::Verdict::Continue;
    });
    picker.finish();
    return collected(*pipeline, path);
}

} // namespace

std::vector<std::uint8_t> analyseWholeVideo(const std::string& path)
{
    VideoInput input(path);
    auto pipeline = newPipeline(input.info());
    input.decode([&](const AVFrame& frame) {
        pipeline->add(frame);
        return true;
    });
    return collected(*pipeline, path);
}

std::vector<std::uint8_t> analyseStretch(const std::string& path, const Stretch& stretch)
{
    VideoInput input(path);
    const StretchPlan plan = planStretch(input.info(), stretch, path);
    if (plan.frames == 0)
        return {};
    const VideoStreamInfo& info = input.info();
    const bool worthSeeking = info.exactSeeking && info.startTimeKnown && plan.start > oneSecond(info);
    if (!worthSeeking)
        return stretchFromStart(input, plan, path);
    if (auto data = stretchBySeeking(input, plan))
        return *data;
    VideoInput fresh(path);   // a clean decoder, exactly as for the whole file
    return stretchFromStart(fresh, plan, path);
}
