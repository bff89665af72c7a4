#include "video_input.h"

#include "media_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The clockwise turn, in quarter turns, that the stream's display matrix asks for.
int rotationOf(const AVStream& stream)
{
    std::size_t size = 0;
    const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || size < 9 * sizeof(std::int32_t))
        return 0;
    // The matrix's angle is counter-clockwise; NaN for a degenerate matrix.
    const double degrees = -av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
    if (!std::isfinite(degrees))
        return 0;
    const long quarters = std::lround(degrees / 90.0) % 4;
    return static_cast<int>((quarters + 4) % 4) * 90;
}

bool positive(AVRational rate)
{
    return rate.num > 0 && rate.den > 0;
}

// The rate the tools count with and Clipmeta prints: the stream's nominal rate,
// unless an MP4 or MOV states an average (frames over length, from the sample
// table of the whole stream) that departs from it by more than 1 %. Then the frame
// rate varies (frames dropped, parts at other rates), and the average makes frames
// / rate the video's length and frame / rate each frame's time on average. Other
// containers state no such average: theirs is a header's rate (AVI copied from
// MP4 gives 50 for 25 fps) or that of the frames read at opening. 0/1 when unknown.
AVRational countingRate(AVFormatContext* format, AVStream* stream)
{
    const AVRational nominal = av_guess_frame_rate(format, stream, nullptr);
    const AVRational average = stream->avg_frame_rate;
    const bool statesAverage = std::strcmp(format->iformat->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0;
    if (statesAverage && positive(average) &&
        (!positive(nominal) || std::abs(av_q2d(av_div_q(average, nominal)) - 1) > 0.01))
        return average;
    return positive(nominal) ? nominal : AVRational{0, 1};
}

// Whether two packets hold the same bytes from the same place of the file (an
// MPEG program stream gives many packets no place).
bool samePacket(const AVPacket& a, const AVPacket& b)
{
    return a.pos == b.pos && a.size == b.size && (a.size == 0 || std::memcmp(a.data, b.data, a.size) == 0);
}

} // namespace

VideoInput::VideoInput(const std::string& path) : path_(path)
{
    try {
        openStream();
        held_ = av_packet_alloc();
        if (!held_)
            throw MediaError("out of memory");
    } catch (...) {
        close();
        throw;
    }
}

VideoInput::~VideoInput()
{
    decoder_.reset();
    close();
}

void VideoInput::close()
{
    av_packet_free(&held_);
    avformat_close_input(&format_);
    avio_closep(&io_);   // ours: the demuxer leaves it open
}

void VideoInput::openStream()
{
    // "file:" keeps a name such as "clip:1.mp4" or "concat:..." a plain local file.
    const std::string url = "file:" + path_;
    AVDictionary* fileOptions = nullptr;
    av_dict_set(&fileOptions, "protocol_whitelist", "file", 0);
    const int opened = avio_open2(&io_, url.c_str(), AVIO_FLAG_READ, nullptr, &fileOptions);
    av_dict_free(&fileOptions);
    if (opened < 0)
        throw MediaError("cannot open \"" + path_ + "\": " + ffmpegErrorText(opened));
    // The demuxer reads that one file and may open nothing else: a playlist or a
    // movie that names other files or addresses (HLS, ffconcat, references) is
    // refused, not followed. No protocol is called "none".
    format_ = avformat_alloc_context();
    if (!format_)
        throw MediaError("out of memory");
    format_->pb = io_;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "none", 0);
    const int demuxed = avformat_open_input(&format_, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (demuxed < 0)
        throw MediaError("cannot open \"" + path_ + "\": " + ffmpegErrorText(demuxed));
    const int probed = avformat_find_stream_info(format_, nullptr);
    if (probed < 0)
        throw MediaError("cannot read the streams of \"" + path_ + "\": " + ffmpegErrorText(probed));
    streamIndex_ = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0 || (format_->streams[streamIndex_]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        throw MediaError("no video stream in \"" + path_ + "\"");
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    }

    AVStream* stream = format_->streams[streamIndex_];
    info_.width = stream->codecpar->width;
    info_.height = stream->codecpar->height;
    info_.frameRate = countingRate(format_, stream);
    info_.timeBase = stream->time_base;
    info_.startTimeKnown = stream->start_time != AV_NOPTS_VALUE;
    info_.startTime = info_.startTimeKnown ? stream->start_time : 0;
    info_.colourSpace = stream->codecpar->color_space;
    info_.colourRange = stream->codecpar->color_range;
    if (format_->start_time != AV_NOPTS_VALUE)
        info_.formatStartSeconds = static_cast<double>(format_->start_time) / AV_TIME_BASE;
    info_.rotationDegrees = rotationOf(*stream);
    info_.formatName = format_->iformat->name;
    if (info_.formatName == "avi")
        listChunks(*stream);
}

std::unique_ptr<FrameDecoder> VideoInput::newDecoder(Threading threading) const
{
    const AVStream* stream = format_->streams[streamIndex_];
    return std::make_unique<FrameDecoder>(*stream->codecpar, stream->time_base, threading, path_);
}

bool VideoInput::seekBefore(std::int64_t ticks)
{
    av_packet_unref(held_);
    heldValid_ = false;
    digests_.clear();
    if (av_seek_frame(format_, streamIndex_, ticks, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    if (decoder_)
        decoder_->flush();
    return true;
}

void VideoInput::listChunks(AVStream& stream)
{
    const int count = avformat_index_get_entries_count(&stream);
    chunks_.reserve(count);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(&stream, i);
        chunks_.push_back({entry->pos, entry->size, entry->timestamp});
    }
    std::sort(chunks_.begin(), chunks_.end(),
              [](const ListedChunk& a, const ListedChunk& b) { return a.pos < b.pos; });
}

// The next packet of the video stream; a negative value at the end of the data.
int VideoInput::readVideoPacket(AVPacket* packet)
{
    for (;;) {
        const int read = av_read_frame(format_, packet);
        if (read < 0)
            return read;
        if (packet->stream_index == streamIndex_) {
            keepToListedChunk(packet);
            return read;
        }
        av_packet_unref(packet);
    }
}

// Damage to the size in an AVI chunk's header makes the demuxer read the chunks
// that the index lists after it as part of that chunk, while a seek to one of
// them reads it on its own: the reading from the start and a stretch's reading
// after a seek would decode other packets. So such a packet is cut to the size
// the index lists, and reading goes on at the next chunk it lists, as after a
// seek there (where the demuxer refuses that seek, reading goes on as it read).
void VideoInput::keepToListedChunk(AVPacket* packet)
{
    constexpr std::int64_t kChunkHeader = 8;   // an AVI index lists where a chunk's header begins
    if (chunks_.empty() || packet->pos < kChunkHeader)
        return;
    const std::int64_t header = packet->pos - kChunkHeader;
    const auto listed = std::lower_bound(chunks_.begin(), chunks_.end(), header,
                                         [](const ListedChunk& c, std::int64_t pos) { return c.pos < pos; });
    if (listed == chunks_.end() || listed->pos != header || listed + 1 == chunks_.end())
        return;
    const ListedChunk& next = *(listed + 1);
    if (listed->size < 0 || packet->size <= listed->size || next.pos >= packet->pos + packet->size)
        return;
    av_shrink_packet(packet, listed->size);
    av_seek_frame(format_, streamIndex_, next.timestamp, AVSEEK_FLAG_ANY);
}

std::optional<KeyPacket> VideoInput::skipToKeyPacket(const AVPacket* same)
{
    av_packet_unref(held_);
    heldValid_ = false;
    digests_.clear();
    while (readVideoPacket(held_) >= 0) {
        if ((held_->flags & AV_PKT_FLAG_KEY) && (!same || samePacket(*held_, *same))) {
            heldValid_ = true;
            return KeyPacket{held_->pts, held_->dts, held_->pos};
        }
        av_packet_unref(held_);
    }
    return std::nullopt;
}

bool VideoInput::readPacket(AVPacket* packet)
{
    if (heldValid_) {
        heldValid_ = false;
        av_packet_move_ref(packet, held_);
    } else if (readVideoPacket(packet) < 0) {
        return false;
    }
    if (keepingDigests_)
        digests_.push_back(digestOf(*packet));
    return true;
}

std::uint64_t VideoInput::digestOf(const AVPacket& packet)
{
    // FNV-1a over the size, the key flag and up to 64 bytes at each end.
    std::uint64_t digest = 14695981039346656037ull;
    const auto add = [&digest](std::uint64_t value) {
        digest ^= value;
        digest *= 1099511628211ull;
    };
    add(static_cast<std::uint64_t>(packet.size));
    add(packet.flags & AV_PKT_FLAG_KEY);
    const int ends = std::min(packet.size, 64);
    for (int i = 0; i < ends; ++i) {
        add(packet.data[i]);
        add(packet.data[packet.size - 1 - i]);
    }
    return digest;
}

void VideoInput::decode(const FrameHandler& handler)
{
    if (!decoder_)
        decoder_ = newDecoder(Threading::Frames);
    decode(*decoder_, handler);
}

void VideoInput::decode(FrameDecoder& decoder, const FrameHandler& handler)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    try {
        bool going = true;
        while (going && readPacket(packet)) {
            going = decoder.decode(packet, handler);
            av_packet_unref(packet);
        }
        if (going)
            decoder.decode(nullptr, handler);   // drain the frames still in the decoder
    } catch (...) {
        av_packet_free(&packet);
        throw;
    }
    av_packet_free(&packet);
}

#if defined(__SANITIZE_THREAD__)
#include "ffmpeg_tsan_suppressions.h"

// Weak: a program that links the player as well takes the player's list, which
// holds these lines and those of mpv's libraries.
extern "C" __attribute__((weak)) const char* __tsan_default_suppressions()
{
    return KESTRALINE_FFMPEG_TSAN_SUPPRESSIONS;
}
#endif
