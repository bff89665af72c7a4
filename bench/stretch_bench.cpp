// Stretch analysis (what the client waits for at every search) against the
// ffmpeg command line decoding the same span from the key frame before it.
// Makes 10-minute 1280x720 videos at 25 fps with a key frame every 10 s, once,
// in every container the manager offers and in MPEG-TS, and at 23.976 fps in
// Matroska and MPEG-TS, whose ticks hold no whole frame (kept in stretch_inputs/
// beside this program), then times, alternating,
//   KestralineAnalyzer VIDEO OUT START (50.4 / fps)      (50 frames, as the client asks)
//   ffmpeg -threads 0 -ss KEY+0.2 -i VIDEO -frames:v N -f null -  (KEY..START plus 50 frames)
// at a start 1 s after a key frame and at one near the end, and whole-file
// analysis against `ffmpeg -threads 0 -i VIDEO -f null -`. Prints medians and
// their ratios (target: at most 1.3) and the load average before and after.
// Usage: stretch_bench [REPETITIONS [WHOLE-FILE CONTAINERS, e.g. mp4,mpg or all]]
#include "bench_timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <thread>
#include <vector>

using benchtiming::median;
using benchtiming::timedRun;

namespace {

const QStringList kContainers = {"avi", "mov", "mkv", "mpg", "mp4", "webm", "ts"};
const QStringList kQuiet = {"-hide_banner", "-loglevel", "error", "-y"};
constexpr int kStretchFrames = 50;

// A video the stretches are timed on: its file name in stretch_inputs/ and its rate.
struct Input {
    QString label;
    QString file;
    double fps;
};

QList<Input> inputs()
{
    QList<Input> all;
    for (const QString& container : kContainers)
        all.append({container, "video." + container, 25.0});
    for (const char* container : {"mkv", "ts"})
        all.append({QString(container) + "@23.976", QString("video2397.") + container, 24000.0 / 1001.0});
    return all;
}

struct Case {
    const char* name;
    int keyFrame;   // seconds
    double start;
};
const Case kCases[] = {{"1 s after a key frame", 300, 301.0}, {"near the end", 590, 598.0}};

QString loadAverage()
{
    QFile file("/proc/loadavg");
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2) : "unknown";
}

// Makes `path` with ffmpeg unless it is there; a finished file only appears under its name.
bool make(const QString& path, const QStringList& arguments)
{
    if (QFile::exists(path))
        return true;
    const QString partial = path + ".part." + QFileInfo(path).suffix();
    const bool made = timedRun("ffmpeg", kQuiet + arguments + QStringList{partial}) >= 0;
    return made && QFile::rename(partial, path);
}

bool makeInputs(const QString& folder)
{
    const QString source = "testsrc2=size=1280x720:rate=25:duration=600";
    const QString h264 = folder + "/video.mp4";
    std::printf("making the 10-minute videos in %s (once)...\n", qPrintable(folder));
    std::fflush(stdout);
    bool mpg = true, webm = true;
    std::thread mpeg2([&] {
        mpg = make(folder + "/video.mpg", {"-f", "lavfi", "-i", source, "-c:v", "mpeg2video", "-q:v", "4", "-bf", "2",
                                           "-g", "250", "-sc_threshold", "1000000000"});
    });
    std::thread vp9([&] {
        webm = make(folder + "/video.webm", {"-f", "lavfi", "-i", source, "-c:v", "libvpx-vp9", "-deadline", "realtime",
                                             "-cpu-used", "8", "-row-mt", "1", "-tile-columns", "2", "-b:v", "2M",
                                             "-g", "250", "-keyint_min", "250"});
    });
    bool ok = make(h264, {"-f", "lavfi", "-i", source, "-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "250",
                          "-keyint_min", "250", "-sc_threshold", "0", "-pix_fmt", "yuv420p"});
    for (const char* container : {"avi", "mov", "mkv", "ts"})
        ok = ok && make(folder + "/video." + container, {"-i", h264, "-c", "copy"});
    // Key frames on the first frame at or after every 10 s, as at 25 fps.
    const QString film = folder + "/video2397.mp4";
    ok = ok && make(film, {"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=24000/1001:duration=600", "-c:v",
                           "libx264", "-preset", "veryfast", "-bf", "3", "-g", "1000", "-sc_threshold", "0",
                           "-force_key_frames", "expr:gte(t,n_forced*10)", "-pix_fmt", "yuv420p"});
    for (const char* container : {"mkv", "ts"})
        ok = ok && make(folder + "/video2397." + container, {"-i", film, "-c", "copy"});
    mpeg2.join();
    vp9.join();
    return ok && mpg && webm;
}

struct Timing {
    double ours = 0;
    double ffmpeg = 0;
};

// Medians of alternating runs of the two commands.
Timing compare(int repetitions, const QString& analyzer, const QStringList& ours, const QStringList& ffmpeg)
{
    std::vector<double> a, f;
    timedRun("ffmpeg", ffmpeg);   // warm the file cache
    for (int i = 0; i < repetitions; ++i) {
        a.push_back(timedRun(analyzer, ours));
        f.push_back(timedRun("ffmpeg", ffmpeg));
        if (a.back() < 0 || f.back() < 0)
            return {-1, -1};
    }
    return {median(a), median(f)};
}

void printRow(const QString& container, const QString& what, const Timing& t)
{
    std::printf("%-10s %-22s %8.3f %8.3f %6.2f\n", qPrintable(container), qPrintable(what), t.ours, t.ffmpeg,
                t.ours / t.ffmpeg);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString wholeArgument = argc > 2 ? argv[2] : "mp4,mpg";
    const QStringList wholeContainers = wholeArgument == "all" ? kContainers : wholeArgument.split(',');
    const QString analyzer = QCoreApplication::applicationDirPath() + "/../bin/KestralineAnalyzer";
    const QString folder = QCoreApplication::applicationDirPath() + "/stretch_inputs";
    QDir().mkpath(folder);
    if (!makeInputs(folder)) {
        std::fprintf(stderr, "ffmpeg could not make the videos\n");
        return 1;
    }
    const QString out = folder + "/out.rgb";
    std::printf("load average before: %s; %d runs each, medians in seconds\n", qPrintable(loadAverage()), repetitions);
    std::printf("%-10s %-22s %8s %8s %6s\n", "file", "stretch of 50 frames", "ours", "ffmpeg", "ratio");
    for (const Input& input : inputs()) {
        const QString video = folder + "/" + input.file;
        for (const Case& c : kCases) {
            // ffmpeg seeks a little before the time asked where B-frames are
            // timed by decoding order (AVI, Matroska), which would land on the
            // key frame before: 0.2 s after the key frame it starts from that key
            // frame, and decodes the same frames to the stretch's end.
            const double seekTo = c.keyFrame + 0.2;
            const int frames = static_cast<int>((c.start - seekTo) * input.fps + 0.5) + kStretchFrames;
            const QString length = QString::number((kStretchFrames + 0.4) / input.fps, 'g', 15);
            const Timing t = compare(repetitions, analyzer, {video, out, QString::number(c.start), length},
                                     {"-hide_banner", "-loglevel", "error", "-threads", "0", "-ss",
                                      QString::number(seekTo), "-i", video, "-frames:v", QString::number(frames),
                                      "-f", "null", "-"});
            if (t.ours < 0) {
                std::fprintf(stderr, "a run failed on %s (is %s built?)\n", qPrintable(video), qPrintable(analyzer));
                return 1;
            }
            printRow(input.label, c.name, t);
        }
    }
    std::printf("%-10s %-22s %8s %8s %6s\n", "file", "whole file", "ours", "ffmpeg", "ratio");
    for (const QString& container : wholeContainers) {
        const QString video = folder + "/video." + container;
        const Timing t = compare(std::max(1, repetitions / 2), analyzer, {video, out},
                                 {"-hide_banner", "-loglevel", "error", "-threads", "0", "-i", video, "-f", "null", "-"});
        if (t.ours < 0) {
            std::fprintf(stderr, "a run failed on %s\n", qPrintable(video));
            return 1;
        }
        printRow(container, "15000 frames", t);
    }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    QFile::remove(out);
    return 0;
}
