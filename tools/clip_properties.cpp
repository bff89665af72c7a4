#include "clip_properties.h"

#include "general_number.h"
#include "media_error.h"
#include "repeatable_decode.h"

ClipProperties readClipProperties(const std::string& path)
{
    VideoInput input(path);
    ClipProperties properties;
    properties.width = input.info().width;
    properties.height = input.info().height;
    properties.frameRate = input.info().frameRate;
    if (properties.frameRate.num <= 0)
        throw MediaError("the frame rate of \"" + path + "\" is unknown");
    decodeRepeatably(input, DecodeStart::FileStart, [&](const AVFrame&) {
        ++properties.frames;
        return true;
    });
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
