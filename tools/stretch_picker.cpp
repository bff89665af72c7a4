#include "stretch_picker.h"

#include "media_error.h"

extern "C" {
#include <libavutil/frame.h>
}

StretchPicker::StretchPicker(std::int64_t startTime, std::int64_t frameCount, bool firstFrameIsVideoStart, Emit emit)
    : startTime_(startTime), frameCount_(frameCount), firstFrameIsVideoStart_(firstFrameIsVideoStart),
      emit_(std::move(emit))
{
}

StretchPicker::~StretchPicker()
{
    av_frame_free(&candidate_);
}

StretchPicker::Verdict StretchPicker::feed(const AVFrame& frame, std::int64_t time)
{
    if (started_)
        return emit(frame);
    if (emitted_ >= frameCount_)
        return Verdict::Done;
    if (time <= startTime_) {
        // Still at or before the start: this frame may be the one on screen then.
        av_frame_free(&candidate_);
        candidate_ = av_frame_clone(&frame);
        if (!candidate_)
            throw MediaError("out of memory");
        return Verdict::Continue;
    }
    if (!candidate_ && !firstFrameIsVideoStart_)
        return Verdict::Overshot;
    started_ = true;
    if (candidate_) {
        const Verdict verdict = emit(*candidate_);
        av_frame_free(&candidate_);
        if (verdict == Verdict::Done)
            return verdict;
    }
    return emit(frame);
}

void StretchPicker::finish()
{
    if (!started_ && candidate_ && emitted_ < frameCount_) {
        started_ = true;
        emit(*candidate_);
    }
    av_frame_free(&candidate_);
}

StretchPicker::Verdict StretchPicker::emit(const AVFrame& frame)
{
    if (emitted_ >= frameCount_)
        return Verdict::Done;
    emit_(frame);
    ++emitted_;
    return emitted_ >= frameCount_ ? Verdict::Done : Verdict::Continue;
}
