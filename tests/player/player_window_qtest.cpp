// The player in a host window on libmpv: the timers the host hands over drive
// the layout and the poll, the picture is fitted into the video area and drawn
// at the panel's size, and the position bar seeks and hints.
#include "../tools/video_fixtures.h"
#include "scripted_dialogs.h"
#include "test_host.h"

#include <QTest>

using testsupport::PlayerTestHost;

class PlayerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void pictureIsFittedIntoTheAreaAndFollowsItsSize();
};

namespace {

// The share of the picture's pixels that are not black.
double litShare(const QImage& picture)
{
    int lit = 0, all = 0;
    for (int y = 0; y < picture.height(); y += 7)
        for (int x = 0; x < picture.width(); x += 7, ++all)
            lit += qGray(picture.pixel(x, y)) > 24;
    return all ? double(lit) / all : 0;
}

} // namespace

void PlayerWindowTest::pictureIsFittedIntoTheAreaAndFollowsItsSize()
{
    ScriptedDialogs dialogs;
    const QString video = fixtures::workFolder() + "/wide.mp4";
    fixtures::runFfmpeg({"-f", "lavfi", "-i", "testsrc2=s=1280x720:r=25:d=6", "-c:v", "libx264", "-preset",
                         "ultrafast", "-pix_fmt", "yuv420p", video});

    PlayerTestHost host(QSize(1000, 500));
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    host.Player->FileName = video;
    host.Player->Open2Execute();
    QVERIFY(host.Player->OPENED);
    QCOMPARE(dialogs.texts(), QStringList());
    QCOMPARE(host.windowTitle(), "Kestraline Client - " + video);
    QCOMPARE(host.StatusBar1->panelText(2), QString("1280x720@25"));

    // The layout timer fits the panel 300 ms after the open; the poll runs by itself.
    QTRY_COMPARE_WITH_TIMEOUT(host.Panel3->geometry(), QRect(56, 0, 888, 500), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(host.engine().renderedFrame().size() == QSize(888, 500), 2000);
    QVERIFY(litShare(host.engine().renderedFrame()) > 0.9);
    QTRY_VERIFY_WITH_TIMEOUT(host.StatusBar1->panelText(1).startsWith("Положение: 0:00:0"), 2000);
    QVERIFY(host.StatusBar1->panelText(3).startsWith("Кадр: "));

    // A taller area: after the resize the picture fills the width.
    host.Panel1->setFixedSize(1000, 800);
    host.Player->FormResize();
    QTRY_COMPARE_WITH_TIMEOUT(host.Panel3->geometry(), QRect(0, 119, 1000, 562), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(host.engine().renderedFrame().size() == QSize(1000, 562), 2000);

    // The bar seeks to the second under the mouse; moving shows that time as hint.
    host.Player->Pause();
    const int maximum = host.ProgressBar1->maximum();
    const int last = host.ProgressBar1->width() - 1;
    QCOMPARE(maximum, 6);
    const int atThree = (3 * last + maximum - 1) / maximum;
    QTest::mousePress(host.ProgressBar1, Qt::LeftButton, {}, QPoint(atThree, 8));
    host.Player->ReadPosition();
    QCOMPARE(host.Player->pos / 10000000, qint64(3));
    QTest::mouseMove(host.ProgressBar1, QPoint(atThree, 8));
    QCOMPARE(host.ProgressBar1->toolTip(), QString("0:00:03 (3 sec)"));
    QTest::mouseMove(host.ProgressBar1, QPoint(last, 8));
    QCOMPARE(host.ProgressBar1->toolTip(), QString("0:00:06 (6 sec)"));

    // Kept on screen a while when a person wants to look at it under Xvfb.
    const int hold = qEnvironmentVariableIntValue("KESTRALINE_PLAYER_HOLD_MS");
    if (hold > 0) {
        host.Player->Play();
        QTest::qWait(hold);
    }
    QVERIFY(host.Player->CloseQuery());
    QVERIFY(!host.Player->OPENED);
}

QTEST_MAIN(PlayerWindowTest)
#include "player_window_qtest.moc"
