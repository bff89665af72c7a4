#include "repeatable_decode.h"

#include <optional>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

// A key frame the sink took: how many frames came before it, and where its
// packet lies.
struct KeyFrameMark {
    std::size_t frames = 0;
    std::int64_t pos = -1;
    std::int64_t pts = 0;
};

// Decodes on frame threads until the first trouble, which `troubled` reports.
// Returns the last key frame taken before it that can be found again (nothing
// when none was).
std::optional<KeyFrameMark> decodeUntilTrouble(VideoInput& input, FrameSink& sink, bool& troubled)
{
    std::optional<KeyFrameMark> lastKey;
    troubled = false;
    input.decode([&](const AVFrame& frame) {
        if (input.troubled()) {
            troubled = true;
            return false;
        }
        // Only a key frame whose packet position is known can be found again.
        if (frame.key_frame && frame.pkt_pos >= 0)
            lastKey = KeyFrameMark{sink.count(), frame.pkt_pos, frame.pts};
        sink.add(frame);
        return true;
    });
    // Trouble after the last frame may still have cost frames: decode again then too.
    troubled = troubled || input.troubled();
    return lastKey;
}

// Decodes on one thread from the key frame `from`, dropping the frames the new
// decoder delivers before it. False when that key frame is not found again.
bool decodeFromKeyFrame(const std::string& path, const KeyFrameMark& from, FrameSink& sink)
{
    if (from.pos < 0)
        return false;
    VideoInput input(path, Threading::Single);
    if (!input.skipToKeyPacket(from.pos))
        return false;
    bool found = false;
    bool lost = false;
    input.decode([&](const AVFrame& frame) {
        if (!found) {
            if (!frame.key_frame)
                return true;
            if (frame.pts != from.pts) {
                lost = true;
                return false;
            }
            found = true;
        }
        sink.add(frame);
        return true;
    });
    return found && !lost;
}

} // namespace

void decodeWholeVideo(VideoInput& input, FrameSink& sink)
{
    const std::string& path = input.path();
    bool troubled = false;
    const std::optional<KeyFrameMark> lastKey = decodeUntilTrouble(input, sink, troubled);
    if (!troubled)
        return;
    if (lastKey) {
        sink.keepFirst(lastKey->frames);
        if (decodeFromKeyFrame(path, *lastKey, sink))
            return;
    }
    // No key frame to start again from: the whole video on one thread.
    sink.keepFirst(0);
    VideoInput single(path, Threading::Single);
    single.decode([&](const AVFrame& frame) {
        sink.add(frame);
        return true;
    });
}
