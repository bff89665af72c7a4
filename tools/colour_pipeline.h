#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVFrame;

// Computes the colour triples of frames on worker threads while the decoder goes
// on, and hands them back in the order the frames were added.
class ColourPipeline {
public:
    ColourPipeline(AVColorSpace space, AVColorRange range, int workers);
    ~ColourPipeline();
    ColourPipeline(const ColourPipeline&) = delete;
    ColourPipeline& operator=(const ColourPipeline&) = delete;

    // Queues a reference to the frame (waits while the queue is full).
    void add(const AVFrame& frame);   // throws MediaError
    std::size_t count() const { return added_; }

    // Waits for every queued frame; three bytes (red, green, blue) per frame in
    // the order added. Throws the first failure of a worker.
    std::vector<std::uint8_t> finish();

    // The number of worker threads that suits this machine: the decoder keeps
    // most cores busy, the colour work needs a few.
    static int suitableWorkers();

private:
    struct Job {
        std::size_t index;
        AVFrame* frame;
    };

    void work(AVColorSpace space, AVColorRange range);
    void stop();
    void waitForQueue(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable spaceFree_;
    std::condition_variable allDone_;
    std::deque<Job> queue_;
    std::size_t capacity_;
    std::size_t busy_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::vector<std::uint8_t> triples_;
    std::size_t added_ = 0;
    std::vector<std::thread> workers_;
};
