// The system's main use from end to end: the real search server on a project
// made by the real tools from three generated videos, and the real client window
// playing one of them through libmpv, paused and moved to a frame, pressing
// "Искать фрагмент".
#include "../player/numbered_frames.h"
#include "clipmeta.h"
#include "mpv_backend.h"
#include "scripted_dialogs.h"
#include "search_transport.h"
#include "string_grid.h"
#include "test_support.h"
#include "tform1.h"
#include "tform6.h"
#include "tform7.h"
#include "player_widgets.h"
#include "video_player.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace client;
using namespace testsupport;

namespace {

// Processes a video with the real tools into row `id` of the project.
bool addVideo(const QString& project, int id, const QString& video)
{
    CLIPMETA tools;
    tools.tooldir = binDir();
    tools.workdir = QFileInfo(project).path();
    tools.SetFiles(video, tools.workdir + "/" + QString::number(id) + ".rgb");
    if (!tools.GetClipmeta() || !tools.GetVideoAnalysis())
        return false;
    sqliteShell(project, QString("INSERT INTO video VALUES(%1,'Обработан','%2','%3',%4,%5,%6,%7,%8,'');")
                             .arg(id)
                             .arg(QFileInfo(video).fileName(), video)
                             .arg(tools.fps)
                             .arg(tools.duration)
                             .arg(tools.frames)
                             .arg(tools.width)
                             .arg(tools.height));
    return true;
}

// The client's windows as start-up makes them, the main window shown.
struct ClientWindows {
    explicit ClientWindows(const QString& folder)
        : form1(folder), form6(form1.Settings, [this] { form1.WriteIniExecute(); }, &form1), form7(&form1)
    {
        form1.SetWindows(&form6, &form7, nullptr);
        form1.show();
    }
    TForm1 form1;
    TForm6 form6;
    TForm7 form7;
};

// Opens `video` through the menu, pauses and moves `seconds` forward from its start.
void openPaused(TForm1& form1, ScriptedDialogs& dialogs, const QString& video, int seconds)
{
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    dialogs.files.enqueue({video});
    form1.N3Click();
    QVERIFY2(form1.Player->OPENED, qPrintable(dialogs.texts().join("; ")));
    form1.BitBtn4->click();  // "Пауза"
    form1.BitBtn1->click();  // "< 1 мин": back to the start
    for (int s = 0; s < seconds; ++s)
        form1.BitBtn5->click();  // "1 сек >"
}

} // namespace

class ClientEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString project, serverFolder, clientFolder, mkv, mp4, mkv2997, numbered, cut;
    QStringList stored;
    quint16 port = 0;
    QProcess server;

private slots:
    void initTestCase()
    {
        for (const QString program : {"Clipmeta", "KestralineAnalyzer", "KestralineServer"})
            QVERIFY2(QFile::exists(binDir() + "/" + program), qPrintable(program + " is not built"));
        const QString videos = dir.filePath("videos");
        QDir().mkpath(videos);
        QDir().mkpath(dir.filePath("project"));
        mkv = videos + "/полосы.mkv";
        mp4 = videos + "/mandelbrot clip.mp4";
        QVERIFY(makeVideo(mkv, "testsrc2=size=128x72:rate=25", {"-c:v", "ffv1"}, 4));
        QVERIFY(makeVideo(mp4, "mandelbrot=size=128x72:rate=25",
                          {"-c:v", "libx264", "-bf", "2", "-g", "30", "-pix_fmt", "yuv420p"}, 4));
        // Frames that carry their number, at 29.97 fps, with sound that starts
        // before the picture as in many recordings.
        mkv2997 = videos + "/кадры 29.97.mkv";
        QVERIFY(makeVideo(mkv2997, numberedframes::numberedSource("30000/1001", "6"),
                          {"-f", "lavfi", "-i", "sine=d=6", "-vf", "setpts=PTS+0.2/TB", "-c:v", "libx264", "-bf", "2",
                           "-g", "30", "-pix_fmt", "yuv420p", "-c:a", "aac"},
                          6));
        // A numbered video with a key frame every second, and a piece of it cut
        // without decoding, as trimming tools do: an MP4 edit list that starts
        // after a key frame. The cut is searched, not stored.
        numbered = videos + "/numbered.mp4";
        QVERIFY(makeVideo(numbered, numberedframes::numberedSource("25", "8"),
                          {"-c:v", "libx264", "-bf", "3", "-g", "25", "-pix_fmt", "yuv420p"}, 8));
        cut = videos + "/cut.mp4";
        QCOMPARE(runProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-ss", "3.3", "-i", numbered, "-t", "4",
                                       "-c", "copy", cut}),
                 0);
        project = dir.filePath("project/Kestraline.db");
        sqliteShell(project, CREATE_VIDEO_TABLE);
        stored = {QString(), mkv, mp4, mkv2997, numbered};  // by id
        for (int id = 1; id < stored.size(); ++id)
            QVERIFY(addVideo(project, id, stored[id]));

        const QString access = dir.filePath("Access.db");
        sqliteShell(access, "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT "
                            "DEFAULT 'Y',host TEXT,user TEXT,password TEXT );"
                            "insert into access (active,host,user,password) values ('Y','','tester','secret');");
        // The server and the client each run from a program folder of their own.
        serverFolder = dir.filePath("server");
        clientFolder = dir.filePath("client");
        QDir().mkpath(serverFolder);
        QDir().mkpath(clientFolder);
        QVERIFY(QFile::copy(binDir() + "/KestralineServer", serverFolder + "/KestralineServer"));
        QVERIFY(QFile::copy(binDir() + "/KestralineAnalyzer", clientFolder + "/KestralineAnalyzer"));
        port = freeLocalPort();
        writeBytes(clientFolder + "/KestralineClient.ini",
                   "[Client]\r\nHost=127.0.0.1\r\nPort=" + QByteArray::number(port) +
                       "\r\nUser=tester\r\nPassword=secret\r\n");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KESTRALINE_SERVER_BIND_ADDRESS", "127.0.0.1");
        server.setProcessEnvironment(env);
        server.start(serverFolder + "/KestralineServer", {project, QString::number(port), access});
        QVERIFY(server.waitForStarted(10000));

        // The server loads the colour data about a second after it starts.
        HttpSearchTransport transport;
        const QByteArray lastFrames = readBytes(dir.filePath("project/2.rgb")).right(30);
        const ConnectionSettings settings{"127.0.0.1", QString::number(port), "tester", "secret"};
        QTRY_VERIFY_WITH_TIMEOUT(transport.post(make_search_request(settings, lastFrames)).text.contains("<found>1<"),
                                 20000);
    }

    void cleanupTestCase()
    {
        server.kill();
        server.waitForFinished(10000);
    }

    // "Играть" clicked while a slow server answers does nothing: the window waits
    // for the answer with its input and the player's timers held, so the frame on
    // screen and the pause stay as the search found them.
    void playClickedWhileTheServerIsSlowChangesNothing()
    {
        ScriptedDialogs dialogs;
        ClientWindows client(clientFolder);
        TForm1& form1 = client.form1;
        openPaused(form1, dialogs, mkv, 1);
        QTRY_COMPARE_WITH_TIMEOUT(form1.StatusBar1->panelText(3), QString("Кадр: 25"), 5000);

        // Answers a second after the whole request has arrived; "Играть" is
        // clicked as soon as it has.
        QTcpServer slow;
        QVERIFY(slow.listen(QHostAddress::LocalHost, 0));
        QByteArray received;
        bool timersRan = true;
        connect(&slow, &QTcpServer::newConnection, &slow, [&] {
            QTcpSocket* socket = slow.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
                received += socket->readAll();
                if (!received.endsWith("--\r\n"))
                    return;
                timersRan = form1.Timer2->isActive();
                QTest::mouseClick(form1.BitBtn3, Qt::LeftButton);
                QTimer::singleShot(1000, socket, [socket] {
                    const QByteArray answer = "<xml>\n<found>0</found>\n</xml>\n";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                                  QByteArray::number(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer);
                    socket->disconnectFromHost();
                });
            });
        });
        form1.Settings.Host = "127.0.0.1";
        form1.Settings.Port = QString::number(slow.serverPort());
        form1.BitBtn7->click();  // "Искать фрагмент"

        QVERIFY2(dialogs.texts().isEmpty(), qPrintable(dialogs.texts().join("; ")));
        QVERIFY(client.form7.isVisible());
        QCOMPARE(client.form7.Value(0), QString("0"));
        QVERIFY(form1.Player->PAUSED);
        QTest::qWait(600);  // polls run again
        QCOMPARE(form1.StatusBar1->panelText(3), QString("Кадр: 25"));
        QCOMPARE(form1.Player->CurFrame, 25);
        QVERIFY(!timersRan);
    }

    // Opens `video`, pauses, moves `seconds` forward while paused and searches
    // for the fragment at the frame on screen: `frame` of video `id`, or where
    // that is -1, the number the picture on screen carries.
    void searchesTheFrameOnScreen_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("frame");
        QTest::newRow("mkv") << mkv << 1 << 1 << 25;
        QTest::newRow("mp4") << mp4 << 2 << 2 << 50;
        QTest::newRow("mkv at 29.97 fps, sound first") << mkv2997 << 3 << 3 << -1;
        QTest::newRow("stream-copied cut of a stored video") << cut << 1 << 4 << -1;
    }

    void searchesTheFrameOnScreen()
    {
        QFETCH(QString, video);
        QFETCH(int, seconds);
        QFETCH(int, id);
        QFETCH(int, frame);
        ScriptedDialogs dialogs;
        ClientWindows client(clientFolder);
        TForm1& form1 = client.form1;
        TForm7& form7 = client.form7;
        openPaused(form1, dialogs, video, seconds);
        int shown = frame;  // the frame's number in the video played
        if (frame < 0) {
            // The picture carries its number in the stored video; the played one
            // counts its own frames from its frame 0.
            const QVector<int> numbers = numberedframes::numbersInFile(video);
            const auto& engine = static_cast<player::MpvBackend&>(form1.Player->backend());
            const auto onScreen = [&engine] { return numberedframes::frameOnScreen(engine.renderedFrame()); };
            QTRY_VERIFY_WITH_TIMEOUT(numbers.contains(onScreen()) &&
                                         form1.StatusBar1->panelText(3) ==
                                             QString("Кадр: %1").arg(numbers.indexOf(onScreen())),
                                     5000);
            frame = onScreen();
            shown = numbers.indexOf(frame);
            QVERIFY2(qAbs(shown - seconds * form1.Player->fps) <= 1, qPrintable(QString::number(shown)));
        }
        QTRY_COMPARE_WITH_TIMEOUT(form1.StatusBar1->panelText(3), QString("Кадр: %1").arg(shown), 5000);

        form1.BitBtn7->click();  // "Искать фрагмент"
        QVERIFY2(dialogs.texts().isEmpty(), qPrintable(dialogs.texts().join("; ")));
        QVERIFY(form7.isVisible());
        QCOMPARE(form7.Value(0), QString("1"));
        QCOMPARE(form7.Value(1), QString("50"));
        QCOMPARE(form7.Value(3), QString::number(frame));
        QCOMPARE(form7.Value(4), QString::number(id));
        QCOMPARE(form7.Value(5), QFileInfo(stored[id]).fileName());
        QVERIFY(form1.Player->PAUSED);
        QTRY_VERIFY(readBytes(serverFolder + "/access.log")
                        .contains(QString("\ttester\tfound=1\tquerylen=150\tframepos=%1\t").arg(frame).toUtf8()));
    }
};

QTEST_MAIN(ClientEndToEnd)
#include "client_e2e_qtest.moc"
