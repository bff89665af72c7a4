#include "search_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

// Runs the pool once and returns how often each worker number ran.
std::vector<int> timesEachWorkerRan(SearchPool& pool)
{
    std::vector<std::atomic<int>> ran(static_cast<size_t>(pool.workers()));
    pool.run([&](int worker) { ran[static_cast<size_t>(worker)].fetch_add(1); });
    std::vector<int> times;
    for (const std::atomic<int>& n : ran)
        times.push_back(n.load());
    return times;
}

} // namespace

TEST(SearchPool, EveryWorkerRunsOncePerRunAndAFailureLeavesThePoolUsable)
{
    for (int helpers : {0, 1, 2, 6, 7}) {
        SearchPool pool(helpers);
        ASSERT_EQ(pool.workers(), helpers + 1);
        const std::vector<int> once(static_cast<size_t>(helpers + 1), 1);
        for (int run = 0; run < 100; ++run)
            ASSERT_EQ(timesEachWorkerRan(pool), once) << helpers << " helpers, run " << run;

        // The last helper fails: the caller hears of it once every worker is done.
        std::atomic<int> finished{0};
        const auto failing = [&](int worker) {
            finished.fetch_add(1);
            if (worker == helpers)
                throw std::runtime_error("worker failed");
        };
        EXPECT_THROW(pool.run(failing), std::runtime_error);
        EXPECT_EQ(finished.load(), helpers + 1);
        EXPECT_EQ(timesEachWorkerRan(pool), once) << helpers << " helpers, after a failure";
    }
}
