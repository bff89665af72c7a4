#pragma once
#include <atomic>
#include <condition_variable>
#include <exception>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Threads that help the search thread with a batch. They are started on the
// construction, sleep between runs, and are joined by the destructor.
//
// Waking a sleeping thread costs the waker a system call and the sleeper a
// delay before it runs, both long beside a batch over a small project. So the
// caller wakes two helpers only, and each helper wakes two more before it
// starts on its work: all are running after a few steps instead of one after
// another. At the end the caller spins until the last helper is done instead of
// sleeping, as helpers end at nearly the same time and a sleeper would wake late.
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
    int workers() const { return static_cast<int>(helpers.size()) + 1; } // worker numbers run below this

private:
    struct Helper {
        std::mutex mutex;
        std::condition_variable wake;
        uint64_t generation = 0; // the run it is asked to join
        bool stopping = false;
        std::thread thread;
    };
    void start(int wanted);
    void wake_children(int worker, uint64_t generation);
    void helper_loop(Helper& self, int worker);
    void run_task(int worker);

    std::vector<std::unique_ptr<Helper>> helpers; // helper k is worker k + 1
    const std::function<void(int)>* current = nullptr;
    uint64_t generation = 0;
    std::atomic<int> running{0};
    std::mutex failure_mutex;
    std::exception_ptr failure;
};
