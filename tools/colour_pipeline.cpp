#include "colour_pipeline.h"

#include "frame_colour.h"
#include "media_error.h"

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
}

ColourPipeline::ColourPipeline(AVColorSpace space, AVColorRange range, int workers)
    : capacity_(static_cast<std::size_t>(std::max(1, workers)) * 2)
{
    for (int i = 0; i < std::max(1, workers); ++i)
        workers_.emplace_back([this, space, range] { work(space, range); });
}

ColourPipeline::~ColourPipeline()
{
    stop();
    for (Job& job : queue_)
        av_frame_free(&job.frame);
}

int ColourPipeline::suitableWorkers()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores / 2, 1u, 4u));
}

void ColourPipeline::add(const AVFrame& frame)
{
    AVFrame* copy = av_frame_clone(&frame);
    if (!copy)
        throw MediaError("out of memory");
    std::unique_lock<std::mutex> lock(mutex_);
    spaceFree_.wait(lock, [this] { return queue_.size() < capacity_; });
    triples_.resize(3 * (added_ + 1));
    queue_.push_back({added_++, copy});
    jobReady_.notify_one();
}

void ColourPipeline::waitForQueue(std::unique_lock<std::mutex>& lock)
{
    allDone_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
}

std::vector<std::uint8_t> ColourPipeline::finish()
{
    std::unique_lock<std::mutex> lock(mutex_);
    waitForQueue(lock);
    if (failure_)
        std::rethrow_exception(failure_);
    return triples_;
}

void ColourPipeline::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void ColourPipeline::work(AVColorSpace space, AVColorRange range)
{
    FrameColourer colourer(space, range);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        jobReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        Job job = queue_.front();
        queue_.pop_front();
        ++busy_;
        spaceFree_.notify_one();
        const bool skip = failure_ != nullptr;
        lock.unlock();

        ColourTriple triple;
        std::exception_ptr error;
        if (!skip) {
            try {
                triple = colourer.colourOf(*job.frame);
            } catch (...) {
                error = std::current_exception();
            }
        }
        av_frame_free(&job.frame);

        lock.lock();
        if (error && !failure_)
            failure_ = error;
        triples_[3 * job.index] = triple.red;
        triples_[3 * job.index + 1] = triple.green;
        triples_[3 * job.index + 2] = triple.blue;
        --busy_;
        if (queue_.empty() && busy_ == 0)
            allDone_.notify_all();
    }
}
