// readVideoFacts, which the player reads frame 0, the counting rate and the turn
// from: on real edited clips, against ffprobe's own account, and its refusal of
// files that hold no video or name other files.
#include "number_format.h"
#include "video_facts.h"
#include "video_fixtures.h"

#include <QFileInfo>

using namespace fixtures;

namespace {

// The time of the first frame ffprobe's decoder delivers, and the container's start.
double firstFrameTime(const QString& video)
{
    return frameTimes(video, 25).at(0);
}

double formatStart(const QString& video)
{
    return probe({"-show_entries", "format=start_time", "-of", "csv=p=0", video}).trimmed().toDouble();
}

} // namespace

TEST(VideoFacts, FrameZeroRateAndTurnOfEditedClips)
{
    struct Case {
        QString clip;
        AVRational rate;   // 0/0: the stream's average, which Clipmeta prints as well
        int turn;
    };
    // A cut that starts on a frame that is no key frame begins at the key frame
    // after it, later than the stream's first packet; one whose frames before time 0
    // are kept begins before the stream's start. ffmpeg's "rotate=90" stores a
    // counter-clockwise quarter turn, and ffmpeg and mpv show such a file turned
    // that way: a clockwise turn of 270 degrees.
    const QList<Case> cases = {
        {"edit_source.mp4", {25, 1}, 0},    {"cut_not_key.mkv", {25, 1}, 0}, {"cut33.mp4", {25, 1}, 0},
        {"lossless2997.mkv", {30000, 1001}, 0}, {"turned90.mp4", {25, 1}, 270}, {"turned180.mp4", {25, 1}, 180},
        {"turned270.mp4", {25, 1}, 90},     {"vfr_dropped.mp4", {0, 0}, 0}, {"cut_negative.mkv", {25, 1}, 0},
    };
    QStringList names;
    for (const Case& c : cases)
        names << c.clip;
    prepareClips({"edit_source.mp4", "lossless2997.mkv"});
    prepareClips(names);
    for (const Case& c : cases) {
        const QString video = clip(c.clip);
        const std::optional<VideoFacts> facts = readVideoFacts(video.toStdString());
        ASSERT_TRUE(facts.has_value()) << c.clip.toStdString();
        EXPECT_NEAR(facts->frameZeroSeconds, firstFrameTime(video), 0.0005) << c.clip.toStdString();
        EXPECT_NEAR(facts->formatStartSeconds, formatStart(video), 0.0005) << c.clip.toStdString();
        if (c.rate.den != 0) {
            EXPECT_EQ(av_cmp_q(facts->frameRate, c.rate), 0)
                << c.clip.toStdString() << ": " << facts->frameRate.num << "/" << facts->frameRate.den;
        }
        // The client's length for N frames is (N + 0.4) / this rate: the rate the tools count with.
        EXPECT_EQ(format_general(av_q2d(facts->frameRate)), clipmeta(video)["fps"]) << c.clip.toStdString();
        EXPECT_EQ(facts->rotationDegrees, c.turn) << c.clip.toStdString();
    }
    // The cut really starts later than its stream: else this case proves nothing.
    EXPECT_GT(firstFrameTime(clip("cut_not_key.mkv")) - formatStart(clip("cut_not_key.mkv")), 0.2);
}

TEST(VideoFacts, NothingForFilesWithoutVideoOrThatNameOtherFiles)
{
    QTemporaryDir folder;
    const QString video = clip("edit_source.mp4");
    const QString besideVideo = QFileInfo(video).path();
    const QString text = folder.path() + "/notes.mp4";
    testsupport::writeBytes(text, "Notes on the videos of the project\nnothing more\n");
    const QString sound = folder.path() + "/sound.mkv";
    runFfmpeg({"-f", "lavfi", "-i", "sine=d=1", "-c:a", "pcm_s16le", sound});
    // Playlists that name a real video, under names of videos.
    const QString concat = besideVideo + "/list.avi";
    testsupport::writeBytes(concat, "ffconcat version 1.0\nfile edit_source.mp4\n");
    const QString hls = folder.path() + "/list.mp4";
    testsupport::writeBytes(hls, "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXT-X-MEDIA-SEQUENCE:0\n#EXTINF:10.0,\n" +
                                     video.toUtf8() + "\n#EXT-X-ENDLIST\n");
    for (const QString& path : {text, sound, concat, hls, folder.path() + "/missing.mp4"}) {
        EXPECT_FALSE(readVideoFacts(path.toStdString()).has_value()) << path.toStdString();
        const ToolRun run = runTool("Clipmeta", {path});
        EXPECT_NE(run.status, 0) << path.toStdString() << ": " << run.out.toStdString();
    }
}
