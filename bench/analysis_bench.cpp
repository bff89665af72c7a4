// Whole-file colour analysis against pure decoding of the same clip.
// Makes a 60 s 1280x720 H.264 clip at 25 fps with the ffmpeg command line, then
// times build/bin/KestralineAnalyzer on it and `ffmpeg -threads 0 -i CLIP -f null -`
// a few times each, alternating, and prints the best and median times and their
// ratio (target: analysis at most 1.3 × decoding). Usage: analysis_bench [REPETITIONS]
#include "bench_timing.h"
#include "frame_colour.h"
#include "video_input.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

using benchtiming::median;
using benchtiming::timedRun;

namespace {

// Milliseconds of colour work per frame on one thread, over the clip's first
// frames (decoded first, then timed alone).
double colourMillisecondsPerFrame(const QString& clip, int frames)
{
    VideoInput input(clip.toStdString());
    std::vector<AVFrame*> decoded;
    input.decode([&](const AVFrame& frame) {
        decoded.push_back(av_frame_clone(&frame));
        return static_cast<int>(decoded.size()) < frames;
    });
    FrameColourer colourer(input.info().colourSpace, input.info().colourRange);
    QElapsedTimer timer;
    timer.start();
    unsigned checksum = 0;
    for (AVFrame* frame : decoded)
        checksum += colourer.colourOf(*frame).red;
    const double ms = timer.nsecsElapsed() / 1e6 / static_cast<double>(decoded.size());
    for (AVFrame*& frame : decoded)
        av_frame_free(&frame);
    return checksum == 0xFFFFFFFFu ? -1 : ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString analyzer = QCoreApplication::applicationDirPath() + "/../bin/KestralineAnalyzer";
    QTemporaryDir folder;
    const QString clip = folder.path() + "/clip.mp4";
    const QString out = folder.path() + "/clip.rgb";

    std::printf("making a 60 s 1280x720 H.264 clip at 25 fps...\n");
    if (timedRun("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                            "testsrc2=size=1280x720:rate=25:duration=60", "-c:v", "libx264", "-preset", "veryfast",
                            "-pix_fmt", "yuv420p", clip}) < 0) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    const QStringList decodeOnly = {"-hide_banner", "-loglevel", "error", "-threads", "0", "-i", clip, "-f", "null", "-"};
    timedRun("ffmpeg", decodeOnly);   // warm the file cache
    std::vector<double> analysis, decoding;
    for (int i = 0; i < repetitions; ++i) {
        const double a = timedRun(analyzer, {clip, out});
        const double d = timedRun("ffmpeg", decodeOnly);
        if (a < 0 || d < 0) {
            std::fprintf(stderr, "a run failed (is %s built?)\n", qPrintable(analyzer));
            return 1;
        }
        analysis.push_back(a);
        decoding.push_back(d);
        std::printf("run %d: analysis %.3f s, decoding %.3f s\n", i + 1, a, d);
    }
    const double bestA = *std::min_element(analysis.begin(), analysis.end());
    const double bestD = *std::min_element(decoding.begin(), decoding.end());
    std::printf("best:   analysis %.3f s, decoding %.3f s, ratio %.2f\n", bestA, bestD, bestA / bestD);
    std::printf("median: analysis %.3f s, decoding %.3f s, ratio %.2f (target <= 1.30)\n", median(analysis),
                median(decoding), median(analysis) / median(decoding));
    std::printf("colour work alone: %.3f ms per 1280x720 frame on one thread\n", colourMillisecondsPerFrame(clip, 200));
    return 0;
}
