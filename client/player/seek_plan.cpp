#include "seek_plan.h"

namespace player {

namespace {
// Each new seek looks this many times further back; a bound on the seeks keeps
// a file whose times make no sense from seeking for ever.
constexpr double Widening = 4.0;
constexpr int MaxSeeks = 8;
} // namespace

SeekPlan::SeekPlan(double target, double offset, double earliest)
    : target_(target), offset_(offset), earliest_(earliest)
{
}

SeekPlan::Step SeekPlan::next(std::optional<double> shown)
{
    const bool notAfterTarget = shown && *shown <= target_ + SameInstant;
    if (!shownAfterTarget_) {
        if (notAfterTarget)
            return Step::Done;
        if (!shown)
            return fromFurtherBack();
        shownAfterTarget_ = shown;
        return Step::StepBack;
    }
    // A step back that moved back and is not after the target shows the frame
    // on screen at the target. One still after the target, or one that failed to
    // move back, means frames after the target were never decoded.
    const bool movedBack = shown && *shown < *shownAfterTarget_ - SameInstant;
    shownAfterTarget_.reset();
    if (movedBack && notAfterTarget)
        return Step::Done;
    return fromFurtherBack();
}

SeekPlan::Step SeekPlan::fromFurtherBack()
{
    // Once decoding already started at the beginning, looking further back
    // changes nothing.
    if (seeks_ >= MaxSeeks || target_ - offset_ <= earliest_)
        return Step::Done;
    ++seeks_;
    offset_ *= Widening;
    return Step::Seek;
}

} // namespace player
