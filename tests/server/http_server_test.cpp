// The HTTP component over real loopback connections: what reaches the handler, what goes
// back, and how it stands up to clients that misbehave.
#include "http_raw_client.h"
#include "http_server.h"
#include "kestraline_error.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QTcpServer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using httptest::Credentials;
using httptest::RawConnection;
using httptest::RawResponse;

namespace {

// Records every request the handler sees and answers with a fixed response.
class Recorder {
public:
    HttpServer::Handler handler()
    {
        return [this](const HttpRequest& request, HttpResponse& response) {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(request);
            response = answer_;
        };
    }
    void answerWith(const HttpResponse& answer) { answer_ = answer; }
    std::vector<HttpRequest> seen()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }

private:
    std::mutex mutex_;
    std::vector<HttpRequest> seen_;
    HttpResponse answer_;
};

class HttpServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureApplication();
        port = testsupport::freeLocalPort();
    }
    void start(HttpServer& server, unsigned idleTimeout = 30)
    {
        server.SetBindAddress("127.0.0.1");
        server.SetDefaultPort(port);
        server.SetIdleTimeout(idleTimeout);
        server.SetActive(true);
    }

    quint16 port = 0;
    Recorder recorder;
};

QByteArray bytesWithZeros()
{
    QByteArray bytes;
    for (int i = 0; i < 600; ++i)
        bytes.append(char(i % 256));
    return bytes;
}

TEST_F(HttpServerTest, HandsPeerCredentialsAndRawBodyWhateverMethodAndPath)
{
    HttpServer server(recorder.handler());
    start(server);
    const QByteArray body = bytesWithZeros();
    ASSERT_EQ(httptest::exchange(port, httptest::postRequest(body, Credentials {"иван", "p:ss word"})).status, 200);
    ASSERT_EQ(httptest::exchange(port, "GET /anything?x=1 HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n").status, 200);
    // A chunked body arrives in pieces and is handed over whole.
    ASSERT_EQ(httptest::exchange(port, "PUT /x HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n"
                                       "Connection: close\r\n\r\n3\r\nabc\r\n4\r\ndefg\r\n0\r\n\r\n").status,
              200);

    const std::vector<HttpRequest> seen = recorder.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].peer, "127.0.0.1");
    EXPECT_EQ(seen[0].user, QString("иван"));
    EXPECT_EQ(seen[0].password, "p:ss word");
    EXPECT_EQ(seen[0].body, body);
    EXPECT_FALSE(seen[0].body_too_large);
    EXPECT_TRUE(seen[1].user.isEmpty());
    EXPECT_TRUE(seen[1].password.isEmpty());
    EXPECT_TRUE(seen[1].body.isEmpty());
    EXPECT_EQ(seen[2].body, "abcdefg");
}

TEST_F(HttpServerTest, SendsStatusContentAndHeadersTheHandlerSet)
{
    HttpResponse answer;
    answer.status = 200;
    answer.content = "<xml>\nтекст & <b>\n</xml>\n";
    answer.content_type = "text/plain; charset=utf-8";
    answer.cache_control = "no-cache";
    recorder.answerWith(answer);
    HttpServer server(recorder.handler());
    start(server);

    const RawResponse response = httptest::exchange(port, httptest::postRequest("x", std::nullopt));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, answer.content);
    EXPECT_EQ(response.header("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(response.header("Cache-Control"), "no-cache");
}

TEST_F(HttpServerTest, RefusalCarriesBasicChallengeForTheRealm)
{
    HttpResponse refusal;
    refusal.basic_challenge = true;
    refusal.realm = "Authorize please";
    recorder.answerWith(refusal);
    HttpServer server(recorder.handler());
    start(server);

    const RawResponse response = httptest::exchange(port, httptest::postRequest("x", Credentials {"u", "bad"}));
    EXPECT_EQ(response.status, 401);
    EXPECT_EQ(response.header("WWW-Authenticate"), "Basic realm=\"Authorize please\"");
}

TEST_F(HttpServerTest, EmptyResponseAndHandlerFailureGoOutAs200WithoutBody)
{
    std::atomic<int> calls {0};
    HttpServer server([&](const HttpRequest&, HttpResponse&) {
        if (++calls == 1)
            throw std::runtime_error("handler failed");
    });
    start(server);
    for (int i = 0; i < 2; ++i) {
        const RawResponse response = httptest::exchange(port, httptest::postRequest("x", std::nullopt));
        EXPECT_EQ(response.status, 200);
        EXPECT_TRUE(response.body.isEmpty());
        EXPECT_TRUE(response.header("Content-Type").isEmpty());
    }
    EXPECT_EQ(calls.load(), 2);
}

TEST_F(HttpServerTest, KeepAliveServesSeveralRequestsOnOneConnection)
{
    HttpServer server(recorder.handler());
    start(server);
    RawConnection connection(port);
    for (int i = 0; i < 3; ++i) {
        RawResponse response;
        ASSERT_TRUE(connection.send(httptest::postRequest(QByteArray::number(i), std::nullopt, true)));
        ASSERT_TRUE(connection.readResponse(response));
        EXPECT_EQ(response.status, 200);
    }
    const std::vector<HttpRequest> seen = recorder.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].body, "2");
}

TEST_F(HttpServerTest, TakenPortThrowsClearMessageAndLeavesServiceInactive)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, port));
    HttpServer server(recorder.handler());
    try {
        start(server);
        FAIL() << "the port is taken";
    } catch (const KestralineError& error) {
        EXPECT_TRUE(error.message().startsWith(QString("Порт %1 занят или недоступен: ").arg(port)))
            << error.message().toStdString();
        EXPECT_GT(error.message().size(), QString("Порт %1 занят или недоступен: ").arg(port).size());
    }
    EXPECT_FALSE(server.Active());

    holder.close();
    server.SetActive(true);
    EXPECT_TRUE(server.Active());
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("x", std::nullopt)).status, 200);
}

TEST_F(HttpServerTest, DeactivationStopsListeningEndsIdleConnectionsAndCanRestart)
{
    HttpServer server(recorder.handler());
    start(server);
    RawConnection idle(port);
    RawResponse response;
    ASSERT_TRUE(idle.send(httptest::postRequest("x", std::nullopt, true)));
    ASSERT_TRUE(idle.readResponse(response));

    server.SetActive(false);
    EXPECT_FALSE(server.Active());
    EXPECT_TRUE(idle.closedByPeer(2000));
    EXPECT_FALSE(RawConnection(port).connected());

    server.SetActive(true);
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("x", std::nullopt)).status, 200);
    server.SetActive(false);
    server.SetActive(false); // stopping a stopped service does nothing
}

TEST_F(HttpServerTest, BodyOverOneMebibyteReachesHandlerOnceEmptyAndFlagged)
{
    HttpServer server(recorder.handler());
    start(server);
    const QByteArray limit(int(HttpServer::kMaxBodySize), 'a');
    const QByteArray over(int(HttpServer::kMaxBodySize) + 1, 'b');
    ASSERT_EQ(httptest::exchange(port, httptest::postRequest(limit, std::nullopt)).status, 200);
    ASSERT_EQ(httptest::exchange(port, httptest::postRequest(over, std::nullopt)).status, 200);

    // Chunked: no declared length, so the limit is found while the bytes arrive.
    QByteArray chunked = "POST / HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    const QByteArray piece(64 * 1024, 'c');
    for (int i = 0; i < 17; ++i)
        chunked += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    chunked += "0\r\n\r\n";
    ASSERT_EQ(httptest::exchange(port, chunked).status, 200);

    const std::vector<HttpRequest> seen = recorder.seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].body.size(), limit.size());
    EXPECT_FALSE(seen[0].body_too_large);
    for (int i : {1, 2}) {
        EXPECT_TRUE(seen[i].body_too_large) << i;
        EXPECT_TRUE(seen[i].body.isEmpty()) << i;
    }
}

TEST_F(HttpServerTest, MalformedRequestsAreAnsweredWithoutReachingTheHandler)
{
    HttpServer server(recorder.handler());
    start(server);

    RawResponse garbage;
    RawConnection noise(port, 3000);
    const char tlsHelloAndNuls[] = "\x16\x03\x01\x02\x00\x01\x00\xff garbage \0\0\0\r\n\r\n";
    ASSERT_TRUE(noise.send(QByteArray(tlsHelloAndNuls, sizeof tlsHelloAndNuls - 1)));
    ASSERT_TRUE(noise.readResponse(garbage));
    EXPECT_EQ(garbage.status, 400);

    const QByteArray hugeHeader = "GET / HTTP/1.1\r\nHost: a\r\nX-Big: " + QByteArray(200 * 1024, 'h') + "\r\n\r\n";
    RawResponse tooBig;
    RawConnection big(port, 3000);
    big.send(hugeHeader);
    ASSERT_TRUE(big.readResponse(tooBig));
    EXPECT_EQ(tooBig.status, 431); // request header fields too large

    const int bare = httptest::exchange(port, "BROKEN\r\n\r\n", 3000).status; // closed or refused
    EXPECT_TRUE(bare == 0 || bare >= 400) << bare;
    EXPECT_EQ(httptest::exchange(port, "GET / HTTP/1.1\r\nBadHeaderWithoutColon\r\n\r\n").status, 400);
    EXPECT_TRUE(recorder.seen().empty());
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("ok", std::nullopt)).status, 200);
    EXPECT_EQ(recorder.seen().size(), 1u);
}

TEST_F(HttpServerTest, SlowClientIsDroppedAfterIdleTimeoutAndHoldsNobodyUp)
{
    HttpServer server(recorder.handler());
    start(server, 1);
    RawConnection silent(port);
    RawConnection halfway(port);
    ASSERT_TRUE(halfway.send("POST /post HTTP/1.1\r\nHost: a\r\nContent-Length: 500\r\n\r\nonly a few bytes"));

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("x", std::nullopt)).status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(900));

    EXPECT_TRUE(silent.closedByPeer(5000));
    EXPECT_TRUE(halfway.closedByPeer(5000));
    EXPECT_EQ(recorder.seen().size(), 1u); // the half request never reached the handler
}

TEST_F(HttpServerTest, HandlerWorkingLongerThanIdleTimeoutStillAnswers)
{
    // A search may take longer than the idle time-out; the time spent in the handler is not idleness.
    HttpServer server([](const HttpRequest&, HttpResponse& response) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        response.content = "late";
    });
    start(server, 1);
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("x", std::nullopt)).body, "late");
}

// Sends `bytes` one at a time every 250 ms; the seconds until the server closed the connection,
// or -1 when it never did.
double trickle(RawConnection& connection, const QByteArray& bytes)
{
    const auto start = std::chrono::steady_clock::now();
    for (char byte : bytes) {
        if (!connection.send(QByteArray(1, byte)) || connection.closedByPeer(250))
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return -1;
}

TEST_F(HttpServerTest, RequestsThatDoNotArriveInTimeAreDroppedButSlowHandlersAreNot)
{
    const auto window = std::chrono::duration<double>(ConnectionDeadlines::kWindow).count();
    const auto handlerTime = ConnectionDeadlines::kWindow + std::chrono::milliseconds(500);
    std::atomic<int> handled {0};
    HttpServer server([&](const HttpRequest& request, HttpResponse& response) {
        ++handled;
        if (request.body == "slow")
            std::this_thread::sleep_for(handlerTime);
        response.content = request.body;
    });
    start(server);
    const QByteArray head = "POST /post HTTP/1.1\r\nHost: a\r\nContent-Length: 500\r\n\r\n";
    const QByteArray endless(int(window * 4 + 12), 'x'); // more than the deadline lets through

    double headClosed = 0, bodyClosed = 0;
    RawResponse slow, again, steady;
    std::vector<std::thread> clients;
    clients.emplace_back([&] {
        RawConnection connection(port);
        headClosed = trickle(connection, head + endless);
    });
    clients.emplace_back([&] {
        RawConnection connection(port);
        connection.send(head);
        bodyClosed = trickle(connection, endless);
    });
    clients.emplace_back([&] {
        // The time in the handler does not count, and the kept-alive connection serves on.
        RawConnection connection(port);
        connection.send(httptest::postRequest("slow", std::nullopt, true));
        connection.readResponse(slow);
        connection.send(httptest::postRequest("again", std::nullopt, true));
        connection.readResponse(again);
    });
    clients.emplace_back([&] {
        // A body that keeps coming is never cut off, however long it takes in all.
        RawConnection connection(port);
        const QByteArray piece(int(ConnectionDeadlines::kBodyProgress) + 100, 'b');
        const QByteArray request = httptest::postRequest(piece.repeated(6), std::nullopt);
        const qsizetype bodyStart = request.indexOf("\r\n\r\n") + 4;
        connection.send(request.left(bodyStart));
        for (int i = 0; i < 6; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(int(window * 1000 / 4)));
            connection.send(piece);
        }
        connection.readResponse(steady);
    });
    for (std::thread& client : clients)
        client.join();

    EXPECT_GT(headClosed, window - 0.5);
    EXPECT_LT(headClosed, window + 1.0);
    EXPECT_GT(bodyClosed, window - 0.5);
    EXPECT_LT(bodyClosed, window + 1.0);
    EXPECT_EQ(slow.body, "slow");
    EXPECT_EQ(again.body, "again");
    EXPECT_EQ(steady.body.size(), 6 * (ConnectionDeadlines::kBodyProgress + 100));
    EXPECT_EQ(handled.load(), 3); // the dropped requests never reached the handler
}

TEST_F(HttpServerTest, ConnectionsRunOnThreadsOfTheirOwn)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool release = false;
    std::atomic<int> entered {0};
    HttpServer server([&](const HttpRequest& request, HttpResponse& response) {
        if (request.body == "wait") {
            std::unique_lock<std::mutex> lock(mutex);
            ++entered;
            changed.notify_all();
            changed.wait(lock, [&] { return release; });
        }
        response.content = request.body;
    });
    start(server);

    // One client waits inside the handler and then disconnects; the other is served meanwhile.
    RawResponse waited;
    std::thread waiter([&] { httptest::exchange(port, httptest::postRequest("wait", std::nullopt), 200); });
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return entered == 1; });
    }
    waiter.join(); // the client gave up and closed its socket while the handler still works
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("other", std::nullopt)).body, "other");
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    changed.notify_all();
    EXPECT_EQ(httptest::exchange(port, httptest::postRequest("after", std::nullopt)).body, "after");
    server.SetActive(false);
}

} // namespace
