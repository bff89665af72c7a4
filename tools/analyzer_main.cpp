// KestralineAnalyzer VIDEO OUT [START LENGTH]: writes the colour data (three bytes,
// red, green, blue, per frame) of the whole video or of a stretch of it to OUT.
#include "atomic_output.h"
#include "exact_decimal.h"
#include "media_error.h"
#include "video_analysis.h"

#include <iostream>

extern "C" {
#include <libavutil/log.h>
}

namespace {

ExactDecimal secondsArgument(const char* name, const std::string& text)
{
    const auto value = parseExactDecimal(text);
    if (!value)
        throw MediaError("the " + std::string(name) + " \"" + text +
                         "\" is not a number of seconds (digits with \".\" as the decimal point)");
    return *value;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::cerr << "usage: KestralineAnalyzer VIDEO OUT [START LENGTH]\n"
                     "  writes the colour data of every frame of VIDEO (or of LENGTH seconds from START) to OUT\n";
        return 2;
    }
    av_log_set_level(AV_LOG_FATAL);
    try {
        const std::string video = argv[1];
        const std::string out = argv[2];
        checkOutputPath(out);   // before the work, which a refused OUT would waste
        std::vector<std::uint8_t> data;
        if (argc == 5)
            data = analyseStretch(video, Stretch{secondsArgument("start", argv[3]), secondsArgument("length", argv[4])});
        else
            data = analyseWholeVideo(video);
        writeFileAtomically(out, data);
    } catch (const std::exception& e) {
        std::cerr << "KestralineAnalyzer: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
