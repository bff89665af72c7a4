#include "video_analysis.h"

#include "colour_pipeline.h"
#include "media_error.h"
#include "repeatable_decode.h"
#include "video_input.h"

std::unique_ptr<ColourPipeline> newColourPipeline(const VideoStreamInfo& info)
{
    return std::make_unique<ColourPipeline>(info.colourSpace, info.colourRange, ColourPipeline::suitableWorkers());
}

std::vector<std::uint8_t> collectedColours(ColourPipeline& pipeline, const std::string& path)
{
    if (pipeline.count() == 0)
        throw MediaError("no frame could be decoded from \"" + path + "\"");
    return pipeline.finish();
}

std::vector<std::uint8_t> analyseWholeVideo(const std::string& path)
{
    VideoInput input(path);
    auto pipeline = newColourPipeline(input.info());
    decodeRepeatably(input, DecodeStart::FileStart, [&](const AVFrame& frame) {
        pipeline->add(frame);
        return true;
    });
    return collectedColours(*pipeline, path);
}
