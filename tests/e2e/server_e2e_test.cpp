// KestralineServer as a user runs it: the real program on a hand-made project,
// given the project, the port and the access database on its command line,
// answering search requests framed by the client's own code, and ending after
// the error box when it cannot come up.
#include "search_request.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

struct Reply {
    int status = 0;
    QByteArray headers;
    QByteArray body;
};

Reply post(quint16 port, const QByteArray& user, const QByteArray& password, const QByteArray& query)
{
    // The body exactly as the client frames it.
    const QByteArray body = client::search_request_body(query);
    QByteArray request = "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    request += "Content-Type: " + client::search_request_content_type() + "\r\n";
    request += "Authorization: Basic " + (user + ":" + password).toBase64() + "\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    Reply reply;
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(2000))
        return reply;
    socket.write(request);
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(5000))
        raw += socket.readAll();
    raw += socket.readAll();
    const int split = raw.indexOf("\r\n\r\n");
    if (split < 0)
        return reply;
    reply.headers = raw.left(split);
    reply.body = raw.mid(split + 4);
    reply.status = raw.mid(9, 3).toInt();
    return reply;
}

QByteArray colours(int id, int frames)
{
    QByteArray data;
    for (int frame = 0; frame < frames; ++frame)
        data.append(char(id * 50)).append(char(frame * 3)).append(char(255 - frame));
    return data;
}

// Waits until the program `pid` has made its application object, whose event loop
// takes a descriptor of its own (an eventfd) at once: from then on the program's own
// code runs. False when none came within 10 s.
bool waitForApplicationObject(qint64 pid)
{
    const QString descriptors = QString("/proc/%1/fd").arg(pid);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
        for (const QString& fd : QDir(descriptors).entryList(QDir::Files | QDir::System)) {
            char target[64] = {};
            const QByteArray link = QFile::encodeName(descriptors + "/" + fd);
            if (::readlink(link.constData(), target, sizeof target - 1) > 0 && std::strstr(target, "[eventfd]"))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

class ServerProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        // The program reads its settings file from its own folder: run a copy in a
        // folder of this test, so the build's program folder stays untouched.
        programFolder = temp.path() + "/bin";
        QDir().mkpath(programFolder);
        program = programFolder + "/KestralineServer";
        ASSERT_TRUE(QFile::copy(testsupport::binDir() + "/KestralineServer", program));

        const QString projectFolder = temp.path() + "/project";
        QDir().mkpath(projectFolder);
        project = projectFolder + "/Kestraline.db";
        QString sql = testsupport::CREATE_VIDEO_TABLE;
        for (int id = 1; id <= 2; ++id) {
            sql += QString("INSERT INTO video VALUES(%1,'Обработан','clip%1.mp4','%2/clip%1.mp4',25,2,50,"
                           "64,48,'демо');")
                       .arg(id)
                       .arg(projectFolder);
            testsupport::writeBytes(projectFolder + QString("/%1.rgb").arg(id), colours(id, 50));
        }
        testsupport::sqliteShell(project, sql);
        access = temp.path() + "/Access.db";
        testsupport::sqliteShell(access,
                                 "CREATE TABLE access (id INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,"
                                 "active TEXT DEFAULT 'Y',host TEXT,user TEXT,password TEXT );"
                                 "INSERT INTO access (active,host,user,password) VALUES('Y','','demo','demo');");
        port = testsupport::freeLocalPort();
    }

    // Starts the program with `arguments`; its message boxes are answered at once
    // and written to `boxes`, or else wait as for a user who is away.
    void launch(const QStringList& arguments, bool answerBoxes = true)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KESTRALINE_SERVER_BIND_ADDRESS", "127.0.0.1");
        if (answerBoxes)
            environment.insert("KESTRALINE_ANSWER_BOXES", boxes);
        server.setProcessEnvironment(environment);
        server.setProcessChannelMode(QProcess::ForwardedChannels);
        server.start(program, arguments);
        ASSERT_TRUE(server.waitForStarted(10000));
    }

    // The program ended on its own, with the status 1 of a start-up that failed.
    void expectEndedByItself()
    {
        ASSERT_TRUE(server.waitForFinished(20000));
        EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(server.exitCode(), 1);
    }

    // The message boxes shown so far, one "caption<TAB>text<TAB>buttons<TAB>icon" each.
    QStringList shownBoxes() const
    {
        return QString::fromUtf8(testsupport::readBytes(boxes)).split('\n', Qt::SkipEmptyParts);
    }

    void TearDown() override
    {
        server.terminate();
        if (!server.waitForFinished(5000)) {
            server.kill();
            server.waitForFinished(5000);
        }
    }

    // Posts until the answer says the fragment was found (the videos load about a
    // second after start-up), at most 20 s.
    Reply postUntilFound(const QByteArray& query)
    {
        QElapsedTimer waited;
        waited.start();
        Reply reply;
        while (waited.elapsed() < 20000) {
            reply = post(port, "demo", "demo", query);
            if (reply.body.contains("<result>OK</result>"))
                break;
            QThread::msleep(100);
        }
        return reply;
    }

    QTemporaryDir temp;
    QString programFolder, program, project, access;
    QString boxes = temp.path() + "/boxes.txt";
    quint16 port = 0;
    QProcess server;
};

// The program serving the project on a free port.
class RunningServer : public ServerProgram {
protected:
    void SetUp() override
    {
        ServerProgram::SetUp();
        launch({project, QString::number(port), access});
    }
};

// A start-up error is shown in the error box, then the program ends without its
// message loop and with the status 1: the service never answers and nothing is
// written at its end.
TEST_F(ServerProgram, ATakenPortAtStartUpIsShownAndEndsTheProgram)
{
    QTcpServer blocker;
    ASSERT_TRUE(blocker.listen(QHostAddress::LocalHost, 0));
    launch({project, QString::number(blocker.serverPort()), access});
    expectEndedByItself();
    const QStringList shown = shownBoxes();
    ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
    const QStringList box = shown.first().split('\t');
    ASSERT_EQ(box.size(), 4);
    EXPECT_EQ(box[0], "Kestraline Server");
    EXPECT_TRUE(box[1].contains(QString::number(blocker.serverPort()))) << box[1].toStdString();
    EXPECT_EQ(box[3], QString::number(int(QMessageBox::Critical)));
    EXPECT_FALSE(QFile::exists(programFolder + "/access.log"));
    EXPECT_FALSE(QFile::exists(programFolder + "/KestralineServer.ini"));
}

TEST_F(ServerProgram, AnAccessDatabaseWithoutItsTableAtStartUpEndsTheProgram)
{
    const QString junk = temp.path() + "/junk-access.db";
    testsupport::sqliteShell(junk, "CREATE TABLE other (x);");
    launch({project, QString::number(port), junk});
    expectEndedByItself();
    const QStringList shown = shownBoxes();
    ASSERT_EQ(shown.size(), 1) << shown.join('\n').toStdString();
    EXPECT_TRUE(shown.first().contains("no such table: access")) << shown.first().toStdString();
    // The service was never started: the port is still free.
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, port));
    EXPECT_EQ(testsupport::sqliteShell(junk, "select name from sqlite_master;"), "other\n");
}

// SIGTERM (a kill) and SIGINT (Ctrl+C) at any moment of the start-up, also before
// the windows exist and while a start-up box waits for a user who is away (an access
// database that does not open), end the program as the menu's exit does: with status
// 0, and the service it started stopped in the request log.
TEST_F(ServerProgram, ATerminationSignalEarlyInTheStartUpEndsItAsTheMenusExitDoes)
{
    const QString missingAccess = temp.path() + "/missing/Access.db";
    const struct {
        int signal;
        int afterMicroseconds; // after the application object was made
        bool boxWaits = false;
    } moments[] = {{SIGTERM, 0},     {SIGINT, 0},      {SIGTERM, 500},   {SIGINT, 2000},
                   {SIGTERM, 5000},  {SIGTERM, 10000}, {SIGINT, 20000},  {SIGTERM, 40000},
                   {SIGTERM, 80000}, {SIGINT, 160000}, {SIGTERM, 0, true}, {SIGINT, 300000, true}};
    const QString requestLog = programFolder + "/access.log";
    for (const auto& moment : moments) {
        SCOPED_TRACE(testing::Message() << "signal " << moment.signal << " after " << moment.afterMicroseconds
                                        << " us" << (moment.boxWaits ? ", a box waiting" : ""));
        QFile::remove(requestLog);
        port = testsupport::freeLocalPort();
        launch({project, QString::number(port), moment.boxWaits ? missingAccess : access}, !moment.boxWaits);
        ASSERT_TRUE(waitForApplicationObject(server.processId()));
        std::this_thread::sleep_for(std::chrono::microseconds(moment.afterMicroseconds));
        ASSERT_EQ(::kill(pid_t(server.processId()), moment.signal), 0);
        ASSERT_TRUE(server.waitForFinished(20000));
        EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(server.exitCode(), 0);
        const QByteArray lines = QFile::exists(requestLog) ? testsupport::readBytes(requestLog) : QByteArray();
        EXPECT_TRUE(lines.contains("\tServer started\r\n")) << lines.constData();
        EXPECT_TRUE(lines.endsWith("\tServer stopped\r\n")) << lines.constData();
    }
}

TEST_F(RunningServer, FindsAFragmentAndRefusesAWrongPassword)
{
    // Frames 7 to 16 of video 2.
    const QByteArray query = colours(2, 50).mid(7 * 3, 10 * 3);
    const Reply found = postUntilFound(query);
    EXPECT_EQ(found.status, 200);
    EXPECT_EQ(found.body, QByteArray("<xml>\n<result>OK</result>\n<found>1</found>\n<querylen>30</querylen>\n"
                                     "<position>0.280000001192093</position>\n<framepos>7</framepos>\n<id>2</id>\n"
                                     "<filename>clip2.mp4</filename>\n<fps>25</fps>\n<duration>2</duration>\n"
                                     "<frames>50</frames>\n<width>64</width>\n<height>48</height>\n"
                                     "<comment>демо</comment>\n</xml>\n"));

    const Reply refused = post(port, "demo", "wrong", query);
    EXPECT_EQ(refused.status, 401);
    EXPECT_TRUE(refused.headers.toLower().contains("www-authenticate: basic realm=\"authorize please\""));

    const Reply notFound = post(port, "demo", "demo", QByteArray(30, char(1)));
    EXPECT_TRUE(notFound.body.startsWith("<xml>\n<result>Not found</result>\n<found>0</found>\n"));

    // A kill ends the program like the menu's exit: the service stops, the logs
    // are complete, and the settings file is not written.
    server.terminate();
    ASSERT_TRUE(server.waitForFinished(10000));
    EXPECT_EQ(server.exitStatus(), QProcess::NormalExit);
    const QByteArray requestLog = testsupport::readBytes(programFolder + "/access.log");
    EXPECT_TRUE(requestLog.contains("\tServer started\r\n"));
    EXPECT_TRUE(requestLog.contains("\tdemo\tfound=1\tquerylen=30\tframepos=7\t"));
    EXPECT_TRUE(requestLog.endsWith("\tServer stopped\r\n"));
    EXPECT_TRUE(testsupport::readBytes(programFolder + "/errors.log").contains("Not authorized\t127.0.0.1\tdemo"));
    EXPECT_FALSE(QFile::exists(programFolder + "/KestralineServer.ini"));
}

TEST_F(RunningServer, ServesAgainAfterTheFirstAnswers)
{
    // Several requests in a row, each on its own connection, all answered.
    for (int start = 0; start + 5 <= 50; start += 9) {
        const QByteArray query = colours(1, 50).mid(start * 3, 5 * 3);
        const Reply reply = postUntilFound(query);
        EXPECT_TRUE(reply.body.contains(QByteArray("<framepos>") + QByteArray::number(start) + "</framepos>"))
            << reply.body.constData();
    }
}

} // namespace
