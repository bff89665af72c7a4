// The search service under clients that misbehave and under many clients at once: it keeps
// answering, never crashes, and counts exactly the requests that reached the handler.
#include "search_service_fixture.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace servicetest;
using httptest::Credentials;
using httptest::RawConnection;
using httptest::RawResponse;

namespace {

class SearchServiceRobustness : public ServiceFixture {
protected:
    bool answersOk() { return search(videoOneFrames(100, 5)).body.startsWith("<xml>\n<result>OK</result>\n"); }
};

TEST_F(SearchServiceRobustness, ClientLeavingWhileItsQueryWaitsHarmsNothing)
{
    {
        RawConnection leaving(port);
        ASSERT_TRUE(leaving.send(httptest::postRequest(body(videoOneFrames(100, 5)), kUser)));
        while (finder.pending() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } // the client closes its socket while no search thread runs
    startWorker();
    while (count(processed_requests) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(count(found_count), 1); // the handler finished and counted; only the response was lost
    EXPECT_TRUE(answersOk());
    EXPECT_EQ(count(total_requests), 2);
}

TEST_F(SearchServiceRobustness, BrokenHttpNeverReachesTheHandler)
{
    startWorker();
    RawResponse ignored;
    RawConnection garbage(port, 500);
    garbage.send(QByteArray("\x00\xff\x13garbage\r\n\r\n", 14));
    garbage.readResponse(ignored);
    RawConnection bigHeader(port, 500);
    bigHeader.send("POST /post HTTP/1.1\r\nHost: a\r\nCookie: " + QByteArray(100000, 'c') + "\r\n\r\n");
    bigHeader.readResponse(ignored);
    EXPECT_EQ(count(total_requests), 0);
    EXPECT_TRUE(answersOk());
    EXPECT_EQ(count(total_requests), 1);
}

TEST_F(SearchServiceRobustness, SlowClientIsDroppedWhileOthersAreServed)
{
    startWorker();
    server.SetActive(false);
    server.SetIdleTimeout(1);
    server.SetActive(true);
    RawConnection slow(port);
    const QByteArray request = httptest::postRequest(body(videoOneFrames(100, 5)), kUser);
    ASSERT_TRUE(slow.send(request.left(request.size() - 40))); // stops mid-body
    EXPECT_TRUE(answersOk());
    EXPECT_TRUE(slow.closedByPeer(5000));
    EXPECT_EQ(count(total_requests), 1);
    EXPECT_EQ(finder.pending(), 0);
}

TEST_F(SearchServiceRobustness, ManyConcurrentClientsMixingGoodAndRefusedRequests)
{
    startWorker();
    constexpr int kClients = 200;
    std::vector<RawResponse> responses(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            const bool good = i % 2 == 0;
            const QByteArray query = good ? videoTwoFrames(i, 3) : videoOneFrames(i % 190, 3);
            const Credentials credentials = good ? kUser : Credentials {"user", "nope"};
            // From several addresses, each within its share of the connections.
            responses[i] = httptest::exchange(port, httptest::postRequest(body(query), credentials), 10000,
                                              INADDR_LOOPBACK + i % 8);
        });
    }
    for (std::thread& client : clients)
        client.join();

    int ok = 0, refused = 0, tooMany = 0, expired = 0;
    for (int i = 0; i < kClients; ++i) {
        const RawResponse& response = responses[i];
        if (i % 2 == 1) {
            refused += response.status == 401;
            continue;
        }
        ASSERT_EQ(response.status, 200) << i;
        if (response.body.startsWith("<xml>\n<result>OK</result>\n"))
            ok += response.body.contains("<framepos>" + QByteArray::number(i) + "</framepos>\n<id>2</id>");
        else if (response.body.startsWith("<xml>\n<result>Too many queries</result>"))
            ++tooMany;
        else if (response.body.startsWith("<xml>\n<found>0</found>\n<querylen>9</querylen>"))
            ++expired;
    }
    EXPECT_EQ(refused, kClients / 2);
    EXPECT_EQ(ok + tooMany + expired, kClients / 2);
    EXPECT_EQ(count(total_requests), kClients);
    EXPECT_EQ(count(auth_errors), refused);
    EXPECT_EQ(count(unprocessed_requests), tooMany);
    EXPECT_EQ(count(expired_requests), expired);
    EXPECT_EQ(count(unambiguous_count), ok);
    EXPECT_EQ(count(processed_requests), ok + expired);
    EXPECT_EQ(errorLog().size(), refused + tooMany + expired);
    EXPECT_EQ(requestLog().size(), kClients / 2);
    EXPECT_TRUE(answersOk());
}

} // namespace
