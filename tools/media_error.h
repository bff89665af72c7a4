#pragma once
#include <stdexcept>
#include <string>

extern "C" {
#include <libavutil/error.h>
}

// The one failure of the video tools: its text is what the user reads on
// standard error before the tool ends with a non-zero status.
class MediaError : public std::runtime_error {
public:
    explicit MediaError(const std::string& message) : std::runtime_error(message) {}
};

// FFmpeg's text for one of its error codes, for the messages of MediaError.
inline std::string ffmpegErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}
