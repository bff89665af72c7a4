#include "packet_log.h"

#include "media_error.h"
#include "video_input.h"

#include <cstdlib>

extern "C" {
#include <libavcodec/packet.h>
}

namespace {

// Enough for a group of pictures of any usual video, small beside memory.
constexpr std::size_t kMostBytes = std::size_t(256) << 20;

} // namespace

std::size_t PacketLog::mostBytes()
{
    const char* text = std::getenv("KESTRALINE_PACKET_LOG_BYTES");
    if (!text || !*text)
        return kMostBytes;
    char* end = nullptr;
    const unsigned long long bytes = std::strtoull(text, &end, 10);
    return *end == '\0' ? static_cast<std::size_t>(bytes) : kMostBytes;
}

PacketLog::PacketLog(VideoInput& input, bool fromKeyPacket)
    : input_(&input), fromKeyPacket_(fromKeyPacket), limit_(mostBytes())
{
}

PacketLog::~PacketLog()
{
    while (!kept_.empty())
        dropFront();
    av_packet_free(&firstPacket_);
}

const AVPacket* PacketLog::at(std::size_t index)
{
    if (index < first_)
        readAgainFrom(index);
    while (index >= read_ && readNext()) {
    }
    return index < read_ ? kept_[index - first_] : nullptr;
}

bool PacketLog::readNext()
{
    if (ended_)
        return false;
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    if (!input_->readPacket(packet)) {
        av_packet_free(&packet);
        ended_ = true;
        return false;
    }
    if (read_ == 0 && !firstPacket_) {
        firstPacket_ = av_packet_clone(packet);   // shares the data
        if (!firstPacket_) {
            av_packet_free(&packet);
            throw MediaError("out of memory");
        }
    }
    kept_.push_back(packet);
    bytes_ += static_cast<std::size_t>(packet->size);
    ++read_;
    while (bytes_ > limit_ && kept_.size() > 1)
        dropFront();
    return true;
}

void PacketLog::dropFront()
{
    AVPacket* packet = kept_.front();
    bytes_ -= static_cast<std::size_t>(packet->size);
    av_packet_free(&packet);
    kept_.pop_front();
    ++first_;
}

// Opens the file again and reads it as the input was read, up to packet `index`.
void PacketLog::readAgainFrom(std::size_t index)
{
    auto again = std::make_unique<VideoInput>(input_->path());
    if (fromKeyPacket_ && !again->skipToKeyPacket(firstPacket_))
        throw MediaError("\"" + input_->path() + "\" reads differently the second time");
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    bool ended = false;
    for (std::size_t i = 0; i < index && !ended; ++i) {
        ended = !again->readPacket(packet);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (ended)
        throw MediaError("\"" + input_->path() + "\" reads differently the second time");
    while (!kept_.empty())
        dropFront();
    first_ = read_ = index;
    ended_ = false;
    reread_ = std::move(again);
    input_ = reread_.get();
}

void PacketLog::forgetBefore(std::size_t index)
{
    while (first_ < index && !kept_.empty())
        dropFront();
}
