// Both tools on videos edited and made the everyday way: stream-copied cuts (an
// MP4 edit list after a key frame, a start on a frame that is no key frame, frames
// before time 0), turned videos, long key-frame spacing, ProRes, variable frame
// rates and a text file. Frame 0 is the first frame the file presents, Clipmeta
// counts the triples, and every stretch is the slice of the whole output from the
// frame on screen at its start (times counted from frame 0).
#include "number_format.h"
#include "video_fixtures.h"

#include <cmath>
#include <limits>

using namespace fixtures;

namespace {

struct EditedClip {
    QString name;
    int frameZero;          // the source frame that frame 0 shows (each has a colour of its own)
    bool rateGivesLength;   // frames / fps is the clip's length (not for variable rates in Matroska)
    QString coloursOf;      // another clip whose colour data this one's equals, if any
};

// The flat-coloured source frame nearest in colour to the triple at `at`.
int sourceFrameOf(const QByteArray& colours, int at)
{
    int nearest = -1;
    double best = std::numeric_limits<double>::max();
    for (int n = 0; n < 256; ++n) {
        double distance = 0;
        for (int c = 0; c < 3; ++c) {
            const double d = static_cast<unsigned char>(colours[3 * at + c]) - static_cast<unsigned char>(flatColour(n)[c]);
            distance += d * d;
        }
        if (distance < best) {
            best = distance;
            nearest = n;
        }
    }
    return nearest;
}

// What went wrong with one clip; empty when nothing did.
QStringList faultsOf(const EditedClip& c)
{
    const QString video = clip(c.name);
    const QByteArray whole = analyse(video);
    const int frames = whole.size() / 3;
    if (frames == 0)
        return {"no output"};
    QStringList faults;
    const QMap<QString, QString> properties = clipmeta(video);
    const double fps = properties["fps"].toDouble();
    if (properties["frames"] != QString::number(frames))
        faults << QString("Clipmeta counts %1 of %2 triples").arg(properties["frames"]).arg(frames);
    if (sourceFrameOf(whole, 0) != c.frameZero)
        faults << QString("frame 0 shows source frame %1, not %2").arg(sourceFrameOf(whole, 0)).arg(c.frameZero);
    if (!c.coloursOf.isEmpty() && whole != analyse(clip(c.coloursOf)))
        faults << "colours differ from " + c.coloursOf;
    const std::vector<double> times = frameTimes(video, fps);
    if (static_cast<int>(times.size()) != frames || fps <= 0)
        return faults << QString("ffprobe decodes %1 frames; fps %2").arg(times.size()).arg(fps);
    // The rate makes frames / rate the time from frame 0 to the end of the last one.
    const double length = times.back() - times.front() + 1 / fps;
    if (c.rateGivesLength && std::abs(frames / fps / length - 1) > 0.02)
        faults << QString("%1 frames at %2 fps do not last %3 s").arg(frames).arg(fps).arg(length);
    // Starts just after a frame's time (as the player gives it) and between two
    // frames, all through the clip; the client's length for 10 and 50 frames.
    for (const int k : {0, frames / 5, 2 * frames / 5, 3 * frames / 5, 4 * frames / 5, frames - 3}) {
        const double since = times[k] - times[0];
        const double start = k % 2 ? since + 0.001 : (since + times[std::min(k + 1, frames - 1)] - times[0]) / 2;
        const int count = k == 2 * frames / 5 ? 50 : 10;
        const QStringList stretch = {format_general(start), format_general((count + 0.4) / fps)};
        const int first = frameOnScreen(times, start);
        const QByteArray out = analyse(video, stretch);
        if (out != whole.mid(3 * first, 3 * count))
            faults << QString("start %1 gives %2 frames, not %3 from frame %4")
                          .arg(stretch[0])
                          .arg(out.size() / 3)
                          .arg(std::min(count, frames - first))
                          .arg(first);
    }
    return faults;
}

} // namespace

TEST(EditedMedia, FrameZeroCountsAndStretchesAgreeOnEditedVideos)
{
    // Frame 0: the first frame at or after the edit list's start (3.3 s, 5.9 s); the
    // key frame after the cut (4 s) where the cut starts on no key frame; the key
    // frame before the cut (3 s) where its frames before time 0 are kept.
    // Matroska states no frame count: a variable rate there is counted at the rate
    // of the frames read at opening, and the request still holds N frames.
    const QList<EditedClip> clips = {
        {"cut33.mp4", 83, true, {}},        {"cut59.mp4", 148, true, {}},
        {"cut_not_key.mkv", 100, true, {}}, {"cut_negative.mkv", 75, true, {}},
        {"copied.avi", 0, true, "edit_source.mp4"}, {"turned90.mp4", 0, true, "edit_source.mp4"},
        {"turned180.mp4", 0, true, "edit_source.mp4"}, {"turned270.mp4", 0, true, "edit_source.mp4"},
        {"long5994.ts", 0, true, {}},       {"long100.mpg", 0, true, {}},
        {"prores.mov", 0, true, {}},        {"vfr_dropped.mp4", 0, true, {}},
        {"vfr_25_30.mkv", 0, false, {}},
    };
    QStringList names;
    for (const EditedClip& c : clips)
        names << c.name;
    prepareClips({"edit_source.mp4"});   // before the clips cut from it
    prepareClips(names);
    std::vector<QStringList> faults(clips.size());
    sideBySide(clips.size(), [&](int i) { faults[i] = faultsOf(clips[i]); }, 6);
    for (int i = 0; i < clips.size(); ++i)
        EXPECT_TRUE(faults[i].isEmpty()) << clips[i].name.toStdString() << ": " << faults[i].join("; ").toStdString();

    // A text under a video's name is no video to either tool.
    QTemporaryDir folder;
    const QString text = folder.path() + "/notes.mp4";
    testsupport::writeBytes(text, "Notes on the videos of the project\n");
    const QString out = folder.path() + "/out.rgb";
    for (const ToolRun& run : {runTool("KestralineAnalyzer", {text, out}), runTool("Clipmeta", {text})}) {
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(out));
}
