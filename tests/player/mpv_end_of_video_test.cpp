// The end of a video on libmpv as the player leaves it: nothing is raised, the
// player stays in its playing state, so a seek back from the end plays on.
#include "scripted_dialogs.h"
#include "test_host.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(MpvEndOfVideo, ASeekBackFromTheEndPlaysOn)
{
    testsupport::ensureApplication();
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString video = dir.filePath("two seconds.mkv");
    ASSERT_TRUE(testsupport::makeVideo(video, "testsrc2=size=160x120:rate=25", {"-c:v", "libx264", "-g", "10"}, 2));
    testsupport::PlayerTestHost host(QSize(160, 120));
    player::VIDEO_PLAYER& p = *host.Player;
    p.FileName = video;
    p.OpenExecute();
    ASSERT_TRUE(p.OPENED) << dialogs.texts().join("|").toStdString();

    for (int round = 0; round < 2; ++round) {  // at the end, back, and at the end again
        p.ForwardMinute();  // to the last instant while playing
        QTest::qWait(400);
        EXPECT_FALSE(p.PAUSED);
        p.Play();  // does nothing: the player is not paused
        p.BackSecond();
        p.ReadPosition();
        const qint64 from = p.pos;
        QTest::qWait(500);
        p.ReadPosition();
        EXPECT_GT(p.pos, from + 2000000) << "playback goes on after seeking back, round " << round;  // 0.2 s or more
    }
}

} // namespace
