// The player's logic over a scripted engine and a recording host: the open's
// steps and messages, seeks, volume, layout, poll and progress bar arithmetic.
#include "scripted_player_backend.h"
#include "recorded_messages.h"
#include "video_player.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

using player::PlayerBackend;
using player::VIDEO_PLAYER;
using testsupport::ScriptedPlayerBackend;
using Failure = PlayerBackend::BuildFailure;

namespace {

class RecordingView : public player::PlayerView {
public:
    QString status[4];
    QString caption = "before";
    QString hint;
    int maximum = 100;
    int progress = 0;
    int barWidth = 300;
    int volume = 50;
    QSize area{1000, 500};
    QRect panel{0, 0, 320, 240};
    int layoutRestarts = 0;
    int layoutStops = 0;

    void setStatusText(int index, const QString& text) override { status[index] = text; }
    void setProgressMaximum(int value) override { maximum = value; }
    int progressMaximum() const override { return maximum; }
    void setProgressPosition(int value) override { progress = value; }
    int progressWidth() const override { return barWidth; }
    void setProgressHint(const QString& text) override { hint = text; }
    int volumePosition() const override { return volume; }
    void setCaption(const QString& text) override { caption = text; }
    QSize videoAreaSize() const override { return area; }
    void setVideoPanelGeometry(const QRect& geometry) override { panel = geometry; }
    QSize videoPanelClientSize() const override { return panel.size(); }
    QWidget* videoPanelWindow() const override { return nullptr; }
    void restartLayoutTimer() override { ++layoutRestarts; }
    void stopLayoutTimer() override { ++layoutStops; }
};

// A player on a recording host and a scripted engine, its messages recorded.
struct PlayerRig {
    PlayerRig()
    {
        auto ownedView = std::make_unique<RecordingView>();
        auto ownedBackend = std::make_unique<ScriptedPlayerBackend>();
        view = ownedView.get();
        backend = ownedBackend.get();
        vp = std::make_unique<VIDEO_PLAYER>(std::move(ownedView), std::move(ownedBackend),
                                            player::PlayerHostParameters{"Kestraline Client - ", 300, true});
        vp->show_message = messages.sink();
    }

    void open(const QString& file = "/v/a.mp4")
    {
        vp->FileName = file;
        vp->OpenExecute();
    }

    testsupport::RecordedMessages messages;
    RecordingView* view;
    ScriptedPlayerBackend* backend;
    std::unique_ptr<VIDEO_PLAYER> vp;
};

class PlayerLogic : public ::testing::Test, public PlayerRig {};

constexpr qint64 Second = 10000000;

TEST_F(PlayerLogic, OpenRunsItsStepsInOrderAndFillsTheTexts)
{
    backend->length = 3725 * Second + 5;
    open("/v/a.mp4");
    EXPECT_EQ(backend->takeCalls(), QStringList({"build /v/a.mp4", "owner", "style", "place 0 0 320 240", "rate 1",
                                                 "run", "volume 2147450879"}));
    EXPECT_TRUE(vp->OPENED);
    EXPECT_FALSE(vp->PAUSED);
    EXPECT_EQ(vp->Duration, 3725 * Second + 5);
    EXPECT_EQ(view->maximum, 3725);
    EXPECT_EQ(view->status[0], "Продолжительность: 1:02:05 (3 725 sec)");
    EXPECT_EQ(view->status[2], "640x480@25");
    EXPECT_EQ(view->caption, "Kestraline Client - /v/a.mp4");
    EXPECT_EQ(view->layoutRestarts, 1);
    EXPECT_TRUE(messages.texts().isEmpty());

    // A second open tears the first down before it builds the new one.
    open("/v/b.mp4");
    EXPECT_EQ(backend->takeCalls().mid(0, 3), QStringList({"stop", "release", "build /v/b.mp4"}));
}

TEST_F(PlayerLogic, EachFailedBuildStepShowsItsMessageAndLeavesNoVideoOpen)
{
    const QList<QPair<Failure, QString>> cases = {
        {Failure::Initialize, "hdshow: CoInitialize() failure\n"},
        {Failure::CreateGraph, "hdshow: CoCreateInstance() failure\n"},
        {Failure::MediaControl, "hdshow: unable to obtain IMediaControl interface\n"},
        {Failure::MediaEvent, "hdshow: unable to obtain IMediaEvent interface\n"},
        {Failure::BasicVideo, "hdshow: unable to obtain IBasicVideo interface\n"},
        {Failure::Seeking, "Failed query interface"},
        {Failure::RenderFile, "Failed open file"},
        {Failure::VideoWindow, "Failed query interface 2"},
    };
    for (const auto& [failure, text] : cases) {
        open("/v/ok.mp4");
        ASSERT_TRUE(vp->OPENED);
        messages.clear();
        backend->buildFailure = failure;
        open("/v/bad.mp4");
        EXPECT_FALSE(vp->OPENED) << text.toStdString();
        EXPECT_EQ(messages.texts(), QStringList{text});
        EXPECT_EQ(view->caption, "Kestraline Client - /v/ok.mp4");  // the failed file never shows
        backend->buildFailure = Failure::None;
    }
}

TEST_F(PlayerLogic, WindowStepsWarnGoOnOrFailAsTheirResultsSay)
{
    backend->ownerResult = 1;  // not 0 but no failure: a warning, then on
    open();
    EXPECT_EQ(messages.texts(), QStringList{"!=S_OK"});
    EXPECT_TRUE(vp->OPENED);

    messages.clear();
    backend->ownerResult = -1;
    open();
    EXPECT_EQ(messages.texts(), QStringList({"!=S_OK", "Failed pin owner"}));
    EXPECT_FALSE(vp->OPENED);
    EXPECT_FALSE(backend->built);

    messages.clear();
    backend->ownerResult = 0;
    backend->styleResult = -1;
    open();
    EXPECT_EQ(messages.texts(), QStringList{"Failed WindowStyle"});
    EXPECT_FALSE(vp->OPENED);

    // A failed placement still reads size and rate and sets the rate, then closes.
    messages.clear();
    backend->styleResult = 0;
    backend->placeResult = -1;
    backend->width = 320;
    backend->takeCalls();
    open("/v/c.mp4");
    EXPECT_EQ(messages.texts(), QStringList({"!=S_OK", "hdshow: unable to render /v/c.mp4"}));
    EXPECT_EQ(backend->takeCalls(), QStringList({"build /v/c.mp4", "owner", "style", "place 0 0 320 240", "rate 1",
                                                 "release"}));
    EXPECT_EQ(vp->srcWidth, 320);
    EXPECT_FALSE(vp->OPENED);
}

TEST_F(PlayerLogic, FailedRunCountsAsOpenButKeepsThePreviousTexts)
{
    open("/v/first.mp4");
    const QString length = view->status[0], size = view->status[2];
    backend->runResult = -1;
    backend->length = 99 * Second;
    backend->width = 1280;
    backend->takeCalls();
    open("/v/second.mp4");
    EXPECT_EQ(messages.texts(), QStringList{"hdshow: unable to run /v/second.mp4"});
    EXPECT_TRUE(vp->OPENED);
    EXPECT_TRUE(backend->built);  // the graph stays
    EXPECT_EQ(view->status[0], length);
    EXPECT_EQ(view->status[2], size);
    EXPECT_EQ(view->caption, "Kestraline Client - /v/first.mp4");
    EXPECT_FALSE(backend->takeCalls().join(",").contains("volume"));
    // The seek buttons work on that graph.
    backend->current = 5 * Second;
    vp->ForwardSecond();
    EXPECT_EQ(backend->current, 6 * Second);
}

TEST_F(PlayerLogic, DoubleOpenBuildsTwiceOnlyOnTheFirstOpen)
{
    vp->FileName = "/v/a.mp4";
    vp->Open2Execute();
    EXPECT_EQ(backend->builds, 2);
    EXPECT_TRUE(vp->INITIALIZED);
    vp->Open2Execute();
    EXPECT_EQ(backend->builds, 3);

    // INITIALIZED is set even when both opens failed.
    PlayerRig fresh;
    fresh.backend->buildFailure = Failure::RenderFile;
    fresh.vp->Open2Execute();
    EXPECT_EQ(fresh.backend->builds, 2);
    EXPECT_TRUE(fresh.vp->INITIALIZED);
    EXPECT_FALSE(fresh.vp->OPENED);
}

TEST_F(PlayerLogic, SeekButtonsStepAndClampToTheVideo)
{
    vp->ForwardSecond();  // nothing open: no seek
    EXPECT_TRUE(backend->calls.filter("seek").isEmpty());
    backend->length = 90 * Second;
    open();
    vp->Pause();
    const auto seekFrom = [&](qint64 from, void (VIDEO_PLAYER::*button)()) {
        backend->current = from;
        (vp.get()->*button)();
        return backend->current;
    };
    EXPECT_EQ(seekFrom(4 * Second / 10, &VIDEO_PLAYER::BackSecond), 0);
    EXPECT_EQ(seekFrom(30 * Second, &VIDEO_PLAYER::BackMinute), 0);
    EXPECT_EQ(seekFrom(70 * Second, &VIDEO_PLAYER::BackMinute), 10 * Second);
    EXPECT_EQ(seekFrom(40 * Second, &VIDEO_PLAYER::ForwardMinute), 90 * Second - 1);
    EXPECT_EQ(seekFrom(89 * Second, &VIDEO_PLAYER::ForwardSecond), 90 * Second - 1);
    EXPECT_EQ(seekFrom(88 * Second, &VIDEO_PLAYER::ForwardSecond), 89 * Second);
    EXPECT_TRUE(vp->PAUSED);  // seeking leaves the pause alone
}

TEST_F(PlayerLogic, PlayAndPauseOnlyChangeTheStateTheyLeave)
{
    vp->Pause();
    vp->Play();
    EXPECT_TRUE(backend->calls.isEmpty());
    open();
    backend->takeCalls();
    const int restarts = view->layoutRestarts;
    vp->Play();  // already playing
    vp->Pause();
    vp->Pause();  // already paused
    EXPECT_TRUE(vp->PAUSED);
    vp->Play();
    EXPECT_FALSE(vp->PAUSED);
    EXPECT_EQ(backend->takeCalls(), QStringList({"pause", "run"}));
    EXPECT_EQ(view->layoutRestarts, restarts + 1);

    vp->Pause();
    EXPECT_TRUE(vp->CloseQuery());
    EXPECT_EQ(backend->takeCalls(), QStringList({"pause", "stop", "release"}));
    EXPECT_FALSE(vp->OPENED);
    EXPECT_TRUE(vp->PAUSED);  // teardown keeps the pause and the texts
    EXPECT_FALSE(view->status[0].isEmpty());
}

TEST_F(PlayerLogic, VolumeLevelUsesTheDesignedFactorInBothChannels)
{
    const QList<QPair<int, quint32>> levels = {{0, 0}, {1, 655}, {50, 32767}, {99, 64880}, {100, 65535}};
    for (const auto& [slider, level] : levels) {
        view->volume = slider;
        vp->VolumeChange();  // also with no video open
        EXPECT_EQ(backend->volume, level * 65537u) << slider;
    }
}

TEST_F(PlayerLogic, LayoutFitsThePictureIntoTheArea)
{
    backend->width = 1280;
    backend->height = 720;
    vp->LayoutTimer();  // nothing open: only the timer stops
    EXPECT_EQ(view->layoutStops, 1);
    EXPECT_EQ(view->panel, QRect(0, 0, 320, 240));

    open();
    vp->LayoutTimer();
    EXPECT_EQ(view->panel, QRect(56, 0, 888, 500));
    EXPECT_EQ(backend->picture, QRect(0, 0, 888, 500));

    view->area = QSize(1280, 720);  // equal ratios: fit to width
    vp->LayoutTimer();
    EXPECT_EQ(view->panel, QRect(0, 0, 1280, 720));

    view->area = QSize(1000, 800);
    vp->LayoutTimer();
    EXPECT_EQ(view->panel, QRect(0, 119, 1000, 562));

    // A file without a source height keeps the panel where it was.
    backend->height = 0;
    open();
    view->area = QSize(500, 500);
    vp->LayoutTimer();
    EXPECT_EQ(view->panel, QRect(0, 119, 1000, 562));
}

TEST_F(PlayerLogic, PollShowsPositionFrameAndProgressThenCallsTheHook)
{
    QStringList order;
    vp->OnPositionPolled = [&] { order << "polled " + view->status[3]; };
    vp->OnGraphReleased = [&] { order << QString("released %1").arg(vp->OPENED); };
    vp->Poll();  // nothing open: nothing
    EXPECT_TRUE(order.isEmpty());
    EXPECT_TRUE(view->status[1].isEmpty());

    open();
    backend->current = 123600000;  // 12.36 s at 25 fps
    vp->Poll();
    EXPECT_EQ(vp->CurFrame, 309);
    EXPECT_EQ(vp->pos, 123600000);
    EXPECT_EQ(vp->CurTime, "0:00:12 (12 sec)");
    EXPECT_EQ(view->status[1], "Положение: 0:00:12 (12 sec)");
    EXPECT_EQ(view->progress, 12);

    backend->current = 12345 * Second / 25 + 1;
    vp->Poll();
    EXPECT_EQ(view->status[3], "Кадр: 12 345");

    // A frame duration of 0, or one whose rate is not a number above 0, keeps the
    // previous rate; a second open releases first.
    for (const double duration : {0.0, -0.04, std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), 1e-320}) {
        backend->secondsPerFrame = duration;
        open();
        EXPECT_EQ(vp->fps, 25.0) << duration;
    }
    EXPECT_EQ(order.mid(0, 4), QStringList({"released 0", "polled Кадр: 309", "polled Кадр: 12 345", "released 0"}));

    // A frame number beyond 64 bits (an absurd rate) keeps the previous one.
    backend->secondsPerFrame = 1e-300;
    open();
    vp->Poll();
    EXPECT_EQ(vp->CurFrame, 12345);
}

TEST_F(PlayerLogic, RateInThePanelKeepsSevenCharactersInTheUsersSeparator)
{
    backend->secondsPerFrame = 1001.0 / 30000.0;
    open();
    EXPECT_EQ(view->status[2], "640x480@29.9700");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    open();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(view->status[2], "640x480@29,9700");
}

TEST_F(PlayerLogic, ProgressBarSeeksAndHintsTheSecondUnderTheMouse)
{
    view->maximum = 100;
    view->barWidth = 201;
    vp->ProgressBarMouseMove(100);  // before any open, from the bar's maximum
    EXPECT_EQ(view->hint, "0:00:50 (50 sec)");
    vp->ProgressBarMouseDown(100);
    EXPECT_TRUE(backend->calls.filter("seek").isEmpty());

    backend->length = 3600 * Second;
    open();
    view->barWidth = 1000;
    vp->ProgressBarMouseDown(999);
    EXPECT_EQ(backend->current, 3600 * Second);
    vp->ProgressBarMouseDown(1);
    EXPECT_EQ(backend->current, 3 * Second);  // 3600 / 999 truncated
    vp->ProgressBarMouseMove(-40);  // held and dragged left of the bar
    EXPECT_EQ(view->hint, "0:00:00 (0 sec)");

    // A bar under 2 pixels wide does nothing.
    view->barWidth = 1;
    backend->takeCalls();
    vp->ProgressBarMouseDown(0);
    vp->ProgressBarMouseMove(0);
    EXPECT_TRUE(backend->calls.isEmpty());
    EXPECT_EQ(view->hint, "0:00:00 (0 sec)");
}

} // namespace
