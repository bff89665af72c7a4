#include "repeatable_decode.h"

#include "packet_log.h"

#include <memory>
#include <optional>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

namespace {

// A decoder that has not delivered a key frame after this many packets from a
// key packet does not begin with it.
constexpr std::size_t kMostPacketsBeforeTheKeyFrame = 64;

class GroupedDecode {
public:
    GroupedDecode(VideoInput& input, DecodeStart start, const FrameDecoder::FrameHandler& handler)
        : input_(input), log_(input, start == DecodeStart::KeyPacket), handler_(handler),
          group_{0, start == DecodeStart::KeyPacket}
    {
    }

    bool run();

private:
    // Where a group of pictures begins: a packet number, and whether that is a
    // key packet (else the start of the file).
    struct Group {
        std::size_t packet;
        bool atKeyPacket;
    };
    enum class Next { Go, Stop, Restart };

    Next take(const AVFrame& frame);
    void restart(Threading threading, std::size_t skip);
    std::optional<std::size_t> newGroupAt(const AVFrame& frame) const;
    void beginGroup(std::size_t packet);
    bool beginsWithItsKeyFrame(std::size_t packet);

    VideoInput& input_;
    PacketLog log_;
    const FrameDecoder::FrameHandler& handler_;
    Group group_;
    std::unique_ptr<FrameDecoder> decoder_;
    std::size_t next_ = 0;          // the next packet the decoder gets
    bool beforeKeyFrame_ = false;   // dropping frames that come before the group's key frame
    std::size_t skip_ = 0;          // frames the decoder gives again, already handed over
    std::size_t handed_ = 0;        // frames handed over since the group's key frame
    Threading restartWith_ = Threading::Frames;
};

bool GroupedDecode::run()
{
    if (group_.atKeyPacket && !beginsWithItsKeyFrame(0))
        return false;
    restart(Threading::Frames, 0);
    for (;;) {
        const AVPacket* packet = log_.at(next_);
        if (packet)
            ++next_;
        Next next = Next::Go;
        decoder_->decode(packet, static_cast<std::int64_t>(next_) - 1, [&](const AVFrame& frame) {
            next = take(frame);
            return next == Next::Go;
        });
        if (next == Next::Stop)
            return true;
        if (next == Next::Restart) {
            restart(restartWith_, restartWith_ == Threading::Single ? handed_ : 0);
            continue;
        }
        if (!packet) {
            // Trouble after the last frame may have cost frames at the end.
            if (decoder_->threading() == Threading::Frames && decoder_->troubled()) {
                restart(Threading::Single, handed_);
                continue;
            }
            return true;
        }
    }
}

// A fresh decoder from the group's first packet, which passes over the first
// `skip` frames of the group.
void GroupedDecode::restart(Threading threading, std::size_t skip)
{
    decoder_.reset();
    decoder_ = input_.newDecoder(threading);
    next_ = group_.packet;
    beforeKeyFrame_ = group_.atKeyPacket;
    skip_ = skip;
}

GroupedDecode::Next GroupedDecode::take(const AVFrame& frame)
{
    const bool frameThreads = decoder_->threading() == Threading::Frames;
    if (frameThreads && decoder_->troubled()) {
        // The group again on one thread: the frames handed over so far came from
        // data decoded without trouble, and one thread gives them again.
        restartWith_ = Threading::Single;
        return Next::Restart;
    }
    if (beforeKeyFrame_) {
        if (!frame.key_frame)
            return Next::Go;   // refers to pictures before the group
        beforeKeyFrame_ = false;
    }
    if (skip_ > 0) {
        --skip_;
        return Next::Go;
    }
    if (const std::optional<std::size_t> packet = newGroupAt(frame)) {
        if (frameThreads) {
            beginGroup(*packet);   // frame threads go on: their frames equal a fresh decoder's
        } else if (beginsWithItsKeyFrame(*packet)) {
            beginGroup(*packet);
            restartWith_ = Threading::Frames;
            return Next::Restart;
        }
    }
    ++handed_;
    return handler_(frame) ? Next::Go : Next::Stop;
}

// The packet of a key frame that begins a new group: the packet that began the
// frame, whether or not the demuxer marked it as a key packet (after damage, the
// parser of an MPEG program stream may cut a key picture together with another).
std::optional<std::size_t> GroupedDecode::newGroupAt(const AVFrame& frame) const
{
    const std::int64_t number = FrameDecoder::packetNumberOf(frame);
    if (!frame.key_frame || number < 0)
        return std::nullopt;
    const auto packet = static_cast<std::size_t>(number);
    if (group_.atKeyPacket && packet <= group_.packet)
        return std::nullopt;
    return packet;
}

void GroupedDecode::beginGroup(std::size_t packet)
{
    group_ = {packet, true};
    log_.forgetBefore(packet);
    handed_ = 0;
}

// Whether a fresh decoder on one thread, given the packets from the key packet
// `packet` on, delivers that packet's key frame before any other key frame.
bool GroupedDecode::beginsWithItsKeyFrame(std::size_t packet)
{
    if (!log_.at(packet))
        return false;
    const std::unique_ptr<FrameDecoder> decoder = input_.newDecoder(Threading::Single);
    std::optional<bool> begins;
    for (std::size_t i = packet; !begins; ++i) {
        const AVPacket* next = log_.at(i);
        decoder->decode(next, static_cast<std::int64_t>(i), [&](const AVFrame& frame) {
            if (frame.key_frame)
                begins = FrameDecoder::packetNumberOf(frame) == static_cast<std::int64_t>(packet);
            return !begins;
        });
        if (!next || i - packet >= kMostPacketsBeforeTheKeyFrame)
            break;
    }
    return begins.value_or(false);
}

} // namespace

bool decodeRepeatably(VideoInput& input, DecodeStart start, const FrameDecoder::FrameHandler& handler)
{
    return GroupedDecode(input, start, handler).run();
}
