// The viewer on a project made by the real tools: a double-click in the manager's
// grid plays the row's video with the real player and draws the strip from the
// row's colour-data file; rows without colour data, or whose video fails, open
// the viewer too.
#include "add_videos_window.h"
#include "colour_strip.h"
#include "colour_strip_box.h"
#include "main_window.h"
#include "player_widgets.h"
#include "scripted_dialogs.h"
#include "string_grid.h"
#include "test_support.h"
#include "video_player.h"
#include "video_status.h"
#include "viewer_window.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace manager;
using namespace testsupport;

namespace {

const QRgb marker = qRgb(90, 90, 90);

} // namespace

class ViewerEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString project, videoA, videoB, broken;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm4> form4;

    void doubleClickRow(int row)
    {
        StringGrid* grid = form1->StringGrid1;
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, 3));
        form4->Timer2->start(); // polls run all the time; pollOnce stops them for a moment
        // A double-click follows the press that made the row current.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // One poll by hand, so that the strip and the frame it was drawn for belong together.
    void pollOnce()
    {
        form4->Timer2->stop();
        form4->Player->Poll();
    }

    // Whether the open video has played `seconds` (the player keeps the previous
    // video's position and frame until its next poll).
    bool played(double seconds) { return form4->Player->backend().position() >= seconds * 1e7; }

    QImage& strip() { return form4->PaintBox1->Picture(); }

private slots:
    void initTestCase()
    {
        for (const QString program : {"Clipmeta", "KestralineAnalyzer"})
            QVERIFY2(QFile::exists(binDir() + "/" + program), qPrintable(program + " is not built"));
        project = dir.filePath("project");
        QDir().mkpath(project);
        videoA = dir.filePath("цвета.mkv");
        videoB = dir.filePath("b.mp4");
        broken = dir.filePath("broken.avi");
        // Colours that drift with time, so the three curves move apart and together.
        QVERIFY(makeVideo(videoA, "color=c=0xD02020:size=160x120:rate=25,hue=h=120*t", {"-c:v", "ffv1"}));
        QVERIFY(makeVideo(videoB, "mandelbrot=size=160x120:rate=25", {"-c:v", "mpeg4", "-q:v", "3"}));
        writeBytes(broken, "no video in here");

        dialogs = std::make_unique<ScriptedDialogs>();
        form1 = std::make_unique<TForm1>(binDir());
        form2 = std::make_unique<TForm2>(*form1);
        form4 = std::make_unique<TForm4>(nullptr, form1.get());
        form1->SetWindows(form2.get(), nullptr, nullptr);
        form1->SetViewer(form4.get());
        form1->show();
        dialogs->files.enqueue({project + "/Kestraline.db"});
        form1->N3Click();
    }

    void viewerStartsHiddenWithItsLayout()
    {
        QVERIFY(form4->isHidden());
        QCOMPARE(form4->windowTitle(), QString("Form4"));
        QVERIFY(!form4->Timer1->isActive()); // until a resize, an open or a resume
        QVERIFY(form4->Timer2->isActive());
        doubleClickRow(1); // the one empty row of a new project opens nothing
        QVERIFY(form4->isHidden());

        form4->show();
        QCOMPARE(form4->centralWidget()->width(), 1275);
        QCOMPARE(form4->centralWidget()->height() + form4->StatusBar1->height(), 757);
        QCOMPARE(form4->PaintBox1->size(), QSize(1271, 213));
        QCOMPARE(form4->ProgressBar1->y(), form4->Panel1->y() + form4->Panel1->height());
        QCOMPARE(form4->ProgressBar1->height(), 17);
        QStringList captions;
        for (QPushButton* button : {form4->BitBtn6, form4->BitBtn5, form4->BitBtn3, form4->BitBtn4,
                                    form4->BitBtn2, form4->BitBtn1})
            captions << button->text();
        QCOMPARE(captions, QStringList({"< 1 мин", "< 1 сек", "Играть", "Пауза", "1 сек >", "1 мин >"}));
        // Right-aligned: the volume group closes the row at the panel's right edge.
        QCOMPARE(form4->TrackBar1->parentWidget()->geometry().right(), form4->Panel2->width() - 4);
        QCOMPARE(form4->BitBtn1->geometry().right() + 4, form4->TrackBar1->parentWidget()->x());
        QVERIFY(panelsSideBySide(*form4->StatusBar1, {300, 300, 200, 150, 200, 50}));
        form4->close();
    }

    void processedRowPlaysWithItsStrip()
    {
        dialogs->files.enqueue({videoA, videoB, broken});
        form2->BitBtn3Click();
        form2->BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs->texts().contains("Задание выполнено"), 120000);
        QCOMPARE(form1->StringGrid1->ColumnTexts(2),
                 QStringList({video_status_processed(), video_status_processed(), video_status_failed()}));
        const QByteArray colours = readBytes(project + "/1.rgb");
        QCOMPARE(colours.size(), 75 * 3);

        doubleClickRow(1);
        QVERIFY(form4->isVisible());
        QVERIFY2(form4->Player->OPENED, qPrintable(dialogs->texts().join(" | ")));
        QVERIFY(form4->Player->INITIALIZED);
        QCOMPARE(form4->windowTitle(), videoA);
        QCOMPARE(form4->RGB.RGBDataSize, 75 * 3);
        QCOMPARE(form4->RGB.RGBData, colours);

        // Once playing, each poll draws the frames from 0 on, the current one
        // marked by its black line one column to its right.
        QTRY_VERIFY_WITH_TIMEOUT(played(0.4), 10000);
        strip().fill(marker);
        pollOnce();
        const qint64 frame = form4->Player->CurFrame;
        QImage expected = strip().copy();
        expected.fill(marker);
        draw_colour_strip(reinterpret_cast<const uchar*>(colours.constData()), colours.size(), frame, expected);
        QCOMPARE(strip(), expected);
        QVERIFY(frame >= 10);
        QCOMPARE(strip().pixel(int(frame) + 1, 100), qRgb(0, 0, 0));

        // Paused, the strip keeps its drawing while the poll goes on.
        form4->Player->Pause();
        strip().fill(marker);
        pollOnce();
        QCOMPARE(strip().pixel(1, 100), marker);
        form4->Player->Play();
        pollOnce();
        QVERIFY(strip().pixel(1, 100) != marker);

        // Closing releases the video and keeps the colour data for the next open.
        form4->close();
        QVERIFY(form4->isHidden());
        QVERIFY(!form4->Player->OPENED);
        QCOMPARE(form4->RGB.RGBData, colours);
        strip().fill(marker);
        pollOnce();
        QCOMPARE(strip().pixel(1, 100), marker);
    }

    void rowWithoutColourDataPlaysWithoutStrip()
    {
        QVERIFY(QFile::remove(project + "/2.rgb"));
        doubleClickRow(2);
        QVERIFY(form4->isVisible());
        QVERIFY(form4->Player->OPENED);
        QCOMPARE(form4->windowTitle(), videoB);
        QCOMPARE(form4->RGB.RGBDataSize, 0);
        // With the viewer open behind the main window, a double-click brings it to the front.
        form1->activateWindow();
        QTRY_VERIFY(form1->isActiveWindow());
        doubleClickRow(2);
        QTRY_VERIFY(form4->isActiveWindow());
        QTRY_VERIFY_WITH_TIMEOUT(played(0.2), 10000);
        strip().fill(marker);
        pollOnce();
        QImage untouched = strip().copy();
        untouched.fill(marker);
        QCOMPARE(strip(), untouched);
        QVERIFY(dialogs->texts().filter("Failed").isEmpty());
        form4->close();
    }

    void failedRowOpensTheViewerToo()
    {
        const int shownBefore = dialogs->texts().size();
        doubleClickRow(3);
        QVERIFY(form4->isVisible());
        QVERIFY(!form4->Player->OPENED);
        QCOMPARE(form4->RGB.RGBDataSize, 0);
        // The player says why the video did not open.
        QCOMPARE(dialogs->texts().mid(shownBefore), QStringList({"Failed open file"}));
        form4->close();
    }

    void cleanupTestCase()
    {
        form4.reset();
        form2.reset();
        form1.reset();
    }
};

QTEST_MAIN(ViewerEndToEnd)
#include "viewer_e2e_qtest.moc"
