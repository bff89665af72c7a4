// The search request as it leaves the client: the body framed byte for byte as
// the server cuts it, and the HTTP exchange against a small local listener that
// records what arrives and answers as told.
#include "search_request.h"
#include "search_transport.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTimer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace client;

#ifdef __SANITIZE_THREAD__
// Qt Network does the HTTP work on a thread of its own and hands results over
// through Qt's event queue, whose futex-based locks an uninstrumented Qt hides
// from ThreadSanitizer; the client's own code here runs on one thread.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Network.so.6\n"
           "called_from_lib:libglib-2.0.so.0\n";
}
#endif

namespace {

QByteArray queryOf(int frames)
{
    QByteArray query;
    for (int i = 0; i < frames * 3; ++i)
        query.append(char((i * 37 + 11) % 256));
    return query;
}

TEST(SearchRequestBody, HasTheFixedPartHeadAndTailAroundTheQuery)
{
    for (int frames : {50, 1000}) {
        const QByteArray query = queryOf(frames);
        const QByteArray body = search_request_body(query);
        ASSERT_EQ(body.size(), 182 + query.size() + 31) << frames;
        const QByteArray head = body.left(182);
        const QByteArray boundary = head.mid(2, 23);
        EXPECT_EQ(head, "--" + boundary + "\r\n"
                        "Content-Disposition: form-data; name=\"file\"; filename=\"KestralineClient.tmp\"\r\n"
                        "Content-Type: application/octet-stream\r\n"
                        "Content-Transfer-Encoding: binary\r\n\r\n");
        EXPECT_EQ(body.mid(182, query.size()), query);
        EXPECT_EQ(body.right(31), "\r\n--" + boundary + "--\r\n");
        EXPECT_EQ(search_request_content_type(), "multipart/form-data; boundary=" + boundary);
        EXPECT_FALSE(boundary.contains('\r') || boundary.contains('"') || boundary.contains(' '));
    }
}

TEST(SearchRequestBody, UrlIsHostAndPortAsTyped)
{
    EXPECT_EQ(search_url({"127.0.0.1", "1080", "", ""}).toString(), "http://127.0.0.1:1080/post");
    EXPECT_EQ(search_url({"server.local", "8080", "", ""}).toString(), "http://server.local:8080/post");
    EXPECT_FALSE(search_url({"127.0.0.1", "port", "", ""}).isValid());
}

// Answers every connection with `reply` once a whole request (head and body of
// its Content-Length) has arrived, and keeps what arrived.
class RecordingListener {
public:
    explicit RecordingListener(QByteArray reply) : reply(std::move(reply))
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] {
                received += socket->readAll();
                const int end = received.indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const int lengthAt = received.toLower().indexOf("content-length:");
                const int length = received.mid(lengthAt + 15, received.indexOf("\r\n", lengthAt) - lengthAt - 15)
                                       .trimmed()
                                       .toInt();
                if (received.size() >= end + 4 + length) {
                    socket->write(this->reply);
                    socket->disconnectFromHost();
                }
            });
        });
        server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return server.serverPort(); }
    QByteArray head() const { return received.left(received.indexOf("\r\n\r\n") + 2); }
    QByteArray body() const { return received.mid(received.indexOf("\r\n\r\n") + 4); }

private:
    QTcpServer server;
    QByteArray reply;
    QByteArray received;
};

SearchRequest requestTo(quint16 port, const QByteArray& query, const QString& password = "580264")
{
    return make_search_request({"127.0.0.1", QString::number(port), "qoda", password}, query);
}

class SearchExchangeTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureApplication(); }
    HttpSearchTransport transport;
};

TEST_F(SearchExchangeTest, SendsTheDesignedHeadersAndBodyAndReadsTheAnswerAsUtf8)
{
    const QByteArray answer = "<xml>\n<found>1</found>\n<filename>клип.mp4</filename>\n</xml>\n";
    RecordingListener listener("HTTP/1.1 200 OK\r\nCache-Control: no-cache\r\n"
                               "Content-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                               QByteArray::number(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer);
    const QByteArray query = queryOf(50);
    const SearchExchange exchange = transport.post(requestTo(listener.port(), query, "пароль"));

    EXPECT_EQ(exchange.outcome, SearchExchange::Answered);
    EXPECT_EQ(exchange.text, QString::fromUtf8(answer));
    const QByteArray head = listener.head();
    EXPECT_TRUE(head.startsWith("POST /post HTTP/1.1\r\n")) << head.constData();
    // Credentials go with the first request, not only after a challenge.
    EXPECT_TRUE(head.contains("Authorization: Basic " + QString("qoda:пароль").toUtf8().toBase64() + "\r\n"));
    EXPECT_TRUE(head.contains("User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
    EXPECT_TRUE(head.contains("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"));
    EXPECT_TRUE(head.contains("Content-Type: " + search_request_content_type() + "\r\n"));
    EXPECT_EQ(listener.body(), search_request_body(query));
}

TEST_F(SearchExchangeTest, RefusalOtherErrorsAndNoServerAreTold)
{
    RecordingListener refusing("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"Authorize please\"\r\n"
                               "Content-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(transport.post(requestTo(refusing.port(), queryOf(10))).outcome, SearchExchange::Refused);

    RecordingListener failing("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n"
                              "Connection: close\r\n\r\nerror");
    const SearchExchange failed = transport.post(requestTo(failing.port(), queryOf(10)));
    EXPECT_EQ(failed.outcome, SearchExchange::Failed);
    EXPECT_TRUE(failed.text.isEmpty());

    EXPECT_EQ(transport.post(requestTo(testsupport::freeLocalPort(), queryOf(10))).outcome, SearchExchange::Failed);
    // No settings file: empty host and port.
    EXPECT_EQ(transport.post(make_search_request({}, queryOf(10))).outcome, SearchExchange::Failed);
}

// Last in this file: after the application's quit no event loop runs again.
TEST_F(SearchExchangeTest, AWaitCutShortByQuitIsAFailure)
{
    QTcpServer silent;  // accepts, never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    // What the application's quit does once its main loop runs: exit every loop.
    QTimer::singleShot(200, qApp, [] { QCoreApplication::exit(0); });
    const SearchExchange exchange = transport.post(requestTo(silent.serverPort(), queryOf(10)));
    EXPECT_EQ(exchange.outcome, SearchExchange::Failed);
}

} // namespace
