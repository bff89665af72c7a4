// The request counters: folding into totals, clearing, wrapping, and no increment
// lost while request threads count during a fold (run under ThreadSanitizer too).
#include "kestraline_stat.h"

#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

void expectTotals(const KESTRALINE_STAT& stat, const std::vector<int32_t>& expected)
{
    for (int i = 0; i < stat_counter_count; ++i)
        EXPECT_EQ(stat.totals[i], expected[i]) << "counter " << i;
}

TEST(StatCounters, SaveFoldsEachCounterIntoItsOwnTotal)
{
    KESTRALINE_STAT stat;
    expectTotals(stat, {0, 0, 0, 0, 0, 0, 0, 0, 0});
    stat.Raise(total_requests);
    stat.Raise(total_requests);
    stat.Raise(auth_errors);
    stat.Raise(ambiguous_count);
    expectTotals(stat, {0, 0, 0, 0, 0, 0, 0, 0, 0}); // nothing moves before the fold
    stat.Save();
    expectTotals(stat, {2, 0, 1, 0, 0, 0, 0, 0, 1});
    for (int i = 0; i < stat_counter_count; ++i)
        EXPECT_EQ(stat.current[i].load(), 0);

    stat.Save(); // nothing counted since: totals unchanged
    expectTotals(stat, {2, 0, 1, 0, 0, 0, 0, 0, 1});
    stat.Raise(total_requests);
    stat.Raise(unprocessed_requests);
    stat.Save();
    expectTotals(stat, {3, 1, 1, 0, 0, 0, 0, 0, 1});
}

TEST(StatCounters, ClearEmptiesCurrentAndTotals)
{
    KESTRALINE_STAT stat;
    stat.Raise(found_count);
    stat.Save();
    stat.Raise(found_count);
    stat.Raise(not_found_count);
    stat.Clear();
    expectTotals(stat, {0, 0, 0, 0, 0, 0, 0, 0, 0});
    stat.Save(); // what was counted before the Clear does not come back
    expectTotals(stat, {0, 0, 0, 0, 0, 0, 0, 0, 0});
}

TEST(StatCounters, TotalsWrapAroundAt32Bits)
{
    KESTRALINE_STAT stat;
    stat.totals[processed_requests] = INT32_MAX;
    stat.Raise(processed_requests);
    stat.Raise(processed_requests);
    stat.Save();
    EXPECT_EQ(stat.totals[processed_requests], INT32_MIN + 1);

    stat.current[expired_requests].store(INT32_MAX);
    stat.Raise(expired_requests); // the atomic counter wraps as well
    stat.Save();
    EXPECT_EQ(stat.totals[expired_requests], INT32_MIN);
}

TEST(StatCounters, IndexOutsideTheNineIsIgnored)
{
    KESTRALINE_STAT stat;
    stat.Raise(static_cast<STAT_INDEX>(9));
    stat.Raise(static_cast<STAT_INDEX>(-1));
    stat.Save();
    expectTotals(stat, {0, 0, 0, 0, 0, 0, 0, 0, 0});
}

TEST(StatCounters, NoIncrementIsLostWhileFoldsRun)
{
    constexpr int threads = 16;
    constexpr int perThread = 100000;
    KESTRALINE_STAT stat;
    std::atomic<int> running{threads};
    std::atomic<int> folds{0};
    std::vector<std::thread> requests;
    for (int t = 0; t < threads; ++t)
        requests.emplace_back([&, t] {
            for (int n = 0; n < perThread; ++n) {
                if (n == perThread / 2) {
                    // Halfway, wait for a fold, so that every thread counts on both sides of one.
                    const int seen = folds.load();
                    while (folds.load() == seen)
                        std::this_thread::yield();
                }
                stat.Raise(total_requests);
                stat.Raise(t % 2 ? found_count : not_found_count);
            }
            --running;
        });
    while (running.load() > 0) {
        stat.Save();
        ++folds;
        std::this_thread::yield();
    }
    for (auto& thread : requests)
        thread.join();
    stat.Save();
    EXPECT_EQ(stat.totals[total_requests], threads * perThread);
    EXPECT_EQ(stat.totals[found_count], threads / 2 * perThread);
    EXPECT_EQ(stat.totals[not_found_count], threads / 2 * perThread);
    EXPECT_EQ(stat.totals[processed_requests], 0);
}

} // namespace
