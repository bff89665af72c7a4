// The search service end to end over HTTP: every answer kind byte for byte, the refusal,
// the bodies that carry no query, and what each request counts and logs.
#include "search_service_fixture.h"

#include <thread>

using namespace servicetest;
using httptest::Credentials;
using httptest::RawResponse;

namespace {

QByteArray answer(const QStringList& lines)
{
    return (lines.join('\n') + '\n').toUtf8();
}

class SearchServiceAnswers : public ServiceFixture {};

TEST_F(SearchServiceAnswers, FoundOnceAnswersOkWithTheVideoUnescapedInUtf8)
{
    startWorker();
    const RawResponse response = search(videoOneFrames(100, 5));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.header("Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(response.header("Cache-Control"), "no-cache");
    EXPECT_EQ(response.body, answer({"<xml>", "<result>OK</result>", "<found>1</found>", "<querylen>15</querylen>",
                                     "<position>4</position>", "<framepos>100</framepos>", "<id>1</id>",
                                     "<filename>Клип <один> & два.mp4</filename>", "<fps>25</fps>",
                                     "<duration>8</duration>", "<frames>200</frames>", "<width>320</width>",
                                     "<height>240</height>", "<comment>a<b & \"c\" > d</comment>", "</xml>"}));
    EXPECT_EQ(requestLog(), QStringList {"127.0.0.1\tuser\tfound=1\tquerylen=15\tframepos=100\tposition=4\tid=1"
                                         "\tfilename=Клип <один> & два.mp4"});
    EXPECT_TRUE(errorLog().isEmpty());
    EXPECT_EQ(count(total_requests), 1);
    EXPECT_EQ(count(found_count), 1);
    EXPECT_EQ(count(unambiguous_count), 1);
    EXPECT_EQ(count(processed_requests), 1);
}

TEST_F(SearchServiceAnswers, RealsArePrintedFromSinglePrecision)
{
    startWorker();
    // 216 bytes: a one-frame query, frame 7 at 25 frames per second.
    const RawResponse oneFrame = post(body(videoOneFrames(7, 1)));
    EXPECT_TRUE(oneFrame.body.contains("<querylen>3</querylen>\n<position>0.280000001192093</position>\n"
                                       "<framepos>7</framepos>\n"))
        << oneFrame.body.toStdString();

    const RawResponse rate = search(videoTwoFrames(100, 4));
    EXPECT_EQ(rate.body, answer({"<xml>", "<result>OK</result>", "<found>1</found>", "<querylen>12</querylen>",
                                 "<position>3.33667016029358</position>", "<framepos>100</framepos>", "<id>2</id>",
                                 "<filename>second.avi</filename>", "<fps>29.9699993133545</fps>",
                                 "<duration>10.0100002288818</duration>", "<frames>300</frames>",
                                 "<width>640</width>", "<height>480</height>", "<comment></comment>", "</xml>"}));

    // A stored frame rate of 0 gives position 0, not a division by zero.
    const RawResponse zeroRate = search(videoThreeFrames(10, 3));
    EXPECT_TRUE(zeroRate.body.contains("<position>0</position>\n<framepos>10</framepos>\n<id>3</id>\n"))
        << zeroRate.body.toStdString();
    EXPECT_TRUE(zeroRate.body.contains("<fps>0</fps>\n"));
}

TEST_F(SearchServiceAnswers, FoundInTwoVideosReportsTheLaterOneAsAmbiguous)
{
    startWorker();
    const RawResponse response = search(videoOneFrames(50, 5));
    EXPECT_EQ(response.body,
              answer({"<xml>", "<result>Ambiguous result</result>", "<found>2</found>", "<querylen>15</querylen>",
                      "<position>0</position>", "<framepos>0</framepos>", "<id>4</id>", "<filename>copy.mov</filename>",
                      "<fps>30</fps>", "<duration>3.33333325386047</duration>", "<frames>100</frames>",
                      "<width>1920</width>", "<height>1080</height>", "<comment>копия</comment>", "</xml>"}));
    EXPECT_EQ(requestLog(), QStringList {"127.0.0.1\tuser\tfound=2\tquerylen=15\tframepos=0\tposition=0\tid=4"
                                         "\tfilename=copy.mov"});
    EXPECT_EQ(count(found_count), 1);
    EXPECT_EQ(count(ambiguous_count), 1);
    EXPECT_EQ(count(unambiguous_count), 0);
}

TEST_F(SearchServiceAnswers, NotFoundAndTheEmptyQueryOf213Bytes)
{
    startWorker();
    const QByteArray notFound = answer({"<xml>", "<result>Not found</result>", "<found>0</found>",
                                        "<querylen>6</querylen>", "<position></position>", "<framepos></framepos>",
                                        "<id></id>", "<filename></filename>", "<fps></fps>", "<duration></duration>",
                                        "<frames></frames>", "<width></width>", "<height></height>",
                                        "<comment></comment>", "</xml>"});
    // Occurs many times in one video and nowhere else.
    EXPECT_EQ(search(QByteArray(6, char(9))).body, notFound);
    const RawResponse empty = post(body(QByteArray()));
    ASSERT_EQ(empty.status, 200);
    EXPECT_EQ(empty.body, QByteArray(notFound).replace("<querylen>6<", "<querylen>0<"));
    EXPECT_EQ(requestLog(), (QStringList {"127.0.0.1\tuser\tfound=0\tquerylen=6", "127.0.0.1\tuser\tfound=0\tquerylen=0"}));
    EXPECT_EQ(count(not_found_count), 2);
    EXPECT_EQ(count(processed_requests), 2);
}

TEST_F(SearchServiceAnswers, RefusalAnswers401WithChallengeAndLogsOnlyTheError)
{
    startWorker();
    const QByteArray query = videoOneFrames(100, 5);
    for (const Credentials& wrong :
         {Credentials {"user", "wrong"}, Credentials {"far", "away"}, Credentials {"blocked", "pw"}}) {
        const RawResponse refused = search(query, wrong);
        EXPECT_EQ(refused.status, 401) << wrong.user.toStdString();
        EXPECT_EQ(refused.header("WWW-Authenticate"), "Basic realm=\"Authorize please\"");
    }
    EXPECT_EQ(search(query, std::nullopt).status, 401);

    EXPECT_EQ(errorLog(), (QStringList {"Not authorized\t127.0.0.1\tuser", "Not authorized\t127.0.0.1\tfar",
                                        "Not authorized\t127.0.0.1\tblocked", "Not authorized\t127.0.0.1\t"}));
    EXPECT_TRUE(requestLog().isEmpty());
    EXPECT_EQ(count(total_requests), 4);
    EXPECT_EQ(count(auth_errors), 4);
    EXPECT_EQ(count(processed_requests), 0);
    EXPECT_EQ(finder.pending(), 0);
}

TEST_F(SearchServiceAnswers, RequestWithoutCredentialsIsCheckedAsEmptyUserAndPassword)
{
    ASSERT_TRUE(access.Add(true, "127.0.0.1", "", ""));
    startWorker();
    const RawResponse response = search(videoOneFrames(100, 5), std::nullopt);
    EXPECT_EQ(response.status, 200);
    EXPECT_TRUE(response.body.startsWith("<xml>\n<result>OK</result>\n"));
    EXPECT_TRUE(requestLog().value(0).startsWith("127.0.0.1\t\tfound=1\t"));
}

TEST_F(SearchServiceAnswers, BodiesWithoutQueryCountOnlyAndGetEmpty200)
{
    // No search thread runs: a body that was queued by mistake would never be answered.
    const QByteArray tooShort = body(QByteArray()).left(212);
    const QByteArray tooLarge(int(HttpServer::kMaxBodySize) + 10, 'z');
    for (const QByteArray& raw : {tooShort, QByteArray(), tooLarge}) {
        const RawResponse response = post(raw);
        EXPECT_EQ(response.status, 200) << raw.size();
        EXPECT_TRUE(response.body.isEmpty()) << raw.size();
        EXPECT_TRUE(response.header("Cache-Control").isEmpty()) << raw.size();
    }
    EXPECT_EQ(count(total_requests), 3);
    for (STAT_INDEX other : {unprocessed_requests, auth_errors, processed_requests, not_found_count})
        EXPECT_EQ(count(other), 0) << other;
    EXPECT_TRUE(requestLog().isEmpty());
    EXPECT_TRUE(errorLog().isEmpty());
    EXPECT_EQ(finder.pending(), 0);
}

TEST_F(SearchServiceAnswers, HundredPendingQueriesGiveTooManyQueriesAndLeaveTheQueue)
{
    // The search thread is held back until the queue is full.
    uint32_t snapshot = 0;
    const QByteArray frame = videoOneFrames(3, 1);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(finder.AddQuery(3, reinterpret_cast<const uint8_t*>(frame.constData()), snapshot), i);

    const RawResponse response = search(videoOneFrames(100, 5));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "<xml>\n<result>Too many queries</result>\n<found></found>\n<querylen></querylen>\n"
                             "<position></position>\n<framepos></framepos>\n<id></id>\n<filename></filename>\n"
                             "<fps></fps>\n<duration></duration>\n<frames></frames>\n<width></width>\n"
                             "<height></height>\n<comment></comment>\n</xml>\n");
    EXPECT_EQ(errorLog(), QStringList {"Too many queries\t127.0.0.1\tuser"});
    EXPECT_EQ(requestLog(), QStringList {"127.0.0.1\tuser\t"}); // the line ends with the TAB
    EXPECT_EQ(count(total_requests), 1);
    EXPECT_EQ(count(unprocessed_requests), 1);
    EXPECT_EQ(count(processed_requests), 0);
    EXPECT_EQ(finder.pending(), 100);

    startWorker(); // takes the hundred as one batch; then there is room again
    while (finder.pending() != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(search(videoOneFrames(100, 5)).body.startsWith("<xml>\n<result>OK</result>\n"));
}

TEST_F(SearchServiceAnswers, WaitingRequestHoldsNoCopyOfItsBody)
{
    // No search thread yet, so the request waits for its batch; meanwhile the engine's
    // copy must be the only copy of the query (up to a mebibyte per waiting request).
    HttpRequest request;
    request.peer = QStringLiteral("127.0.0.1");
    request.user = kUser.user;
    request.password = kUser.password;
    request.body = body(videoOneFrames(100, 5));
    const QByteArray watch = request.body; // shares the buffer until the handler lets it go
    HttpResponse response;
    std::thread handler([&] { service.IdHTTPServer1CommandGet(request, response); });
    while (finder.pending() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < 2000 && !watch.isDetached(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(watch.isDetached());
    EXPECT_EQ(finder.pending(), 1); // still waiting

    startWorker();
    handler.join();
    EXPECT_TRUE(response.content.startsWith("<xml>\n<result>OK</result>\n<found>1</found>\n<querylen>15</querylen>\n"));
}

TEST_F(SearchServiceAnswers, ResultReplacedByALaterBatchGivesTheExpiredAnswer)
{
    // This test thread plays the search thread. A request that wakes between the two batches
    // gets its own result; with 1 ms polls that is rare, so a few rounds show the expired answer.
    const QByteArray query = videoOneFrames(100, 5);
    RawResponse expired;
    int rounds = 0;
    for (; rounds < 50 && expired.status == 0; ++rounds) {
        RawResponse response;
        std::thread client([&] { response = search(query); });
        while (finder.pending() == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        finder.Find();
        finder.Find();
        client.join();
        if (!response.body.startsWith("<xml>\n<result>OK"))
            expired = response;
    }
    ASSERT_EQ(expired.status, 200) << "no expired answer in " << rounds << " rounds";
    EXPECT_EQ(expired.body, answer({"<xml>", "<found>0</found>", "<querylen>15</querylen>", "<position></position>",
                                    "<framepos></framepos>", "<id></id>", "<filename></filename>", "<fps></fps>",
                                    "<duration></duration>", "<frames></frames>", "<width></width>",
                                    "<height></height>", "<comment></comment>", "</xml>"}));
    EXPECT_TRUE(requestLog().contains("127.0.0.1\tuser\tfound=-1\tquerylen=15"));
    EXPECT_TRUE(errorLog().contains("Wrong stage\t127.0.0.1\tuser"));
    EXPECT_EQ(count(expired_requests), 1);
    EXPECT_EQ(count(processed_requests), rounds);
    EXPECT_EQ(count(found_count), rounds - 1);
}

TEST_F(SearchServiceAnswers, CountersAddUpAfterAMixedRun)
{
    startWorker();
    search(videoOneFrames(100, 5));                  // OK
    search(videoOneFrames(50, 5));                   // ambiguous
    search(QByteArray(6, char(9)));                  // not found
    search(videoOneFrames(100, 5), Credentials {}); // refused
    post(body(QByteArray()).left(100));              // no query
    const int32_t found = count(found_count), processed = count(processed_requests);
    EXPECT_EQ(count(total_requests), 5);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(count(unambiguous_count) + count(ambiguous_count), found);
    EXPECT_EQ(found + count(not_found_count) + count(expired_requests), processed);
    EXPECT_EQ(count(auth_errors) + count(unprocessed_requests) + processed + 1, count(total_requests));
}

} // namespace
