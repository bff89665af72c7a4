#pragma once
#include <optional>

namespace player {

// How a seek ends on the frame on screen at its target: the last frame whose time
// is not after it. The engine's precise seek starts decoding at a key frame it
// looks for a fixed time (the offset) before the target and shows the first frame
// at or after the target. So:
//   - a frame shown after the target either follows the frame on screen at the
//     target, which is then one step back, or it is the first frame decoded
//     because the key frame found lay after the target (long key-frame spacing);
//     stepping back tells the two apart;
//   - a seek that shows no frame at all (decoding found no data before the end)
//     or that landed after the target is made again with a larger offset, until
//     decoding starts at the beginning of the file.
class SeekPlan {
public:
    // Frame times and targets come from the same clock through different
    // arithmetic: closer than this they are the same instant.
    static constexpr double SameInstant = 1e-6;

    enum class Step {
        Done,      // the frame on screen at the target is shown (or nothing better can be had)
        StepBack,  // show the frame before the one shown
        Seek,      // seek to the target again, with offset()
    };

    // `target` and `earliest` (where the file's time begins) in seconds on the
    // engine's clock; `offset` is the engine's usual one.
    SeekPlan(double target, double offset, double earliest);

    double target() const { return target_; }
    double offset() const { return offset_; }

    // The next step after the last seek or step showed the frame at `shown`
    // seconds, or showed no new frame (nothing).
    Step next(std::optional<double> shown);

private:
    Step fromFurtherBack();

    double target_;
    double offset_;
    double earliest_;
    std::optional<double> shownAfterTarget_;  // set while stepping back
    int seeks_ = 1;
};

} // namespace player
