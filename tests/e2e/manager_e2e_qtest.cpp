// From videos to a search answer: the manager processes four generated videos
// (one of them broken) with the real tools, then the real search server, started
// on that project, finds a fragment cut by the analysis tool.
#include "add_videos_window.h"
#include "main_window.h"
#include "scripted_dialogs.h"
#include "search_transport.h"
#include "string_grid.h"
#include "test_support.h"
#include "video_status.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace manager;
using namespace testsupport;

namespace {

// Posts one search request as the client does; the answer text, empty on any failure.
QString postSearch(quint16 port, const QByteArray& query)
{
    client::HttpSearchTransport transport;
    return transport.post(client::make_search_request({"127.0.0.1", QString::number(port), "tester", "secret"}, query))
        .text;
}

} // namespace

class ManagerEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void processedProjectIsSearchableOnTheServer()
    {
        for (const QString program : {"Clipmeta", "KestralineAnalyzer", "KestralineServer"})
            QVERIFY2(QFile::exists(binDir() + "/" + program), qPrintable(program + " is not built"));
        QTemporaryDir dir;
        const QString videos = dir.filePath("videos"), project = dir.filePath("my project");
        QDir().mkpath(videos);
        QDir().mkpath(project);
        const QString a = videos + "/полосы.mkv", b = videos + "/mandelbrot.avi", c = videos + "/c.mp4";
        const QString broken = videos + "/broken.webm";
        QVERIFY(makeVideo(a, "testsrc2=size=96x64:rate=25", {"-c:v", "ffv1"}));
        QVERIFY(makeVideo(b, "mandelbrot=size=96x64:rate=25", {"-c:v", "mjpeg", "-q:v", "3"}));
        QVERIFY(makeVideo(c, "testsrc2=size=96x64:rate=25,hue=h=120", {"-c:v", "mpeg4", "-q:v", "3"}));
        writeBytes(broken, QByteArray("this is not a video at all, only some bytes"));

        // The manager builds the project with the real tools from the program folder.
        const QString db = project + "/Kestraline.db";
        ScriptedDialogs dialogs;
        TForm1 form1(binDir());
        TForm2 form2(form1);
        form1.SetWindows(&form2, nullptr, nullptr);
        dialogs.files.enqueue({db});
        form1.N3Click();
        dialogs.files.enqueue({a, b, broken, c});
        form2.BitBtn3Click();
        form2.BitBtn5Click();
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.texts().contains("Задание выполнено"), 120000);
        QCOMPARE(form2.StringGrid1->ColumnTexts(1),
                 QStringList({video_status_processed(), video_status_processed(), video_status_failed(), video_status_processed()}));
        QCOMPARE(sqliteShell(db, "select id,status,filename,fps,frames,width,height from video order by id;"),
                 "1|Обработан|полосы.mkv|25.0|75|96|64\n"
                 "2|Обработан|mandelbrot.avi|25.0|75|96|64\n"
                 "3|Ошибка|broken.webm|0.0|0|0|0\n"
                 "4|Обработан|c.mp4|25.0|75|96|64\n");
        for (int id : {1, 2, 4})
            QCOMPARE(QFileInfo(project + "/" + QString::number(id) + ".rgb").size(), qint64(75 * 3));
        QVERIFY(!QFile::exists(project + "/3.rgb"));
        QCOMPARE(form1.StringGrid1->RowCount(), 5);

        // The fragment: 0.8 s of the second video from 1 s on, i.e. 20 frames from frame 25.
        const QString fragment = dir.filePath("fragment.rgb");
        QCOMPARE(runProgram(binDir() + "/KestralineAnalyzer", {b, fragment, "1", "0.8"}), 0);
        const QByteArray query = readBytes(fragment);
        QCOMPARE(query.size(), 20 * 3);
        QCOMPARE(query, readBytes(project + "/2.rgb").mid(25 * 3, 20 * 3));

        // The real server on that project, from a folder of its own so that its
        // settings and logs stay out of the build's program folder.
        const QString access = dir.filePath("Access.db");
        sqliteShell(access, "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,active TEXT "
                            "DEFAULT 'Y',host TEXT,user TEXT,password TEXT );"
                            "insert into access (active,host,user,password) values ('Y','','tester','secret');");
        const QString serverFolder = dir.filePath("server");
        QDir().mkpath(serverFolder);
        QVERIFY(QFile::copy(binDir() + "/KestralineServer", serverFolder + "/KestralineServer"));
        const quint16 port = freeLocalPort();
        QProcess server;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        server.setProcessEnvironment(env);
        server.setWorkingDirectory(serverFolder);
        server.start(serverFolder + "/KestralineServer", {db, QString::number(port), access});
        QVERIFY(server.waitForStarted(10000));
        const auto stop = qScopeGuard([&server] {
            server.kill();
            server.waitForFinished(10000);
        });

        // The server loads the colour data shortly after it starts; ask until it answers.
        QString answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer = postSearch(port, query)).contains("<result>OK</result>"), 30000);
        QVERIFY2(answer.contains("<found>1</found>\n"), qPrintable(answer));
        QVERIFY2(answer.contains("<querylen>60</querylen>\n"), qPrintable(answer));
        QVERIFY2(answer.contains("<framepos>25</framepos>\n"), qPrintable(answer));
        QVERIFY2(answer.contains("<position>1</position>\n"), qPrintable(answer));
        QVERIFY2(answer.contains("<id>2</id>\n<filename>mandelbrot.avi</filename>\n"), qPrintable(answer));
    }
};

QTEST_MAIN(ManagerEndToEnd)
#include "manager_e2e_qtest.moc"
