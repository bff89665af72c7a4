#pragma once
// A running server core on 127.0.0.1 over a small project of six videos, with no window;
// the test starts its search thread when it wants.
#include "http_raw_client.h"
#include "server_core.h"
#include "sqlite_connection.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>


namespace servicetest {

const httptest::Credentials kUser {"user", "secret"};

// `count` colour triples from frame `first`: red the frame number mod 256, then green, then blue.
inline QByteArray triples(int first, int count, char green, char blue)
{
    QByteArray bytes;
    for (int i = first; i < first + count; ++i) {
        bytes.append(char(i % 256));
        bytes.append(green);
        bytes.append(i < 256 ? blue : char(i / 256));
    }
    return bytes;
}

// Video 1: frames (i, 1, 1). Video 2: (i % 256, 2, 2), from frame 256 on (i % 256, 2, 1).
// Video 3: (i, 3, 3), frame rate 0.
// Video 4 starts with video 1's frames 50..59. Video 5: one colour throughout. Video 6 failed.
inline QByteArray videoOneFrames(int first, int count) { return triples(first, count, 1, 1); }
inline QByteArray videoTwoFrames(int first, int count) { return triples(first, count, 2, 2); }
inline QByteArray videoThreeFrames(int first, int count) { return triples(first, count, 3, 3); }

// The body a client sends: the fixed part head, the query, the closing boundary.
inline QByteArray body(const QByteArray& query) { return httptest::searchBody(query); }

// Log lines without their time stamp; every line is "yyyy-MM-dd hh:mm:ss" TAB text CR LF.
inline QStringList withoutTimes(const QString& viewText)
{
    QStringList lines;
    for (const QString& line : viewText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines << line.mid(20);
    return lines;
}

class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureApplication();
        ASSERT_TRUE(folder.isValid());
        writeProject();
        ASSERT_TRUE(core.OpenProject(folder.filePath("Kestraline.db")));
        while (finder.LoadData()) {
        }
        ASSERT_TRUE(access.Create(folder.filePath("access.db")));
        ASSERT_TRUE(access.Add(true, "", kUser.user, kUser.password));
        ASSERT_TRUE(access.Add(true, "10.9.8.7", "far", "away"));
        ASSERT_TRUE(access.Add(false, "", "blocked", "pw"));
        port = testsupport::freeLocalPort();
        server::ServerSettings settings;
        settings.port = QString::number(port);
        settings.accessLog = folder.filePath("access.log");
        settings.errorsLog = folder.filePath("errors.log");
        ASSERT_TRUE(core.Start(settings));
        ASSERT_EQ(requestLog(), QStringList{"Server started"});
    }

    // A request still waiting needs its batch before the server can stop.
    void TearDown() override { startWorker(); }

    void startWorker() { core.StartSearchThread(); }

    httptest::RawResponse search(const QByteArray& query,
                                 const std::optional<httptest::Credentials>& credentials = kUser)
    {
        return post(body(query), credentials);
    }
    httptest::RawResponse post(const QByteArray& rawBody,
                               const std::optional<httptest::Credentials>& credentials = kUser)
    {
        return httptest::exchange(port, httptest::postRequest(rawBody, credentials));
    }

    QStringList requestLog() { return withoutTimes(log.TakeRequestViewText()); }
    QStringList errorLog() { return withoutTimes(log.TakeErrorViewText()); }
    int32_t count(STAT_INDEX index) const { return stat.current[index].load(); }

    QTemporaryDir folder;
    server::ServerCore core {MessageSink(), QStringLiteral("127.0.0.1")};
    KESTRALINE_FINDER& finder = core.finder();
    KESTRALINE_ACCESS& access = core.access();
    KESTRALINE_STAT& stat = core.stat();
    KESTRALINE_LOG& log = core.log();
    SearchService& service = core.service();
    HttpServer& server = core.http();
    quint16 port = 0;

private:
    void writeProject()
    {
        // Written in process: a child program would leave ThreadSanitizer blind to this
        // thread's locks for the rest of the test.
        SqliteConnection database(QStringLiteral("service_test_project"));
        ASSERT_TRUE(database.open(folder.filePath("Kestraline.db"), false));
        database.execDirect(testsupport::CREATE_VIDEO_TABLE);
        const QStringList statements = QStringLiteral(
            "INSERT INTO video VALUES (1,'Обработан','Клип <один> & два.mp4','/v/1.mp4',25,8,200,320,240,"
            "'a<b & \"c\" > d');"
            "INSERT INTO video VALUES (2,'Обработан','second.avi','/v/2.avi',29.97,10.01,300,640,480,'');"
            "INSERT INTO video VALUES (3,'Обработан','zero-rate.mkv','/v/3.mkv',0,0,50,160,120,NULL);"
            "INSERT INTO video VALUES (4,'Обработан','copy.mov','/v/4.mov',30,3.3333333,100,1920,1080,'копия');"
            "INSERT INTO video VALUES (5,'Обработан','twice.webm','/v/5.webm',25,0.8,20,8,8,'');"
            "INSERT INTO video VALUES (6,'Ошибка','broken.avi','/v/6.avi',25,1,25,8,8,'')")
                                            .split(QLatin1Char(';'));
        for (const QString& statement : statements)
            database.execDirect(statement);
        database.close();
        testsupport::writeBytes(folder.filePath("1.rgb"), videoOneFrames(0, 200));
        testsupport::writeBytes(folder.filePath("2.rgb"), videoTwoFrames(0, 300));
        testsupport::writeBytes(folder.filePath("3.rgb"), videoThreeFrames(0, 50));
        testsupport::writeBytes(folder.filePath("4.rgb"), videoOneFrames(50, 10) + triples(10, 90, 4, 4));
        testsupport::writeBytes(folder.filePath("5.rgb"), QByteArray(60, char(9)));
        testsupport::writeBytes(folder.filePath("6.rgb"), QByteArray(75, char(6)));
    }
};

} // namespace servicetest
