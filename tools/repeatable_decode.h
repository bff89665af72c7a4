#pragma once
#include <cstddef>
#include <string>

#include "video_input.h"

struct AVFrame;

// Takes the frames of a whole video in order, and can forget the last ones when
// they are decoded again.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void add(const AVFrame& frame) = 0;
    virtual std::size_t count() const = 0;
    virtual void keepFirst(std::size_t frames) = 0;
};

// Decodes every frame of the freshly opened `input` into `sink`, giving the same frames on every
// run and any number of cores, damaged data included. Frame threads do the work
// while the decoder meets no trouble; from the first trouble on, the video is
// decoded again on one thread from the last key frame before it, replacing the
// frames taken since. Throws MediaError.
void decodeWholeVideo(VideoInput& input, FrameSink& sink);
