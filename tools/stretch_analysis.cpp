// analyseStretch: decodes a stretch from the key frame at or before its start,
// found by seeking and checked against the times the frames carry, so that the
// frames are those of the whole-file decode, in every container.
#include "video_analysis.h"

#include "colour_pipeline.h"
#include "frame_clock.h"
#include "frame_spacing.h"
#include "frame_zero.h"
#include "media_error.h"
#include "repeatable_decode.h"
#include "saturating_math.h"
#include "stretch_picker.h"
#include "video_input.h"

#include <limits>
#include <optional>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
constexpr int kMostSeeks = 16;

// Where the stretch begins (stream ticks after frame 0, rounded down) and how many
// frames it holds.
struct StretchPlan {
    std::int64_t start = 0;
    std::int64_t frames = 0;
};

// The frames' spacing in ticks; refuses a stream without a sound rate or time base.
FrameSpacing spacingOf(const VideoStreamInfo& info, const std::string& path)
{
    if (info.frameRate.num <= 0 || info.frameRate.den <= 0)
        throw MediaError("the frame rate of \"" + path + "\" is unknown");
    if (info.timeBase.num <= 0 || info.timeBase.den <= 0)
        throw MediaError("the time base of the video in \"" + path + "\" is unknown");
    return FrameSpacing(info.frameRate, info.timeBase);
}

StretchPlan planStretch(const VideoStreamInfo& info, const Stretch& stretch)
{
    StretchPlan plan;
    plan.start = floorTimesRatio(stretch.start, info.timeBase.den, info.timeBase.num);
    plan.frames = floorTimesRatio(stretch.length, info.frameRate.num, info.frameRate.den);
    return plan;
}

// The frames of the stretch, picked out of the frames fed to it; `start` is in
// the units of the clock that times them.
class StretchOutput {
public:
    StretchOutput(const VideoStreamInfo& info, std::int64_t start, std::int64_t frames, bool fedFromVideoStart)
        : pipeline_(newColourPipeline(info)),
          picker_(start, frames, fedFromVideoStart, [this](const AVFrame& f) { pipeline_->add(f); })
    {
    }
    StretchPicker::Verdict feed(const AVFrame& frame, std::int64_t time) { return picker_.feed(frame, time); }
    std::vector<std::uint8_t> finish()
    {
        picker_.finish();
        return pipeline_->finish();
    }
    std::size_t count() const { return pipeline_->count(); }

private:
    std::unique_ptr<ColourPipeline> pipeline_;
    StretchPicker picker_;
};

class StretchDecoder {
public:
    StretchDecoder(const std::string& path, const Stretch& stretch)
        : input_(path), info_(input_.info()), spacing_(spacingOf(info_, path)), stretch_(stretch),
          plan_(planStretch(info_, stretch))
    {
    }

    std::vector<std::uint8_t> run();

private:
    enum class Outcome {
        Done,        // the stretch is complete
        Overshot,    // the first usable frame lies after the start (or not before keyBefore)
        Untrusted,   // the frames there cannot be matched with the whole-file decode
    };
    struct Attempt {
        Outcome outcome = Outcome::Untrusted;
        std::int64_t keyTime = 0;   // the first usable frame's time in ticks, else the seek target
        std::vector<std::uint8_t> data;
    };

    Attempt fromKeyFrameBefore(std::int64_t target, std::int64_t keyBefore);
    std::optional<std::int64_t> indexOf(const AVFrame& frame) const;
    std::int64_t ticksAt(std::int64_t time) const { return FrameClock::ticksAt(info_, basis_, time); }
    std::vector<std::uint8_t> fromStart();
    bool probeClock();
    bool readsAlikeFrom(std::int64_t earlier);

    VideoInput input_;
    const VideoStreamInfo& info_;
    FrameSpacing spacing_;
    Stretch stretch_;
    StretchPlan plan_;
    FrameClock::Basis basis_;
    std::int64_t clockStart_ = 0;   // the stretch's start in the units of basis_'s clock
    std::int64_t indexLead_ = 0;    // decoding time of the packet the first frame came out with
    bool untouched_ = true;
};

std::int64_t oneSecond(const VideoStreamInfo& info)
{
    return av_rescale_q(1, AVRational{1, 1}, info.timeBase);
}

// Seeking to the start: from the key frame at or before it, stepping further back
// where the container's seek lands after it, on a key frame that a fresh decoder
// does not begin with, or where a reading from further back cuts other packets.
// From such a key frame the decode repeats the whole-file decode's, damaged data
// included (see decodeRepeatably).
std::vector<std::uint8_t> StretchDecoder::run()
{
    if (plan_.frames == 0)
        return {};
    if (plan_.start <= oneSecond(info_) || !probeClock())
        return fromStart();
    std::int64_t target = plan_.start;
    std::int64_t keyBefore = kNever;
    std::int64_t step = oneSecond(info_);
    for (int seek = 0; seek < kMostSeeks && target > 0; ++seek) {
        Attempt attempt = fromKeyFrameBefore(target, keyBefore);
        switch (attempt.outcome) {
        case Outcome::Done:
            if (readsAlikeFrom(saturatingSubtract(target, step)))
                return std::move(attempt.data);
            [[fallthrough]];   // cut otherwise than the whole file is: from further back
        case Outcome::Untrusted:
            return fromStart();
        case Outcome::Overshot:
            keyBefore = std::min(keyBefore, attempt.keyTime);
            target = saturatingSubtract(std::min(target, attempt.keyTime), step);
            step = saturatingAdd(step, step);
            break;
        }
    }
    return fromStart();
}

// Learns from frame 0 how the whole-file decode times frames. Frames timed by
// index are recognised after a seek by the decoding time of the packet each came
// out with, which runs that far ahead of the frame's index.
bool StretchDecoder::probeClock()
{
    untouched_ = false;
    input_.keepDigests();
    const std::optional<FrameZero> zero = findFrameZero(input_);
    if (!zero)
        return false;
    basis_ = zero->basis;
    indexLead_ = zero->packetDts;
    clockStart_ = FrameClock::timeAt(info_, basis_, stretch_.start);
    return !basis_.byIndex || indexLead_ != AV_NOPTS_VALUE;
}

// Whether a reading from `earlier` (ticks after frame 0; from the start of the
// file if not above 0) cuts the packets the last attempt read as it did. A
// demuxer whose parser cuts frames out of a stream (MPEG program streams) cuts
// them, after damage, by what it read before: after the seek it may cut them
// otherwise than the whole-file reading from the start did. Two readings that
// begin before the damage cut alike.
bool StretchDecoder::readsAlikeFrom(std::int64_t earlier)
{
    const std::vector<std::uint64_t>& read = input_.digests();
    if (read.empty())
        return true;
    VideoInput other(input_.path());
    if (earlier > 0 && !other.seekBefore(saturatingAdd(basis_.origin, earlier)))
        return false;
    // The attempt's key packet lies within a minute's frames, more those between
    // the two readings, of where the other one begins.
    const std::int64_t between = plan_.start - std::max<std::int64_t>(earlier, 0);
    const double seconds = 60 + static_cast<double>(between) * av_q2d(info_.timeBase);
    const auto mostBefore = static_cast<std::size_t>(seconds * av_q2d(info_.frameRate)) + 64;
    AVPacket* packet = av_packet_alloc();
    if (!packet)
        throw MediaError("out of memory");
    std::size_t matched = 0;
    for (std::size_t passed = 0; matched < read.size() && passed <= mostBefore && other.readPacket(packet);) {
        const std::uint64_t digest = VideoInput::digestOf(*packet);
        av_packet_unref(packet);
        if (digest == read[matched])
            ++matched;
        else if (matched > 0)
            break;
        else
            ++passed;
    }
    av_packet_free(&packet);
    return matched == read.size();
}

// The index of a frame timed by index, from its packet's decoding time.
std::optional<std::int64_t> StretchDecoder::indexOf(const AVFrame& frame) const
{
    if (frame.pkt_dts == AV_NOPTS_VALUE)
        return std::nullopt;
    return spacing_.frameAt(saturatingSubtract(frame.pkt_dts, indexLead_));
}

StretchDecoder::Attempt StretchDecoder::fromKeyFrameBefore(std::int64_t target, std::int64_t keyBefore)
{
    if (!input_.seekBefore(saturatingAdd(basis_.origin, target)))
        return {};
    const std::optional<KeyPacket> key = input_.skipToKeyPacket();
    if (!key)
        return {Outcome::Overshot, target, {}};   // landed after the last key frame
    // A key packet's own stamp says at once when the seek landed too late.
    std::int64_t keyTime = target;
    if (!basis_.byIndex && key->pts != AV_NOPTS_VALUE && key->pos >= 0) {
        keyTime = saturatingSubtract(key->pts, basis_.origin);
        if (keyTime > plan_.start || keyTime >= keyBefore)
            return {Outcome::Overshot, keyTime, {}};
    }

    std::optional<FrameClock> clock;
    StretchOutput output(info_, clockStart_, plan_.frames, false);
    Attempt attempt{Outcome::Done, target, {}};
    bool timed = false;
    std::int64_t lastTime = 0;
    std::int64_t nextIndex = 0;
    bool complete = false;
    auto stop = [&](Outcome outcome) {
        attempt.outcome = outcome;
        return false;
    };
    const bool began = decodeRepeatably(input_, DecodeStart::KeyPacket, [&](const AVFrame& frame) {
        if (!clock) {
            // Frames timed by stamps are timed from the first one that carries
            // its own: a frame without one follows the frame before it.
            if (!basis_.byIndex && FrameClock::stampOf(frame) == AV_NOPTS_VALUE)
                return true;
            if (basis_.byIndex) {
                const std::optional<std::int64_t> index = indexOf(frame);
                if (!index)
                    return stop(Outcome::Untrusted);
                nextIndex = *index;
            }
            clock.emplace(info_, basis_, nextIndex);
        } else if (basis_.byIndex && frame.pkt_dts != AV_NOPTS_VALUE && indexOf(frame) != nextIndex) {
            return stop(Outcome::Untrusted);
        }
        ++nextIndex;
        const std::int64_t time = clock->timeOf(frame);
        if (!timed) {
            timed = true;
            attempt.keyTime = ticksAt(time);
            if (attempt.keyTime >= keyBefore)
                return stop(Outcome::Overshot);
        } else if (time <= lastTime) {
            return stop(Outcome::Untrusted);
        }
        lastTime = time;
        const StretchPicker::Verdict verdict = output.feed(frame, time);
        if (verdict == StretchPicker::Verdict::Overshot)
            return stop(Outcome::Overshot);
        complete = verdict == StretchPicker::Verdict::Done;
        return !complete;
    });
    if (!began)
        return {Outcome::Overshot, keyTime, {}};   // a fresh decoder does not begin with this key frame
    if (attempt.outcome != Outcome::Done)
        return attempt;
    if (!clock)
        return {Outcome::Overshot, target, {}};   // the video ended before a frame could be timed
    attempt.data = output.finish();
    return attempt;
}

// Decodes from the video's first frame, timing the frames as the whole-file
// decode does.
std::vector<std::uint8_t> StretchDecoder::fromStart()
{
    std::optional<VideoInput> fresh;
    if (!untouched_)
        fresh.emplace(input_.path());
    VideoInput& input = fresh ? *fresh : input_;
    untouched_ = false;
    // Frame 0 decides how frames are timed, and so the units of the start.
    std::optional<StretchOutput> output;
    std::optional<FrameClock> clock;
    decodeRepeatably(input, DecodeStart::FileStart, [&](const AVFrame& frame) {
        if (!clock) {
            const FrameClock::Basis basis = FrameClock::basisOf(info_, frame);
            clock.emplace(info_, basis);
            output.emplace(info_, FrameClock::timeAt(info_, basis, stretch_.start), plan_.frames, true);
        }
        return output->feed(frame, clock->timeOf(frame)) != StretchPicker::Verdict::Done;
    });
    // The frame on screen at a start after the last one joins the output only now.
    std::vector<std::uint8_t> data = output ? output->finish() : std::vector<std::uint8_t>();
    if (!output || output->count() == 0)
        throw MediaError("no frame could be decoded from \"" + input.path() + "\"");
    return data;
}

} // namespace

std::vector<std::uint8_t> analyseStretch(const std::string& path, const Stretch& stretch)
{
    return StretchDecoder(path, stretch).run();
}
