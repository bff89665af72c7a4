#include "search_pool.h"

SearchPool::SearchPool(int helpers) : helpers(helpers > 0 ? helpers : 0) {}

SearchPool::~SearchPool()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& t : threads)
        t.join();
}

void SearchPool::start()
{
    // A thread that cannot be created leaves the work to the ones that exist.
    try {
        threads.reserve(static_cast<size_t>(helpers));
        for (int worker = 1; worker <= helpers; ++worker)
            threads.emplace_back([this, worker] { helper_loop(worker); });
    } catch (const std::exception&) {
    }
}

void SearchPool::run(const std::function<void(int)>& task)
{
    if (!started) {
        started = true;
        start();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = &task;
        running = static_cast<int>(threads.size());
        ++generation;
    }
    wake.notify_all();
    try {
        task(0);
    } catch (...) {
        keep_first(std::current_exception());
    }
    std::unique_lock<std::mutex> lock(mutex);
    done.wait(lock, [this] { return running == 0; });
    current = nullptr;
    std::exception_ptr error = std::move(failure);
    failure = nullptr;
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}

void SearchPool::keep_first(std::exception_ptr error)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!failure)
        failure = error;
}

void SearchPool::helper_loop(int worker)
{
    uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* task;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping)
                return;
            seen = generation;
            task = current;
        }
        try {
            (*task)(worker);
        } catch (...) {
            keep_first(std::current_exception());
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            --running;
        }
        done.notify_one();
    }
}
