// The search thread serving concurrent requests while loading publishes videos.
#include "finder_test_project.h"
#include "finder_worker.h"

#include <QThread>
#include <thread>
#include <vector>

using namespace findertest;

namespace {

// What a request thread does: add, wait for its batch, read the result.
bool request(KESTRALINE_FINDER& finder, const QByteArray& query, SEARCH_RESULT_COPY& out)
{
    uint32_t snapshot = 0;
    int32_t slot;
    while ((slot = finder.AddQuery(query.size(), bytesOf(query), snapshot)) < 0)
        QThread::msleep(1);
    while (finder.searches.load() == snapshot)
        QThread::msleep(1);
    return finder.ReadResult(slot, snapshot, out);
}

} // namespace

TEST(FinderWorker, AnswersConcurrentRequestsWhileVideosArePublished)
{
    QRandomGenerator random(7);
    TestProject project;
    std::vector<QByteArray> colours;
    for (int id = 1; id <= 16; ++id) { // enough frames for the search to use its threads
        colours.push_back(randomTriples(random, 20000, 256));
        project.addVideo(id, colours.back());
    }
    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(project.path()));
    ASSERT_TRUE(finder.LoadData()); // video 1 is there from the start

    FINDER_WORKER worker(finder);
    constexpr int THREADS = 8, REQUESTS = 25;
    std::vector<int> wrong(THREADS, 0), expired(THREADS, 0), unmatchedFirst(THREADS, 0);
    std::vector<std::thread> clients;
    for (int t = 0; t < THREADS; ++t) {
        clients.emplace_back([&, t] {
            QRandomGenerator own(100 + t);
            for (int r = 0; r < REQUESTS; ++r) {
                const int video = own.bounded(16);
                const int start = own.bounded(20000 - 40);
                const QByteArray query = colours[video].mid(start * 3, 40 * 3);
                SEARCH_RESULT_COPY result;
                if (!request(finder, query, result)) {
                    ++expired[t];
                    continue;
                }
                // A video not yet published gives Not found; a published one the exact place.
                const bool right = result.found == 0 ? video != 0
                                                     : result.found == 1 && result.id == video + 1 &&
                                                           result.framepos == start && result.querylen == 120;
                if (!right)
                    ++wrong[t];
                if (video == 0 && result.found != 1)
                    ++unmatchedFirst[t];
            }
        });
    }
    while (finder.LoadData())
        QThread::usleep(200);
    for (std::thread& c : clients)
        c.join();
    worker.requestInterruption();
    ASSERT_TRUE(worker.wait(5000));

    // An expired answer is a legal outcome (a later batch ran before the reader woke
    // up); a wrong one never is.
    int expiredTotal = 0;
    for (int t = 0; t < THREADS; ++t) {
        EXPECT_EQ(wrong[t], 0);
        EXPECT_EQ(unmatchedFirst[t], 0);
        expiredTotal += expired[t];
    }
    EXPECT_LT(expiredTotal, THREADS * REQUESTS);
    EXPECT_EQ(finder.pending(), 0);
    EXPECT_GE(finder.searches.load(), 1u);
}

TEST(FinderWorker, SuspendedWorkerRunsOnlyAfterStartAndStopsOnInterruption)
{
    TestProject project;
    KESTRALINE_FINDER finder;
    ASSERT_TRUE(finder.Open(project.path()));
    FINDER_WORKER worker(finder, true);
    uint32_t snapshot = 0;
    const QByteArray query("abc");
    ASSERT_EQ(finder.AddQuery(query.size(), bytesOf(query), snapshot), 0);
    QThread::msleep(30);
    EXPECT_FALSE(worker.isRunning());
    EXPECT_EQ(finder.searches.load(), 0u);
    worker.start();
    for (int i = 0; i < 2000 && finder.searches.load() == 0; ++i)
        QThread::msleep(1);
    EXPECT_EQ(finder.searches.load(), 1u);
    EXPECT_EQ(finder.pending(), 0);
    worker.requestInterruption();
    EXPECT_TRUE(worker.wait(5000));
}

TEST(FinderWorker, OpenDuringSearchesVoidsOldResultsWithoutRace)
{
    QRandomGenerator random(3);
    TestProject first, second;
    const QByteArray a = randomTriples(random, 50000, 256), b = randomTriples(random, 50000, 256);
    first.addVideo(1, a);
    second.addVideo(1, b);
    KESTRALINE_FINDER finder;
    openAndLoad(finder, first);
    FINDER_WORKER worker(finder);
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0}, mismatched{0};
    std::thread client([&] {
        while (!stop.load()) {
            SEARCH_RESULT_COPY result;
            const QByteArray query = a.mid(3000, 60);
            if (request(finder, query, result) && result.found == 1) {
                ++answered;
                if (result.framepos != 1000)
                    ++mismatched;
            }
        }
    });
    for (int i = 0; i < 20; ++i) {
        openAndLoad(finder, i % 2 ? first : second);
        QThread::msleep(2);
    }
    stop.store(true);
    client.join();
    worker.requestInterruption();
    worker.wait();
    EXPECT_EQ(mismatched.load(), 0);
}
