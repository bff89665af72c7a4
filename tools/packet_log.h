#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

struct AVPacket;
class VideoInput;

// The video packets read from an input, numbered from 0 in reading order, kept
// so that a fresh decoder can decode a group of pictures again. Past a size
// limit the oldest are let go; asking for one of those again reads the file
// again from the input's first packet.
class PacketLog {
public:
    // `input` stands at the start of the file or, `fromKeyPacket`, at the key
    // packet that skipToKeyPacket found: packet 0.
    PacketLog(VideoInput& input, bool fromKeyPacket);
    ~PacketLog();
    PacketLog(const PacketLog&) = delete;
    PacketLog& operator=(const PacketLog&) = delete;

    // Packet `index`, reading on as far as needed; nullptr after the last one.
    // Valid until forgetBefore lets it go. Throws MediaError.
    const AVPacket* at(std::size_t index);

    // Lets the packets before `index` go for good.
    void forgetBefore(std::size_t index);

    // How many bytes of packets are kept at most before the oldest are let go;
    // KESTRALINE_PACKET_LOG_BYTES sets it for tests.
    static std::size_t mostBytes();

private:
    bool readNext();
    void dropFront();
    void readAgainFrom(std::size_t index);

    VideoInput* input_;
    std::unique_ptr<VideoInput> reread_;   // the file opened again, when packets were let go
    bool fromKeyPacket_;
    AVPacket* firstPacket_ = nullptr;   // packet 0, to find it again when read again
    std::deque<AVPacket*> kept_;             // packets first_ .. read_ - 1
    std::size_t first_ = 0;
    std::size_t read_ = 0;
    std::size_t bytes_ = 0;
    std::size_t limit_;
    bool ended_ = false;
};
