// KestralineAnalyzer on real videos: exact colours, stretches that are slices of
// the whole output in every container, and clean failures.
#include "number_format.h"
#include "video_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixtures;

namespace {

const QStringList kLosslessClips = {"lossless.avi", "lossless.mkv", "lossless.mov", "lossless.mp4"};
const QStringList kLossyClips = {"lossy.avi",  "lossy_mpeg4.avi", "lossy.mov",      "lossy.mkv",
                                 "lossy.mp4",  "lossy.mpg",       "lossy.webm",     "lossy_vp9.webm",
                                 "lossy2997.mp4", "lossy2997.mpg"};

double frameRateOf(const QString& clipName)
{
    return clipName.contains("2997") ? 30000.0 / 1001.0 : 25.0;
}

QByteArray flatColours(int first, int count)
{
    QByteArray colours;
    for (int n = first; n < first + count; ++n)
        colours += flatColour(n);
    return colours;
}

// Start and length arguments that cover `count` frames from the middle of frame k.
QStringList stretchFromMiddleOf(int k, int count, double fps)
{
    return {format_general((k + 0.5) / fps), format_general((count + 0.4) / fps)};
}

QStringList hiddenAndPlainFiles(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(AnalyzerColours, LosslessFramesKeepTheColoursTheyWereMadeWith)
{
    prepareClips(kLosslessClips + QStringList{"lossless2997.mkv"});
    for (const QString& name : kLosslessClips)
        EXPECT_EQ(analyse(clip(name)).toHex(), flatColours(0, 50).toHex()) << name.toStdString();
    EXPECT_EQ(analyse(clip("lossless2997.mkv")).toHex(), flatColours(0, 60).toHex());
}

TEST(AnalyzerColours, YuvFramesConvertBackToTheirColours)
{
    // Studio-range 4:2:0 and 4:4:4 (odd size), full-range 4:2:0 and 10-bit frames:
    // each flat frame comes back within the rounding of the YUV round trip.
    const QString flat = flatColourSource("161x97", "25", "1");
    const QString flatEven = flatColourSource("160x96", "25", "1");
    const QList<QPair<QString, QStringList>> variants = {
        {"yuv420.mkv", {"-f", "lavfi", "-i", flatEven, "-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv420p"}},
        {"yuv420odd.mkv", {"-f", "lavfi", "-i", flat, "-c:v", "ffv1", "-pix_fmt", "yuv420p"}},
        {"yuv444.mp4", {"-f", "lavfi", "-i", flat, "-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuv444p"}},
        {"yuvj420.mkv", {"-f", "lavfi", "-i", flatEven, "-c:v", "libx264", "-qp", "0", "-pix_fmt", "yuvj420p"}},
        {"yuv10.mkv", {"-f", "lavfi", "-i", flat, "-c:v", "ffv1", "-pix_fmt", "yuv420p10le"}},
    };
    for (const auto& [name, args] : variants) {
        const QString path = workFolder() + "/" + name;
        runFfmpeg(args + QStringList{path});
        const QByteArray data = analyse(path);
        ASSERT_EQ(data.size(), 75) << name.toStdString();
        for (int i = 0; i < data.size(); ++i) {
            const int made = static_cast<unsigned char>(flatColour(i / 3)[i % 3]);
            EXPECT_NEAR(static_cast<unsigned char>(data[i]), made, 3) << name.toStdString() << " byte " << i;
        }
    }
}

TEST(AnalyzerColours, OddSizedFramesCountTheLastColumnAndRow)
{
    // Black 161x97 frames in studio-range 4:2:0, samples written directly: frame 0
    // with a white last column (255 / 161 = 1.58 in each channel), frame 1 with a
    // red last row whose colour lives in the last chroma row alone (about 254 / 97
    // = 2.6 in red only).
    const QString path = workFolder() + "/edges.mkv";
    runFfmpeg({"-f", "lavfi", "-i",
               "color=c=black:s=161x97:r=25:d=0.08,format=gbrp,scale=161:97,format=yuv420p,"
               "geq=lum='if(N,if(eq(Y,96),81,16),if(eq(X,160),235,16))':"
               "cb='if(N*eq(Y,48),90,128)':cr='if(N*eq(Y,48),240,128)'",
               "-c:v", "ffv1", "-pix_fmt", "yuv420p", path});
    EXPECT_EQ(analyse(path).toHex(), QByteArray("\x02\x02\x02\x03\x00\x00", 6).toHex());
}

TEST(AnalyzerColours, MeansAreRoundedToTheNearestInteger)
{
    // Red averages 10.5, green 50, blue 254.25 and then 253.75 over the frame.
    const QString path = workFolder() + "/halves.mkv";
    runFfmpeg({"-f", "lavfi", "-i",
               "color=c=black:s=160x96:r=25:d=0.08,format=gbrp,geq=r='if(lt(X,80),10,11)':"
               "g='if(lt(X,40),200,0)':b='if(lt(Y,24),255-N*2,254)'",
               "-c:v", "ffv1", "-pix_fmt", "gbrp", path});
    EXPECT_EQ(analyse(path).toHex(), QByteArray("\x0b\x32\xfe\x0b\x32\xfe", 6).toHex());
}

TEST(AnalyzerColours, SameFileGivesTheSameBytesOnEveryRun)
{
    const QByteArray first = analyse(clip("lossy.mp4"));
    EXPECT_EQ(first.size(), 750);
    EXPECT_EQ(analyse(clip("lossy.mp4")), first);
}

TEST(AnalyzerStretch, BeginsAtTheFrameOnScreenAtTheStart)
{
    // Frame times are multiples of 0.04 s: a start exactly on a frame's time shows
    // that frame, a start just before it the previous one, in every container and
    // on either side of the one-second seek threshold.
    const QList<QPair<QStringList, QByteArray>> cases = {
        {{"0", "0.2"}, flatColours(0, 5)},      {{"0.04", "0.2"}, flatColours(1, 5)},
        {{"0.0799", "0.12"}, flatColours(1, 3)}, {{"1.52", "0.2"}, flatColours(38, 5)},
        {{"1.5199", "0.2"}, flatColours(37, 5)}, {{"1.9", "1"}, flatColours(47, 3)},
    };
    QList<QStringList> stretches;
    for (const auto& c : cases)
        stretches.append(c.first);
    prepareClips(kLosslessClips);
    for (const QString& name : kLosslessClips) {
        const QList<QByteArray> outputs = analyseAll(clip(name), stretches);
        for (int i = 0; i < cases.size(); ++i)
            EXPECT_EQ(outputs[i].toHex(), cases[i].second.toHex()) << name.toStdString() << " start "
                                                                   << cases[i].first[0].toStdString();
    }
}

TEST(AnalyzerStretch, EqualsTheSliceOfTheWholeOutputInEveryContainer)
{
    struct Case {
        int first;   // frame index where the stretch must begin
        int count;
        QStringList arguments;
    };
    prepareClips(kLossyClips);
    std::mt19937 random(20260);
    for (const QString& name : kLossyClips) {
        const QString video = clip(name);
        const double fps = frameRateOf(name);
        const QByteArray whole = analyse(video);
        const int frames = whole.size() / 3;
        ASSERT_GT(frames, 100) << name.toStdString();
        QList<Case> cases = {{0, 30, {"0", format_general(30.4 / fps)}}};
        for (int i = 0; i < 3; ++i) {
            const int k = std::uniform_int_distribution<int>(0, frames - 1)(random);
            const int count = std::uniform_int_distribution<int>(1, 60)(random);
            cases.append({k, count, stretchFromMiddleOf(k, count, fps)});
        }
        cases.append({frames - 10, 10, stretchFromMiddleOf(frames - 10, 10, fps)});   // ends on the last frame
        cases.append({frames - 4, 50, stretchFromMiddleOf(frames - 4, 50, fps)});     // fewer at the end
        if (fps == 25.0)   // frame times are exact decimals
            cases.append({150, 20, {"6", "0.8"}});

        QList<QStringList> stretches;
        for (const Case& c : cases)
            stretches.append(c.arguments);
        const QList<QByteArray> outputs = analyseAll(video, stretches);
        for (int i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const int kept = std::max(0, std::min(c.count, frames - c.first));
            EXPECT_EQ(outputs[i].toHex(), whole.mid(3 * c.first, 3 * kept).toHex())
                << name.toStdString() << " start " << c.arguments[0].toStdString() << " frame " << c.first;
        }
    }
}

TEST(AnalyzerStretch, NearTheEndOfALongVideoEqualsItsSliceInEveryContainer)
{
    // Key frames every 10 s: starts just after one, in the middle of a group of
    // pictures, on the last frames, and past the end.
    const QStringList names = {"long.avi", "long.mov", "long.mkv", "long.mp4", "long.mpg", "long.webm", "long.ts"};
    const QList<QPair<int, QStringList>> cases = {
        {2525, {"101", "2"}},     {2882, {"115.3", "2"}}, {2975, {"119.02", "2"}},
        {2999, {"119.98", "1"}},  {2999, {"500", "1"}},
    };
    QList<QStringList> stretches;
    for (const auto& c : cases)
        stretches.append(c.second);
    prepareClips(names);
    for (const QString& name : names) {
        const QByteArray whole = analyse(clip(name));
        ASSERT_EQ(whole.size(), 3 * 3000) << name.toStdString();
        const QList<QByteArray> outputs = analyseAll(clip(name), stretches);
        for (int i = 0; i < cases.size(); ++i) {
            const int first = cases[i].first;
            const int count = std::min<int>(3000 - first, int(cases[i].second[1].toDouble() * 25));
            EXPECT_EQ(outputs[i].toHex(), whole.mid(3 * first, 3 * count).toHex())
                << name.toStdString() << " start " << cases[i].second[0].toStdString();
        }
    }
}

TEST(AnalyzerStretch, StartAfterTheEndGivesTheLastFrame)
{
    const QString video = clip("lossless.mkv");
    EXPECT_EQ(analyse(video, {"100", "1"}).toHex(), flatColour(49).toHex());
    EXPECT_EQ(analyse(video, {"2", "0.04"}).toHex(), flatColour(49).toHex());
}

TEST(AnalyzerStretch, LengthOfLessThanOneFrameWritesAnEmptyFile)
{
    EXPECT_TRUE(analyse(clip("lossless.mkv"), {"1", "0.039"}).isEmpty());
}

TEST(AnalyzerStretch, NumbersInExponentFormAndWithoutFractionAreRead)
{
    const QString video = clip("lossless.mp4");
    EXPECT_EQ(analyse(video, {"1e-05", "4e-1"}).toHex(), flatColours(0, 10).toHex());
    EXPECT_EQ(analyse(video, {"1", "1"}).toHex(), flatColours(25, 25).toHex());
    EXPECT_EQ(analyse(video, {"+.08", "0.08"}).toHex(), flatColours(2, 2).toHex());
}

TEST(AnalyzerFailures, FailCleanlyWithoutAnOutputFile)
{
    QTemporaryDir folder;
    const QString text = folder.path() + "/notes.mp4";
    testsupport::writeBytes(text, "these are not the frames you are looking for\n");
    const QString audio = folder.path() + "/sound.mkv";
    runFfmpeg({"-f", "lavfi", "-i", "sine=d=1", "-c:a", "pcm_s16le", audio});
    const QString video = clip("lossless.mkv");
    const QString out = folder.path() + "/out.rgb";
    const QList<QStringList> failing = {
        {folder.path() + "/missing.mp4", out},
        {text, out},
        {audio, out},
        {video, out, "abc", "1"},
        {video, out, "1", "-1"},
        {video, out, "1,5", "1"},
        {video, out, "1"},
        {video},
    };
    const QStringList before = hiddenAndPlainFiles(folder.path());
    for (const QStringList& args : failing) {
        const ToolRun run = runTool("KestralineAnalyzer", args);
        EXPECT_NE(run.status, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.trimmed().isEmpty()) << args.join(' ').toStdString();
        EXPECT_EQ(hiddenAndPlainFiles(folder.path()), before) << args.join(' ').toStdString();
    }
}

TEST(AnalyzerFailures, UnwritableOutputFailsWithAMessage)
{
    QTemporaryDir folder;
    const ToolRun run = runTool("KestralineAnalyzer", {clip("lossless.mkv"), folder.path() + "/no/such/folder/out.rgb"});
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(run.err.contains("out.rgb")) << run.err.toStdString();
    const ToolRun intoFolder = runTool("KestralineAnalyzer", {clip("lossless.mkv"), folder.path()});
    EXPECT_NE(intoFolder.status, 0);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(AnalyzerOutput, ReplacesAnOlderFileWhole)
{
    QTemporaryDir folder;
    const QString out = folder.path() + "/7.rgb";
    testsupport::writeBytes(out, QByteArray(1000, 'x'));
    ASSERT_EQ(runTool("KestralineAnalyzer", {clip("lossless.mkv"), out, "0", "0.08"}).status, 0);
    EXPECT_EQ(testsupport::readBytes(out).toHex(), flatColours(0, 2).toHex());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"7.rgb"});
}

TEST(AnalyzerOutput, WritesOnlyARegularFileAndFollowsSymbolicLinks)
{
    // What stands at OUT, how the tool must end, and what must stand there after.
    struct Case {
        const char* what;
        std::function<void(const QString& out, const QString& elsewhere)> make;
        bool succeeds;
        std::function<bool(const QString& out, const QString& elsewhere)> afterwards;
    };
    const auto fifo = [](const QString& path) { return mkfifo(QFile::encodeName(path).constData(), 0644) == 0; };
    const auto isFifo = [](const QString& path) {
        struct stat status {};
        return lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
    };
    const QByteArray written = flatColours(0, 2);
    const QList<Case> cases = {
        {"a FIFO", [&](const QString& out, const QString&) { ASSERT_TRUE(fifo(out)); }, false,
         [&](const QString& out, const QString&) { return isFifo(out); }},
        {"a link to a FIFO",
         [&](const QString& out, const QString& elsewhere) {
             ASSERT_TRUE(fifo(elsewhere + "/fifo"));
             ASSERT_TRUE(QFile::link(elsewhere + "/fifo", out));
         },
         false,
         [&](const QString& out, const QString& elsewhere) {
             return QFileInfo(out).isSymLink() && isFifo(elsewhere + "/fifo");
         }},
        {"a link to a file in another folder",
         [&](const QString& out, const QString& elsewhere) {
             testsupport::writeBytes(elsewhere + "/7.rgb", "old");
             ASSERT_TRUE(QFile::link(elsewhere + "/7.rgb", out));
         },
         true,
         [&](const QString& out, const QString& elsewhere) {
             return QFileInfo(out).isSymLink() && testsupport::readBytes(elsewhere + "/7.rgb") == written &&
                    hiddenAndPlainFiles(elsewhere) == QStringList{"7.rgb"};
         }},
        {"a link to a file not there yet",
         [&](const QString& out, const QString& elsewhere) { ASSERT_TRUE(QFile::link(elsewhere + "/new.rgb", out)); },
         true,
         [&](const QString& out, const QString& elsewhere) {
             return QFileInfo(out).isSymLink() && testsupport::readBytes(elsewhere + "/new.rgb") == written;
         }},
    };
    for (const Case& c : cases) {
        QTemporaryDir folder, other;
        const QString out = folder.path() + "/out.rgb";
        c.make(out, other.path());
        const ToolRun run = runTool("KestralineAnalyzer", {clip("lossless.mkv"), out, "0", "0.08"});
        EXPECT_EQ(run.status == 0, c.succeeds) << c.what << ": " << run.err.toStdString();
        EXPECT_EQ(run.err.isEmpty(), c.succeeds) << c.what;
        EXPECT_TRUE(c.afterwards(out, other.path())) << c.what;
        const QStringList entries =
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        EXPECT_EQ(entries, QStringList{"out.rgb"}) << c.what << ": a temporary file was left";
    }
}

TEST(AnalyzerOutput, LeavesAFileTheUserMayNotWrite)
{
    QTemporaryDir folder;
    const QString out = folder.path() + "/7.rgb";
    testsupport::writeBytes(out, "kept");
    ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QStringList command = {testsupport::binDir() + "/KestralineAnalyzer", clip("lossless.mkv"), out, "0", "0.08"};
    if (geteuid() == 0) {
        // Root may write any file: run the tool without that privilege.
        if (QStandardPaths::findExecutable("setpriv").isEmpty())
            GTEST_SKIP() << "running as root without setpriv";
        command = QStringList{"--bounding-set=-dac_override", "--inh-caps=-all"} + command;
        command.prepend("setpriv");
    }
    QByteArray err;
    EXPECT_NE(testsupport::runProgram(command.takeFirst(), command, nullptr, &err), 0);
    EXPECT_TRUE(err.contains("7.rgb")) << err.toStdString();
    EXPECT_EQ(testsupport::readBytes(out), "kept");
    EXPECT_EQ(hiddenAndPlainFiles(folder.path()), QStringList{"7.rgb"});
}

TEST(AnalyzerPaths, NamesWithBlanksQuotesDollarsAndCyrillicWork)
{
    QTemporaryDir folder;
    const QString odd = folder.path() + "/a b \"c\" $HOME `id` Папка";
    ASSERT_TRUE(QDir().mkpath(odd));
    const QString video = odd + "/ви део:1 $x.mkv";
    ASSERT_TRUE(QFile::copy(clip("lossless.mkv"), video));
    const QString out = odd + "/вы вод.rgb";
    ASSERT_EQ(runTool("KestralineAnalyzer", {video, out}).status, 0);
    EXPECT_EQ(testsupport::readBytes(out).toHex(), flatColours(0, 50).toHex());
    EXPECT_EQ(clipmeta(video)["frames"], "50");
}
