// Clipmeta VIDEO: prints the video's width, height, frame rate and frame count,
// one "word number" pair a line.
#include "clip_properties.h"

#include <iostream>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: Clipmeta VIDEO\n  prints width, height, fps and frames of VIDEO\n";
        return 2;
    }
    av_log_set_level(AV_LOG_FATAL);
    std::string text;
    try {
        text = clipPropertiesText(readClipProperties(argv[1]));
    } catch (const std::exception& e) {
        std::cerr << "Clipmeta: " << e.what() << "\n";
        return 1;
    }
    std::cout << text << std::flush;
    return std::cout.good() ? 0 : 1;
}
