// Clipmeta on real videos: its four pairs, its frame rate text, and a frame count
// that always equals the number of colour triples the analyser writes.
#include "video_fixtures.h"

using namespace fixtures;

TEST(Clipmeta, PrintsFourPairsOneALine)
{
    const ToolRun run = runTool("Clipmeta", {clip("lossless.mkv")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "width 161\nheight 97\nfps 25\nframes 50\n");
    EXPECT_GE(run.out.size(), 20);
}

TEST(Clipmeta, FrameRateOf2997IsInGeneralFormatWithAPoint)
{
    for (const QString name : {"lossy2997.mp4", "lossy2997.mpg", "lossless2997.mkv"})
        EXPECT_EQ(clipmeta(clip(name))["fps"], "29.97002997003") << name.toStdString();
    const auto pairs = clipmeta(clip("lossy2997.mp4"));
    EXPECT_EQ(pairs["width"], "192");
    EXPECT_EQ(pairs["height"], "108");
}

TEST(Clipmeta, FramesEqualTheAnalysersTriplesInEveryContainer)
{
    const QStringList names = recipes().keys();
    prepareClips(names);
    std::vector<QPair<int, QString>> counts(names.size());
    sideBySide(names.size(), [&](int i) {
        counts[i] = {int(analyse(clip(names[i])).size() / 3), clipmeta(clip(names[i]))["frames"]};
    });
    for (int i = 0; i < names.size(); ++i) {
        const auto [triples, frames] = counts[i];
        EXPECT_GT(triples, 0) << names[i].toStdString();
        EXPECT_EQ(frames, QString::number(triples)) << names[i].toStdString();
    }
}

TEST(Clipmeta, FailsWithAMessageAndNothingOnStandardOutput)
{
    QTemporaryDir folder;
    const QString text = folder.path() + "/notes.avi";
    testsupport::writeBytes(text, QByteArray(5000, 'k'));
    const QString audio = folder.path() + "/sound.mkv";
    runFfmpeg({"-f", "lavfi", "-i", "sine=d=1", "-c:a", "pcm_s16le", audio});
    const QString empty = folder.path() + "/empty.mp4";
    testsupport::writeBytes(empty, {});
    for (const QStringList& args :
         QList<QStringList>{{folder.path() + "/missing.mkv"}, {text}, {audio}, {empty}, {}, {text, text}}) {
        const ToolRun run = runTool("Clipmeta", args);
        EXPECT_NE(run.status, 0) << args.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_FALSE(run.err.trimmed().isEmpty()) << args.join(' ').toStdString();
    }
}
