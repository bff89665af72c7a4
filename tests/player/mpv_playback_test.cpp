// The player on libmpv with videos whose frames carry their own number: after
// pauses during play and seeks while paused, the frame on screen is the frame
// the analysis tool starts at for the position the player reports.
#include "../tools/video_fixtures.h"
#include "number_format.h"
#include "numbered_frames.h"
#include "scripted_dialogs.h"
#include "test_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

using testsupport::PlayerTestHost;

namespace {

using numberedframes::frameOnScreen;
using numberedframes::Height;
using numberedframes::numberedSource;
using numberedframes::Width;

struct Container {
    QString file;
    QString rate;
    QString panelRate;  // panel 2 after the open
    QStringList codec;
};

// Every container the manager offers, and Matroska, WebM and MPEG-TS also at the
// rates whose frames are not a whole number of their ticks. Those carry sound
// that starts 0.1 s before the picture, as in many recordings: positions still
// count from the first frame, as the analysis does.
const QList<Container>& containers()
{
    static const QList<Container> all = [] {
        const QStringList h264 = {"-c:v", "libx264", "-bf", "3", "-g", "30", "-pix_fmt", "yuv420p"};
        const QStringList vp9 = {"-c:v", "libvpx-vp9", "-g", "30", "-b:v", "1M", "-deadline", "realtime", "-cpu-used", "8"};
        const QStringList soundFirst = {"-f", "lavfi", "-i", "sine=d=4", "-vf", "setpts=PTS+0.1/TB"};
        QList<Container> list = {
            {"numbered.mp4", "30000/1001", "29.9700", h264},
            {"numbered.mkv", "25", "25", h264},
            {"numbered.mov", "25", "25", h264},
            {"numbered.avi", "25", "25", {"-c:v", "mpeg4", "-bf", "2", "-g", "15", "-q:v", "3"}},
            {"numbered.webm", "25", "25", vp9},
            {"numbered.mpg", "30000/1001", "29.9700", {"-c:v", "mpeg2video", "-bf", "2", "-g", "15", "-q:v", "3"}},
        };
        const QList<QPair<QString, QString>> rates = {
            {"24000/1001", "23.9760"}, {"30000/1001", "29.9700"}, {"60000/1001", "59.9400"}};
        for (const auto& [rate, panelRate] : rates) {
            const QString name = "numbered" + QString(rate).section('/', 0, 0);
            list.append({name + ".mkv", rate, panelRate, soundFirst + h264});
            list.append({name + ".webm", rate, panelRate, soundFirst + vp9});
            list.append({name + ".ts", rate, panelRate, soundFirst + h264});
        }
        return list;
    }();
    return all;
}

QString makeClip(const Container& c)
{
    const QString path = fixtures::workFolder() + "/" + c.file;
    fixtures::runFfmpeg(QStringList{"-f", "lavfi", "-i", numberedSource(c.rate, "4")} + c.codec + QStringList{path});
    return path;
}

void processFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

// One position the player reported and the frame on screen at that moment.
struct Sighting {
    QString step;
    qint64 pos;
    qint64 polledFrame;  // CurFrame of a poll right after the position was read
    int frame;
};

struct Playback {
    Container container;
    QString path;
    std::unique_ptr<PlayerTestHost> host;
    QList<Sighting> sightings;

    void see(const QString& step)
    {
        // The fragment search reads the position; the poll then shows the frame number.
        host->Player->ReadPosition();
        const qint64 pos = host->Player->pos;
        host->Player->Poll();
        EXPECT_EQ(host->Player->pos, pos) << step.toStdString();
        sightings.append({step, pos, host->Player->CurFrame, -1});
    }
    // Fills in the frames once the pictures have settled.
    void look()
    {
        for (Sighting& s : sightings)
            if (s.frame == -1)
                s.frame = frameOnScreen(host->engine().renderedFrame());
    }
};

class MpvPlayback : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::ensureApplication(); }
};

TEST_F(MpvPlayback, FrameOnScreenIsWhereTheAnalysisStartsInEveryContainer)
{
    ScriptedDialogs dialogs;
    std::vector<Playback> runs(containers().size());
    fixtures::sideBySide(runs.size(), [&](int i) {
        runs[i].container = containers()[i];
        runs[i].path = makeClip(containers()[i]);
    });
    for (Playback& run : runs) {
        // The hosts stay hidden: the picture mpv draws for the panel is the same,
        // and the window test looks at it on screen.
        run.host = std::make_unique<PlayerTestHost>(QSize(2 * Width, 2 * Height));
        run.host->Player->FileName = run.path;
        run.host->Player->OpenExecute();
        ASSERT_TRUE(run.host->Player->OPENED) << run.path.toStdString();
        // The rate and size come from the stream, for .mpg too.
        EXPECT_EQ(run.host->StatusBar1->panelText(2), "256x144@" + run.container.panelRate);
        EXPECT_EQ(run.host->StatusBar1->panelText(0), "Продолжительность: 0:00:04 (4 sec)");
        // Held until every player is open, so that none has played to its end
        // before the first pause where opening is slow (a thread-sanitizer build).
        run.host->Player->Pause();
    }
    ASSERT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join("|").toStdString();
    for (Playback& run : runs)
        run.host->Player->Play();

    // Each step is done on all six players, then the pictures settle once and
    // each is read and compared with the position reported for it.
    const auto step = [&](const QString& name, auto action, int settleMs) {
        for (Playback& run : runs)
            action(*run.host->Player);
        for (Playback& run : runs)
            run.see(name);
        processFor(settleMs);
        for (Playback& run : runs)
            run.look();
    };
    using player::VIDEO_PLAYER;
    processFor(600);
    step("pause while playing", [](VIDEO_PLAYER& p) { p.Pause(); }, 150);
    step("1 сек > paused", [](VIDEO_PLAYER& p) { p.ForwardSecond(); }, 150);
    step("< 1 сек paused", [](VIDEO_PLAYER& p) { p.BackSecond(); }, 150);
    step("bar press paused", [](VIDEO_PLAYER& p) { p.ProgressBarMouseDown(p.view().progressWidth() * 2 / 3); }, 150);
    // No control seeks past the end, but the engine's position holds there too.
    step("seek past the end", [](VIDEO_PLAYER& p) { p.backend().setPosition(3 * p.Duration); }, 150);
    step("bar press at its right end", [](VIDEO_PLAYER& p) { p.ProgressBarMouseDown(p.view().progressWidth() - 1); }, 150);
    step("< 1 сек from the end", [](VIDEO_PLAYER& p) { p.BackSecond(); }, 150);
    for (Playback& run : runs)
        run.host->Player->Play();
    processFor(400);
    step("second pause while playing", [](VIDEO_PLAYER& p) { p.Pause(); }, 150);
    step("1 сек > paused again", [](VIDEO_PLAYER& p) { p.ForwardSecond(); }, 150);
    step("1 мин > to the end", [](VIDEO_PLAYER& p) { p.ForwardMinute(); }, 150);
    step("< 1 мин to the start", [](VIDEO_PLAYER& p) { p.BackMinute(); }, 150);

    // The analysis tool's start frame for each reported position: every run of
    // the tool side by side, the whole file first for each container.
    QList<QPair<int, QStringList>> jobs;  // (container, stretch; empty = whole file)
    for (int r = 0; r < int(runs.size()); ++r) {
        jobs.append({r, QStringList()});
        for (const Sighting& s : runs[r].sightings)
            jobs.append({r, QStringList{format_general(s.pos / 1e7), "0.2"}});
    }
    std::vector<QByteArray> outputs(jobs.size());
    fixtures::sideBySide(jobs.size(), [&](int j) { outputs[j] = fixtures::analyse(runs[jobs[j].first].path, jobs[j].second); });

    int checks = 0, matches = 0, job = 0;
    for (Playback& run : runs) {
        const QByteArray whole = outputs[job++];
        const int frames = whole.size() / 3;
        for (const Sighting& s : run.sightings) {
            const QByteArray& out = outputs[job++];
            const std::string where = (run.container.file + ": " + s.step).toStdString();
            ++checks;
            ASSERT_GE(s.frame, 0) << where << ": no readable picture";
            ASSERT_LT(s.frame, frames) << where;
            ASSERT_FALSE(out.isEmpty()) << where;
            const bool same = whole.mid(3 * s.frame, out.size()) == out;
            const bool before = s.frame > 0 && whole.mid(3 * (s.frame - 1), out.size()) == out;
            const bool after = whole.mid(3 * (s.frame + 1), out.size()) == out;
            EXPECT_TRUE(same && !before && !after)
                << where << ": frame " << s.frame << " on screen at pos " << s.pos;
            EXPECT_EQ(s.polledFrame, s.frame) << where << ": frame number shown";
            matches += same && !before && !after;
        }
    }
    std::printf("frame on screen checked %d times in %d containers, %d matches\n", checks, int(runs.size()), matches);
}

TEST_F(MpvPlayback, FilesMpvCannotShowFailWithTheirMessagesAndLeaveNothingOpen)
{
    ScriptedDialogs dialogs;
    const QString folder = fixtures::workFolder();
    const QString video = folder + "/short.mkv";
    const QString sound = folder + "/sound.mka";
    fixtures::runFfmpeg({"-f", "lavfi", "-i", numberedSource("25", "1"), "-c:v", "libx264", video});
    fixtures::runFfmpeg({"-f", "lavfi", "-i", "sine=d=1", "-c:a", "flac", sound});
    const QString garbage = folder + "/garbage.mp4";
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise.append(char((i * 7919) % 251));
    testsupport::writeBytes(garbage, noise);

    PlayerTestHost host(QSize(Width, Height));
    const QList<QPair<QString, QString>> cases = {
        {sound, "Failed open file"},  // sound alone is no video
        {garbage, "Failed open file"},
        {folder + "/missing.mp4", "Failed open file"},
        {QString(), "Failed open file"},
    };
    for (const auto& [file, message] : cases) {
        host.Player->FileName = video;
        host.Player->Open2Execute();  // the first builds twice, later ones once
        ASSERT_TRUE(host.Player->OPENED);
        processFor(100);
        EXPECT_FALSE(host.engine().renderedFrame().isNull());
        dialogs.shown.clear();

        host.Player->FileName = file;
        host.Player->OpenExecute();
        EXPECT_EQ(dialogs.texts(), QStringList{message}) << file.toStdString();
        EXPECT_FALSE(host.Player->OPENED);
        EXPECT_TRUE(host.engine().renderedFrame().isNull()) << "the old picture is gone";
        EXPECT_EQ(host.windowTitle(), "Kestraline Client - " + video);
    }
}

} // namespace
