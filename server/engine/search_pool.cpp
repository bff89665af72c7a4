#include "search_pool.h"

#include "spin_wait.h"

SearchPool::SearchPool(int helpers)
{
    start(helpers);
}

SearchPool::~SearchPool()
{
    for (const std::unique_ptr<Helper>& helper : helpers) {
        {
            std::lock_guard<std::mutex> lock(helper->mutex);
            helper->stopping = true;
        }
        helper->wake.notify_one();
    }
    for (const std::unique_ptr<Helper>& helper : helpers)
        helper->thread.join();
}

void SearchPool::start(int wanted)
{
    // A thread that cannot be created leaves the work to the ones that exist.
    // Every helper exists before the first thread runs: threads wake each other.
    try {
        for (int k = 0; k < wanted; ++k)
            helpers.push_back(std::make_unique<Helper>());
    } catch (const std::exception&) {
    }
    size_t running_threads = 0;
    try {
        for (; running_threads < helpers.size(); ++running_threads) {
            Helper& helper = *helpers[running_threads];
            const int worker = static_cast<int>(running_threads) + 1;
            helper.thread = std::thread([this, &helper, worker] { helper_loop(helper, worker); });
        }
    } catch (const std::exception&) {
    }
    helpers.resize(running_threads);
}

// Worker w wakes workers 2w + 1 and 2w + 2.
void SearchPool::wake_children(int worker, uint64_t run_generation)
{
    for (int child = 2 * worker + 1; child <= 2 * worker + 2 && child < workers(); ++child) {
        Helper& helper = *helpers[static_cast<size_t>(child - 1)];
        {
            std::lock_guard<std::mutex> lock(helper.mutex);
            helper.generation = run_generation;
        }
        helper.wake.notify_one();
    }
}

void SearchPool::run_task(int worker)
{
    try {
        (*current)(worker);
    } catch (...) {
        std::lock_guard<std::mutex> lock(failure_mutex);
        if (!failure)
            failure = std::current_exception();
    }
}

void SearchPool::run(const std::function<void(int)>& task)
{
    current = &task;
    running.store(static_cast<int>(helpers.size()), std::memory_order_relaxed);
    wake_children(0, ++generation);
    run_task(0);
    spin_until([this] { return running.load(std::memory_order_acquire) == 0; });
    current = nullptr;
    std::exception_ptr error;
    {
        std::lock_guard<std::mutex> lock(failure_mutex);
        error = std::move(failure);
        failure = nullptr;
    }
    if (error)
        std::rethrow_exception(error);
}

void SearchPool::helper_loop(Helper& self, int worker)
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(self.mutex);
            self.wake.wait(lock, [&] { return self.stopping || self.generation != seen; });
            if (self.stopping)
                return;
            seen = self.generation;
        }
        wake_children(worker, seen);
        run_task(worker);
        running.fetch_sub(1, std::memory_order_release);
    }
}
