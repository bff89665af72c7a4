// Allocation failures inside a search batch, called directly and on the search
// thread: the batch's queries are answered as not found, nothing stays pending,
// and the next batch answers truly.
#include "finder_test_project.h"
#include "finder_worker.h"

#include <QThread>
#include <atomic>
#include <cstdlib>
#include <new>

using namespace findertest;

namespace {

// While `countdown` is above 0, every allocation of at least `from_size` bytes,
// on any thread, counts it down; the one that reaches 0 fails.
std::atomic<long> countdown{0};
std::atomic<size_t> from_size{0};

} // namespace

void* operator new(std::size_t size)
{
    if (size >= from_size.load() && countdown.load() > 0 && countdown.fetch_sub(1) == 1)
        throw std::bad_alloc();
    if (void* p = std::malloc(size > 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// Two videos, long enough together for the search to use its helper threads, and
// three queries: one in each video and one found nowhere.
class FailingBatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        QRandomGenerator random(25);
        for (int id = 1; id <= 2; ++id) {
            colours[id - 1] = randomTriples(random, 150000, 256);
            project.addVideo(id, colours[id - 1]);
        }
        openAndLoad(finder, project);
        queries[0] = colours[1].mid(3 * 1000, 3 * 40);
        queries[1] = colours[0].mid(3 * 70000, 3 * 40000);
        queries[2] = QByteArray(90, '\7');
    }

    // Adds query i; its slot.
    int32_t add(int i) { return finder.AddQuery(queries[i].size(), bytesOf(queries[i]), snapshot); }

    // The answer to query i in `slot` of the last batch: the true one, or not found
    // when the batch `failed`.
    void expectAnswer(int32_t slot, int i, bool failed)
    {
        const int id[] = {2, 1, 0}, framepos[] = {1000, 70000, 0};
        SEARCH_RESULT_COPY result;
        ASSERT_TRUE(finder.ReadResult(slot, snapshot, result)) << "query " << i;
        EXPECT_EQ(result.querylen, queries[i].size()) << "query " << i;
        EXPECT_EQ(result.found, !failed && id[i] != 0 ? 1 : 0) << "query " << i;
        if (result.found == 1) {
            EXPECT_EQ(result.id, id[i]);
            EXPECT_EQ(result.framepos, framepos[i]);
        }
    }

    // One batch of the three queries, run directly, the `nth` allocation failing
    // (0: none); whether it did fail.
    bool batch(long nth)
    {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(add(i), i);
        from_size.store(0);
        countdown.store(nth);
        EXPECT_TRUE(finder.Find());
        const bool failed = countdown.exchange(0) <= 0 && nth > 0;
        for (int i = 0; i < 3; ++i)
            expectAnswer(i, i, failed);
        EXPECT_EQ(finder.pending(), 0);
        EXPECT_EQ(finder.searches.load(), snapshot + 1);
        EXPECT_EQ(finder.FindPos(0, 1), failed ? -1 : 70000); // a failed batch keeps no query bytes
        return failed;
    }

    void awaitBatch()
    {
        for (int i = 0; i < 5000 && finder.searches.load() == snapshot; ++i)
            QThread::msleep(1);
    }

    TestProject project;
    KESTRALINE_FINDER finder;
    QByteArray colours[2], queries[3];
    uint32_t snapshot = 0;
};

} // namespace

// Every allocation of a batch fails in turn: the query copies, the search's
// tables, the helper threads' hits. Each such batch is answered, and so is the
// next one, truly.
TEST_F(FailingBatch, EachFailingAllocationAnswersItsBatchAndTheNextBatchIsTrue)
{
    batch(0); // also starts the helper threads
    int failures = 0;
    for (long nth = 1; nth < 100000; ++nth) {
        SCOPED_TRACE(testing::Message() << "allocation " << nth << " fails");
        if (!batch(nth))
            break; // the batch makes fewer allocations
        ++failures;
        batch(0);
    }
    EXPECT_GT(failures, 3);
}

TEST_F(FailingBatch, TheSearchThreadAnswersAFailedBatchAndGoesOn)
{
    FINDER_WORKER worker(finder, true);
    for (int i = 0; i < 3; ++i)
        add(i);
    // The copy of the long query is the batch's first allocation of its size.
    from_size.store(queries[1].size());
    countdown.store(1);
    worker.start();
    awaitBatch();
    EXPECT_EQ(countdown.exchange(0), 0);
    for (int i = 0; i < 3; ++i)
        expectAnswer(i, i, true);

    for (int i = 0; i < 3; ++i) {
        const int32_t slot = add(i);
        awaitBatch();
        expectAnswer(slot, i, false);
    }
    EXPECT_TRUE(worker.isRunning());
    worker.requestInterruption();
    EXPECT_TRUE(worker.wait(5000));
}
