#pragma once
// Small test videos made with the ffmpeg command line, each once per test program,
// and helpers to run the two tools on them.
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace fixtures {

// Frame n of the lossless clips is one flat colour: these three bytes.
inline QByteArray flatColour(int n)
{
    QByteArray triple(3, '\0');
    triple[0] = static_cast<char>((7 * n) % 256);
    triple[1] = static_cast<char>((13 * n + 5) % 256);
    triple[2] = static_cast<char>((29 * n + 100) % 256);
    return triple;
}

// The colour is worked out for 2x2 pixels and then spread over the frame, which
// costs a fraction of working it out for every pixel.
inline QString flatColourSource(const QString& size, const QString& rate, const QString& seconds)
{
    return QString("color=c=black:s=2x2:r=%2:d=%3,format=gbrp,"
                   "geq=r='mod(N*7,256)':g='mod(N*13+5,256)':b='mod(N*29+100,256)',scale=%1:flags=neighbor")
        .arg(QString(size).replace('x', ':'), rate, seconds);
}

struct Recipe {
    QString source;      // lavfi source graph
    QStringList codec;   // encoder options
};

// The clips by file name. "lossless.*": 50 flat frames of 161x97 at 25 fps.
// "lossy.*": 250 frames of a moving test picture with B-frames (H.264 in the
// containers that take it, MPEG-2 in .mpg, VP8/VP9 in .webm), or of Motion JPEG.
inline const QMap<QString, Recipe>& recipes()
{
    static const QMap<QString, Recipe> all = [] {
        QMap<QString, Recipe> r;
        const QString flat = flatColourSource("161x97", "25", "2");
        r["lossless.avi"] = {flat, {"-c:v", "ffv1", "-pix_fmt", "bgr0"}};
        r["lossless.mkv"] = {flat, {"-c:v", "ffv1", "-pix_fmt", "gbrp"}};
        r["lossless.mov"] = {flat, {"-c:v", "utvideo", "-pix_fmt", "gbrp"}};
        r["lossless.mp4"] = {flat, {"-c:v", "libx264rgb", "-qp", "0", "-pix_fmt", "bgr24"}};
        r["lossless2997.mkv"] = {flatColourSource("64x48", "30000/1001", "2"), {"-c:v", "ffv1", "-pix_fmt", "gbrp"}};
        const QString moving = "testsrc2=s=160x96:r=25:d=10";
        const QStringList h264 = {"-c:v", "libx264", "-bf", "3", "-g", "40", "-pix_fmt", "yuv420p"};
        for (const char* container : {"avi", "mov", "mkv", "mp4"})
            r[QString("lossy.") + container] = {moving, h264};
        r["lossy_mpeg4.avi"] = {moving, {"-c:v", "mpeg4", "-bf", "2", "-g", "15"}};   // stamps on B-frames only
        r["lossy.mpg"] = {moving, {"-c:v", "mpeg2video", "-bf", "2", "-g", "15"}};
        r["lossy.webm"] = {moving, {"-c:v", "libvpx", "-g", "40", "-b:v", "300k"}};
        r["lossy.ts"] = {moving, h264};
        r["lossy_mjpeg.mov"] = {moving, {"-c:v", "mjpeg", "-q:v", "3"}};
        r["lossy_vp9.webm"] = {moving, {"-c:v", "libvpx-vp9", "-g", "40", "-b:v", "300k"}};
        r["lossy2997.mp4"] = {"testsrc2=s=192x108:r=30000/1001:d=6", h264};
        r["lossy2997.mpg"] = {"testsrc2=s=160x96:r=30000/1001:d=6", {"-c:v", "mpeg2video", "-bf", "2"}};
        // "long.*": two minutes of tiny frames, a key frame every 10 s exactly.
        const QString tiny = "testsrc2=s=64x48:r=25:d=120";
        const QStringList h264Long = {"-c:v", "libx264", "-bf", "3", "-g", "250", "-keyint_min", "250",
                                      "-sc_threshold", "0", "-pix_fmt", "yuv420p"};
        for (const char* container : {"avi", "mov", "mkv", "mp4", "ts"})
            r[QString("long.") + container] = {tiny, h264Long};
        r["long.mpg"] = {tiny, {"-c:v", "mpeg2video", "-bf", "2", "-g", "250", "-sc_threshold", "1000000000"}};
        r["long.webm"] = {tiny, {"-c:v", "libvpx", "-g", "250", "-keyint_min", "250", "-deadline", "realtime",
                                  "-cpu-used", "8", "-b:v", "100k"}};
        // "edit_source.mp4": 10 s of flat frames (each colour once) at 25 fps with
        // B-frames and a key frame every 25 frames, which edits() cuts and turns.
        r["edit_source.mp4"] = {flatColourSource("64x48", "25", "10"),
                                {"-c:v", "libx264", "-bf", "3", "-g", "25", "-keyint_min", "25", "-sc_threshold", "0",
                                 "-pix_fmt", "yuv420p"}};
        // Long key-frame spacing (x264's default of 250 at 59.94 fps, MPEG-2 with 100),
        // ProRes, and a stream whose rate changes from 25 to 30 fps.
        r["long5994.ts"] = {flatColourSource("64x48", "60000/1001", "10"),
                            {"-c:v", "libx264", "-bf", "3", "-sc_threshold", "0", "-pix_fmt", "yuv420p"}};
        r["long100.mpg"] = {flatColourSource("64x48", "25", "10"),
                            {"-c:v", "mpeg2video", "-bf", "2", "-g", "100", "-sc_threshold", "1000000000"}};
        r["prores.mov"] = {flatColourSource("64x48", "25", "3"), {"-c:v", "prores_ks"}};
        r["vfr_25_30.mkv"] = {flatColourSource("64x48", "25", "3") + ",settb=1/1000[a];" +
                                  flatColourSource("64x48", "30", "3") + ",settb=1/1000[b];[a][b]concat",
                              {"-vsync", "vfr", "-enc_time_base", "1/1000", "-c:v", "libx264", "-bf", "3", "-g", "25",
                               "-pix_fmt", "yuv420p"}};
        return r;
    }();
    return all;
}

inline QString workFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

inline void runFfmpeg(const QStringList& args)
{
    QByteArray err;
    const QStringList all = QStringList{"-hide_banner", "-loglevel", "error", "-y"} + args;
    if (testsupport::runProgram("ffmpeg", all, nullptr, &err) != 0)
        throw std::runtime_error("ffmpeg failed: " + err.toStdString());
}

// A clip made from another as users edit videos: ffmpeg `before` -i SOURCE `after` OUT.
struct Edit {
    QString source;
    QStringList before;
    QStringList after;
};

// The edited clips by file name, all from "edit_source.mp4": stream-copied cuts at
// 3.3 s and 5.9 s (an MP4 edit list that starts after a key frame), a cut that
// starts on a frame that is no key frame, a cut whose first frames lie before
// time 0, a copy into another container, a variable frame rate, and the turns that
// phones store.
inline const QMap<QString, Edit>& edits()
{
    static const QMap<QString, Edit> all = [] {
        QMap<QString, Edit> e;
        const QString source = "edit_source.mp4";
        e["cut33.mp4"] = {source, {"-ss", "3.3"}, {"-t", "5", "-c", "copy"}};
        e["cut59.mp4"] = {source, {"-ss", "5.9"}, {"-t", "5", "-c", "copy"}};
        e["cut_not_key.mkv"] = {source, {}, {"-ss", "3.3", "-t", "5", "-c", "copy", "-copyinkf"}};
        e["cut_negative.mkv"] = {source, {"-ss", "3.3"}, {"-t", "5", "-c", "copy", "-avoid_negative_ts", "disabled"}};
        // Copied into AVI, which states 50 frames a second for this 25 fps stream.
        e["copied.avi"] = {source, {}, {"-c", "copy"}};
        // Every seventh frame dropped: a variable frame rate, as a phone records.
        e["vfr_dropped.mp4"] = {source, {}, {"-vf", "select='not(eq(mod(n\\,7)\\,3))'", "-vsync", "vfr", "-c:v",
                                             "libx264", "-bf", "3", "-g", "25", "-pix_fmt", "yuv420p"}};
        for (const char* turn : {"90", "180", "270"})
            e[QString("turned%1.mp4").arg(turn)] = {source, {}, {"-c", "copy", "-metadata:s:v:0", QString("rotate=") + turn}};
        return e;
    }();
    return all;
}

// The path of a clip of recipes() or edits(), made on first use.
inline QString clip(const QString& name)
{
    static QTemporaryDir folder;
    const QString path = folder.path() + "/" + name;
    if (!QFile::exists(path)) {
        if (edits().contains(name)) {
            const Edit& edit = edits()[name];
            runFfmpeg(edit.before + QStringList{"-i", clip(edit.source)} + edit.after + QStringList{path});
        } else {
            const Recipe& recipe = recipes()[name];
            runFfmpeg(QStringList{"-f", "lavfi", "-i", recipe.source} + recipe.codec + QStringList{path});
        }
    }
    return path;
}

// What ffprobe prints about the first video stream, decoding on one thread.
inline QString probe(const QStringList& args)
{
    QByteArray out, err;
    const QStringList all = QStringList{"-v", "error", "-threads", "1", "-select_streams", "v:0"} + args;
    if (testsupport::runProgram("ffprobe", all, &out, &err) != 0)
        throw std::runtime_error("ffprobe failed: " + err.toStdString());
    return QString::fromUtf8(out);
}

// The presentation times in seconds of the frames ffprobe's decoder delivers, an
// account independent of the tools: a frame's own time, else its decoder's guess;
// a frame without either lies one frame after the one before it, or, before the
// first timed frame, one frame before the next.
inline std::vector<double> frameTimes(const QString& video, double fps)
{
    std::vector<double> times;
    std::vector<bool> timed;
    // One line a frame, its own time and the guess ("N/A" for none); side data adds
    // empty lines.
    const QString frames = probe({"-show_entries", "frame=pts_time,best_effort_timestamp_time", "-of", "csv=p=0", video});
    for (const QString& line : frames.split('\n')) {
        const QStringList fields = line.split(',');
        if (fields.size() < 2 || fields[0].trimmed().isEmpty())
            continue;
        const QString time = fields[0].trimmed() != "N/A" ? fields[0].trimmed() : fields[1].trimmed();
        timed.push_back(time != "N/A");
        times.push_back(timed.back() ? time.toDouble() : times.empty() ? 0.0 : times.back() + 1 / fps);
    }
    const auto first = std::find(timed.begin(), timed.end(), true) - timed.begin();
    for (auto i = first; i > 0 && i < static_cast<long>(times.size()); --i)
        times[i - 1] = times[i] - 1 / fps;
    return times;
}

// The index of the frame on screen at `seconds` after frame 0: the last whose time
// is not after it.
inline int frameOnScreen(const std::vector<double>& times, double seconds)
{
    int index = 0;
    for (int i = 0; i < static_cast<int>(times.size()); ++i) {
        if (times[i] - times[0] <= seconds + 1e-9)
            index = i;
    }
    return index;
}

// Runs job(i) for i = 0..count-1 on `workers` threads (one per job when 0) and
// waits for all. The threads only save time; a thread-sanitizer build runs the
// jobs one after another, since it cannot see the reference counts inside Qt's
// shared texts and lists that the jobs read (the threads of the tools themselves
// are checked by running the sanitizer-built tools).
template <class Job>
void sideBySide(int count, Job job, int workers = 0)
{
#if defined(__SANITIZE_THREAD__)
    for (int i = 0; i < count; ++i)
        job(i);
    return;
#endif
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < (workers > 0 ? std::min(workers, count) : count); ++t)
        threads.emplace_back([&] {
            for (int i = next++; i < count; i = next++)
                job(i);
        });
    for (std::thread& thread : threads)
        thread.join();
}

// Makes the clips not made yet, several at a time.
inline void prepareClips(const QStringList& names)
{
    sideBySide(names.size(), [&](int i) { clip(names[i]); });
}

struct ToolRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs one of the tools; `decoderThreads` above 0 sets the decoder's frame
// threads through KESTRALINE_DECODER_THREADS, `environment` holds more
// NAME=VALUE settings.
inline ToolRun runTool(const QString& name, const QStringList& args, int decoderThreads = 0,
                       const QStringList& environment = {})
{
    ToolRun run;
    const QString program = testsupport::binDir() + "/" + name;
    QStringList settings = environment;
    if (decoderThreads > 0)
        settings.append(QString("KESTRALINE_DECODER_THREADS=%1").arg(decoderThreads));
    if (!settings.isEmpty())
        run.status = testsupport::runProgram("env", settings + QStringList{program} + args, &run.out, &run.err);
    else
        run.status = testsupport::runProgram(program, args, &run.out, &run.err);
    return run;
}

// Runs the analyser and returns what it wrote; fails the test when it failed.
inline QByteArray analyse(const QString& video, const QStringList& stretch = {}, int decoderThreads = 0,
                          const QStringList& environment = {})
{
    static std::atomic<int> counter{0};
    const QString out = workFolder() + QString("/out%1.rgb").arg(++counter);
    const ToolRun run = runTool("KestralineAnalyzer", QStringList{video, out} + stretch, decoderThreads, environment);
    EXPECT_EQ(run.status, 0) << video.toStdString() << ": " << run.err.toStdString();
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    file.remove();
    return data;
}

// The analyser's outputs for several stretches of one video, run side by side.
inline QList<QByteArray> analyseAll(const QString& video, const QList<QStringList>& stretches, int decoderThreads = 0)
{
    std::vector<QByteArray> outputs(stretches.size());
    sideBySide(stretches.size(), [&](int i) { outputs[i] = analyse(video, stretches[i], decoderThreads); });
    return QList<QByteArray>(outputs.begin(), outputs.end());
}

// Clipmeta's "word number" pairs.
inline QMap<QString, QString> clipmeta(const QString& video, int decoderThreads = 0)
{
    const ToolRun run = runTool("Clipmeta", {video}, decoderThreads);
    EXPECT_EQ(run.status, 0) << video.toStdString() << ": " << run.err.toStdString();
    QMap<QString, QString> pairs;
    const QStringList words = QString::fromUtf8(run.out).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    for (int i = 0; i + 1 < words.size(); i += 2)
        pairs[words[i]] = words[i + 1];
    return pairs;
}

} // namespace fixtures
