#pragma once
#include <condition_variable>
#include <exception>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Threads that help the search thread with a batch. They are started on the
// first parallel run, wait between runs, and are joined by the destructor.
class SearchPool {
public:
    explicit SearchPool(int helpers);
    ~SearchPool();
    SearchPool(const SearchPool&) = delete;
    SearchPool& operator=(const SearchPool&) = delete;

    // Runs `task(worker)` on every helper (worker 1..helpers) and on the calling
    // thread (worker 0), and returns when all have returned; the first exception
    // of any of them is then rethrown. One run at a time.
    void run(const std::function<void(int worker)>& task);
    int workers() const { return helpers + 1; } // worker numbers run below this

private:
    void start();
    void helper_loop(int worker);
    void keep_first(std::exception_ptr error);

    const int helpers;
    std::vector<std::thread> threads;
    std::mutex mutex;
    std::condition_variable wake, done;
    const std::function<void(int)>* current = nullptr;
    uint64_t generation = 0;
    int running = 0;
    bool started = false;
    bool stopping = false;
    std::exception_ptr failure;
};
