// The search request as it leaves the client: the body framed byte for byte as
// the server cuts it, and the HTTP exchange against a small local listener that
// records what arrives and answers as told.
#include "search_request.h"
#include "search_transport.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace client;

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

// Counts its connections and keeps each one's request; once a whole request
// (head and body of its Content-Length) has arrived it sends the reply for that
// connection (the last reply for all further ones), or, when that is empty,
// closes the connection without a byte.
class RecordingListener {
public:
    explicit RecordingListener(QByteArray reply = {}) : replies{std::move(reply)}
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            const int index = requests.size();
            requests.append(QByteArray());
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, index] {
                QByteArray& received = requests[index];
                received += socket->readAll();
                const int end = received.indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const int lengthAt = received.toLower().indexOf("content-length:");
                const int length = lengthAt < 0 ? 0
                                                : received.mid(lengthAt + 15, received.indexOf("\r\n", lengthAt) - lengthAt - 15)
                                                      .trimmed()
                                                      .toInt();
                if (received.size() >= end + 4 + length) {
                    socket->write(replies.value(index, replies.last()));
                    socket->disconnectFromHost();
                }
            });
        });
        server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return server.serverPort(); }
    int connections() const { return requests.size(); }
    QByteArray head(int i = 0) const { return requests.value(i).left(requests.value(i).indexOf("\r\n\r\n") + 2); }
    QByteArray body(int i = 0) const { return requests.value(i).mid(requests.value(i).indexOf("\r\n\r\n") + 4); }

    QList<QByteArray> replies;

private:
    QTcpServer server;
    QList<QByteArray> requests;
};

QByteArray answerWith(const QByteArray& status, const QByteArray& headers, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

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

// Redirects are followed as before; the credentials go only to the origin
// (scheme, host and port) they were given for.
TEST_F(SearchExchangeTest, RedirectsKeepTheCredentialsToTheirOrigin)
{
    const QByteArray answer = "<xml>\n<found>1</found>\n</xml>\n";
    const QByteArray answered = answerWith("200 OK", "Content-Type: text/plain; charset=utf-8\r\n", answer);
    struct Case {
        QByteArray status;
        QByteArray location;   // HERE: the redirecting listener's port; THERE: another listener's
        QByteArray requestLine;  // of the redirected request
        bool credentials;      // sent with the redirected request
    };
    const QList<Case> cases = {
        {"307 Temporary Redirect", "/moved", "POST /moved", true},
        {"308 Permanent Redirect", "http://127.0.0.1:HERE/moved", "POST /moved", true},
        {"307 Temporary Redirect", "http://localhost:HERE/moved", "POST /moved", false},  // another host name
        {"307 Temporary Redirect", "http://127.0.0.1:THERE/post", "POST /post", false},   // another port
        {"302 Found", "http://127.0.0.1:THERE/post", "GET /post", false},
    };
    const QByteArray query = queryOf(20);
    const QByteArray credentials = "Authorization: Basic " + QByteArray("qoda:580264").toBase64() + "\r\n";
    for (const Case& c : cases) {
        RecordingListener redirecting, other(answered);
        const QByteArray location = QByteArray(c.location)
                                        .replace("THERE", QByteArray::number(other.port()))
                                        .replace("HERE", QByteArray::number(redirecting.port()));
        redirecting.replies = {answerWith(c.status, "Location: " + location + "\r\n", ""), answered};
        const std::string name = (c.status + " to " + location).toStdString();

        const SearchExchange exchange = transport.post(requestTo(redirecting.port(), query));
        EXPECT_EQ(exchange.outcome, SearchExchange::Answered) << name;
        EXPECT_EQ(exchange.text, QString::fromUtf8(answer)) << name;
        EXPECT_TRUE(redirecting.head(0).contains(credentials)) << name;
        const bool back = c.location.contains("THERE") == false;
        RecordingListener& second = back ? redirecting : other;
        const QByteArray head = second.head(back ? 1 : 0);
        EXPECT_EQ(redirecting.connections() + other.connections(), 2) << name;
        EXPECT_TRUE(head.startsWith(c.requestLine + " HTTP/1.1\r\n")) << name << head.constData();
        EXPECT_EQ(head.contains("Authorization:"), c.credentials) << name;
        EXPECT_TRUE(head.contains("User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n")) << name;
        if (c.requestLine.startsWith("POST")) {
            EXPECT_EQ(second.body(back ? 1 : 0), search_request_body(query)) << name;
        }
    }
}

// One request, one attempt: a connection closed without an answer is not sent
// again, and the exchange fails.
TEST_F(SearchExchangeTest, AConnectionClosedWithoutAnAnswerIsNotResent)
{
    RecordingListener closing;  // reads the whole request, answers nothing
    const SearchExchange exchange = transport.post(requestTo(closing.port(), queryOf(50)));
    EXPECT_EQ(exchange.outcome, SearchExchange::Failed);
    QTest::qWait(200);  // a resend would come now at the latest
    EXPECT_EQ(closing.connections(), 1);
    EXPECT_EQ(closing.body(), search_request_body(queryOf(50)));

    // The transport stays usable for the next search.
    RecordingListener answering(answerWith("200 OK", "", "<xml>\n</xml>\n"));
    EXPECT_EQ(transport.post(requestTo(answering.port(), queryOf(10))).outcome, SearchExchange::Answered);
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
