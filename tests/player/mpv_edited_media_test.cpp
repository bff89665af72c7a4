// The player on libmpv with videos edited and made the everyday way: stream-copied
// cuts, turned videos, long key-frame spacing, ProRes, variable frame rates, and
// files that are no video, opened one after another in one player. After every
// seek the frame on screen is the frame the analysis tool starts at for the seek's
// target, and the one it starts at for the position the player reports (where a
// search starts); the player's rate is the tool's own.
#include "../tools/video_fixtures.h"
#include "number_format.h"
#include "numbered_frames.h"
#include "scripted_dialogs.h"
#include "test_host.h"

#include <QFile>
#include <QTransform>
#include <gtest/gtest.h>

using testsupport::PlayerTestHost;

namespace {

using numberedframes::numberedSource;
using player::VIDEO_PLAYER;
constexpr qint64 Second = VIDEO_PLAYER::UnitsPerSecond;

struct EditedMedia {
    QString file;
    QStringList make;    // ffmpeg arguments before the output; SOURCE stands for the numbered source clip
    QString steps;       // "start", "+1s", "-1s", "@S" (a bar click at S s), "end", blank-separated
    int turn;            // clockwise degrees that show the stored picture upright
    bool rateUnstated;   // the container's statement of the frame rate is removed
    QString refusal;     // the message of a file that is no video
};

const QStringList x264 = {"-c:v", "libx264", "-bf", "3", "-pix_fmt", "yuv420p"};

const QList<EditedMedia>& edits()
{
    static const QList<EditedMedia> all = {
        // Cuts as users make them: an MP4 edit list starting after a key frame
        // (frames before it are decoded but hidden), a start on a frame that is no
        // key frame, and frames before time 0.
        {"cut33.mp4", {"-ss", "3.3", "-i", "SOURCE", "-t", "5", "-c", "copy"}, "start +1s @3 -1s -1s start", 0,
         false, {}},
        {"cut59.mp4", {"-ss", "5.9", "-i", "SOURCE", "-t", "5", "-c", "copy"}, "+1s start @2", 0, false, {}},
        {"cut_not_key.mkv", {"-i", "SOURCE", "-ss", "3.3", "-t", "5", "-c", "copy", "-copyinkf"}, "start +1s @2", 0,
         false, {}},
        {"cut_negative.mp4", {"-ss", "3.3", "-i", "SOURCE", "-t", "5", "-c", "copy", "-avoid_negative_ts", "disabled"},
         "start @1 -1s", 0, false, {}},
        {"cut_negative.mkv", {"-ss", "3.3", "-i", "SOURCE", "-t", "5", "-c", "copy", "-avoid_negative_ts", "disabled"},
         "start +1s @1 -1s end -1s -1s -1s -1s -1s start", 0, false, {}},
        // Copied into AVI, which stores no presentation times and states twice the rate.
        {"copied.avi", {"-i", "SOURCE", "-c", "copy"}, "start +1s @3 -1s @7 end -1s start", 0, false, {}},
        // Turned as phones store portrait video.
        {"turned90.mp4", {"-i", "SOURCE", "-c", "copy", "-metadata:s:v:0", "rotate=90"}, "+1s start", 270, false, {}},
        {"turned180.mp4", {"-i", "SOURCE", "-c", "copy", "-metadata:s:v:0", "rotate=180"}, "+1s start", 180, false, {}},
        {"turned270.mp4", {"-i", "SOURCE", "-c", "copy", "-metadata:s:v:0", "rotate=270"}, "@2 start", 90, false, {}},
        // Key frames 250 and 100 frames apart: most targets lie far after the last one.
        {"long5994.ts", QStringList{"-f", "lavfi", "-i", numberedSource("60000/1001", "10"), "-g", "250"} + x264,
         "start @3 -1s -1s +1s @8 end -1s", 0, false, {}},
        {"long100.mpg",
         {"-f", "lavfi", "-i", numberedSource("25", "10"), "-c:v", "mpeg2video", "-g", "100", "-bf", "2", "-q:v", "4"},
         "start @3 -1s +1s @7 end", 0, false, {}},
        {"prores.mov", {"-f", "lavfi", "-i", numberedSource("25", "3"), "-c:v", "prores_ks"},
         "start +1s end +1s -1s end", 0, false, {}},
        // Variable rates: frames dropped (MP4 states its average), and 25 then 30
        // fps in Matroska, which states no rate, after a file at another rate.
        {"vfr_dropped.mp4",
         QStringList{"-i", "SOURCE", "-vf", "select='not(eq(mod(n\\,7)\\,3))'", "-fps_mode", "vfr"} + x264,
         "start @2 +1s", 0, false, {}},
        {"rate2997.mp4", QStringList{"-f", "lavfi", "-i", numberedSource("30000/1001", "2")} + x264, "@1", 0, false,
         {}},
        {"vfr_25_30.mkv",
         QStringList{"-i", "SOURCE", "-t", "6", "-vf", "setpts='if(lt(N,75),N/25,3+(N-75)/30)/TB'", "-fps_mode",
                     "vfr", "-enc_time_base", "1/1000"} + x264,
         "start @4 -1s", 0, true, {}},
        {"notes.txt", {}, {}, 0, false, "Failed open file"},
    };
    return all;
}

// The numbered source the cuts and turns are made of: 12 s at 25 fps with B-frames
// and a key frame every 25 frames.
QString sourceClip()
{
    static const QString path = [] {
        const QString source = fixtures::workFolder() + "/numbered source.mp4";
        fixtures::runFfmpeg(QStringList{"-f", "lavfi", "-i", numberedSource("25", "12")} + x264 +
                            QStringList{"-g", "25", "-keyint_min", "25", "-sc_threshold", "0", source});
        return source;
    }();
    return path;
}

// Turns the Matroska track's DefaultDuration (the frame rate it states) into a
// Void element of the same size, as writers of variable-rate files leave it out.
void unstateMatroskaRate(const QString& path)
{
    QByteArray data = testsupport::readBytes(path);
    const int at = data.indexOf(QByteArray("\x23\xE3\x83", 3));
    ASSERT_GE(at, 0) << path.toStdString();
    const int length = 4 + (static_cast<unsigned char>(data[at + 3]) & 0x7f);  // ID, one-byte size, value
    data[at] = char(0xEC);
    data[at + 1] = char(0x80 | (length - 2));
    testsupport::writeBytes(path, data);
}

QString make(const EditedMedia& m)
{
    const QString path = fixtures::workFolder() + "/" + m.file;
    if (!m.refusal.isEmpty()) {
        // A text that names a video as a playlist would.
        testsupport::writeBytes(path, "notes on the cut\n" + QFile::encodeName(sourceClip()) + "\n");
        return path;
    }
    QStringList args = m.make;
    args.replaceInStrings(QRegularExpression("^SOURCE$"), sourceClip());
    fixtures::runFfmpeg(args + QStringList{path});
    if (m.rateUnstated)
        unstateMatroskaRate(path);
    return path;
}

// One seek: where it was asked to go, the position the player then reports and
// the number the frame on screen carries, read with the picture turned back.
struct Sighting {
    QString step;
    qint64 target;
    qint64 pos;
    int number;
};

Sighting seek(VIDEO_PLAYER& p, PlayerTestHost& host, const QString& step, int turn)
{
    p.ReadPosition();
    const qint64 from = p.pos;
    qint64 target = 0;
    if (step == "start") {
        p.BackMinute();
    } else if (step == "-1s") {
        target = std::max<qint64>(0, from - Second);
        p.BackSecond();
    } else if (step == "+1s") {
        target = std::min(from + Second, p.Duration - 1);
        p.ForwardSecond();
    } else if (step == "end") {
        target = p.Duration - 1;
        p.ForwardMinute();
    } else {
        target = static_cast<qint64>(step.mid(1).toInt()) * Second;
        p.backend().setPosition(target);
    }
    p.ReadPosition();  // once the seek has shown its frame
    const QImage shown = host.engine().renderedFrame().transformed(QTransform().rotate(-turn));
    return {step, target, p.pos, numberedframes::frameOnScreen(shown)};
}

class MpvEditedMedia : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureApplication(); }
};

// What is known of a file without the player: the numbers its frames carry as
// FFmpeg decodes them, the tool's colours of each, and the tool's rate.
struct Reference {
    QString path;
    QVector<int> numbers;
    QByteArray whole;
    double fps = 0;
};

TEST_F(MpvEditedMedia, FrameOnScreenIsWhereTheAnalysisStartsForTargetAndPosition)
{
    ScriptedDialogs dialogs;
    std::vector<Reference> references(edits().size());
    sourceClip();
    fixtures::sideBySide(references.size(), [&](int i) {
        Reference& r = references[i];
        r.path = make(edits()[i]);
        if (!edits()[i].refusal.isEmpty())
            return;
        r.numbers = numberedframes::numbersInFile(r.path);
        r.whole = fixtures::analyse(r.path);
        r.fps = fixtures::clipmeta(r.path)["fps"].toDouble();
    });

    // One player opens the files one after another, as a user does.
    PlayerTestHost host(QSize(2 * numberedframes::Width, 2 * numberedframes::Height));
    VIDEO_PLAYER& p = *host.Player;
    for (size_t i = 0; i < references.size(); ++i) {
        const EditedMedia& m = edits()[i];
        const Reference& r = references[i];
        const std::string file = m.file.toStdString();
        dialogs.shown.clear();
        p.FileName = r.path;
        p.OpenExecute();
        if (!m.refusal.isEmpty()) {
            EXPECT_EQ(dialogs.texts(), QStringList{m.refusal}) << file;
            EXPECT_FALSE(p.OPENED) << file;
            EXPECT_TRUE(host.engine().renderedFrame().isNull()) << file;
            continue;
        }
        ASSERT_TRUE(p.OPENED) << file << ": " << dialogs.texts().join("|").toStdString();
        ASSERT_EQ(r.numbers.size(), r.whole.size() / 3) << file;
        EXPECT_NEAR(p.fps, r.fps, r.fps * 1e-9) << file << ": the player's rate is the tool's";
        p.Pause();
        p.LayoutTimer();  // the picture fitted into the video area

        QList<Sighting> sightings;
        for (const QString& step : m.steps.split(' '))
            sightings.append(seek(p, host, step, m.turn));
        // The tool's start for each target and each reported position, and two
        // searches' lengths at the player's rate, side by side.
        const int searches[] = {10, 50};
        std::vector<QByteArray> out(2 * sightings.size() + 2);
        fixtures::sideBySide(out.size(), [&](int j) {
            if (j >= 2 * sightings.size()) {
                const int n = searches[j - 2 * sightings.size()];
                out[j] = fixtures::analyse(r.path, {"0", format_general((n + 0.4) / p.fps)});
                return;
            }
            const Sighting& s = sightings[j / 2];
            out[j] = fixtures::analyse(r.path, {format_general((j % 2 ? s.pos : s.target) / 1e7), "0.12"});
        });
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(out[2 * sightings.size() + k].size(), 3 * searches[k]) << file << ": a search of " << searches[k];

        int previous = -1;
        for (int j = 0; j < sightings.size(); ++j) {
            const Sighting& s = sightings[j];
            const std::string where = file + ": " + s.step.toStdString() + " to " + std::to_string(s.target / 1e7) +
                                      " s, reported " + std::to_string(s.pos / 1e7) + " s";
            const int frame = r.numbers.indexOf(s.number);
            if (frame < 0) {
                ADD_FAILURE() << where << ": the picture shows no frame of the file (" << s.number << ")";
                continue;
            }
            const auto startsAt = [&](const QByteArray& stretch, int at) {
                return !stretch.isEmpty() && at >= 0 && r.whole.mid(3 * at, stretch.size()) == stretch;
            };
            for (const auto& [what, stretch] : {std::pair{"the target", out[2 * j]}, {"the position", out[2 * j + 1]}})
                EXPECT_TRUE(startsAt(stretch, frame) && !startsAt(stretch, frame - 1) && !startsAt(stretch, frame + 1))
                    << where << ": frame " << frame << " on screen, not where the tool starts for " << what;
            if (s.step == "start") {
                EXPECT_EQ(frame, 0) << where;
            } else if (s.step == "end") {
                EXPECT_EQ(frame, r.numbers.size() - 1) << where;
            } else if (s.step == "-1s") {
                EXPECT_LE(frame, previous) << where << ": moved forward";
            }
            previous = frame;
        }
    }
}

} // namespace
