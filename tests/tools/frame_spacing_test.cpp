// Frames that are not a whole number of ticks: stamps rounded to the nearest tick
// still name their frame, and nothing else does.
#include "frame_spacing.h"
#include "media_error.h"

#include <gtest/gtest.h>
#include <limits>

TEST(FrameSpacing, RoundedStampsNameTheirFrameAtEveryRate)
{
    struct Case {
        AVRational rate, timeBase;
        std::int64_t ticks;
        std::optional<std::int64_t> frame;
    };
    const Case cases[] = {
        {{25, 1}, {1, 12800}, 1024, 2},        {{25, 1}, {1, 12800}, 1023, std::nullopt},   // 512 ticks a frame
        {{25, 1}, {1, 50}, 4, 2},              {{25, 1}, {1, 50}, 3, std::nullopt},         // ticks count fields
        {{24000, 1001}, {1, 90000}, 7508, 2},  {{24000, 1001}, {1, 90000}, 11261, 3},       // 3753.75 ticks a frame
        {{24000, 1001}, {1, 90000}, 11263, std::nullopt},                                  // 1.75 ticks off
        {{24000, 1001}, {1, 90000}, -3754, -1},
        {{30000, 1001}, {1, 1000}, 34, 1},     {{30000, 1001}, {1, 1000}, 67, 2},           // 33.37 ms a frame
        {{30000, 1001}, {1, 1000}, 50, std::nullopt},
        {{60000, 1001}, {1, 1000}, 1001 * 60, 3600},
        {{30000, 1001}, {1, 1000}, std::numeric_limits<std::int64_t>::max(), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameSpacing(c.rate, c.timeBase).frameAt(c.ticks), c.frame)
            << c.rate.num << "/" << c.rate.den << " fps, " << c.ticks << " ticks of 1/" << c.timeBase.den;
}

TEST(FrameSpacing, FrameTimesRoundToTheNearestTick)
{
    const FrameSpacing mpeg({24000, 1001}, {1, 90000});
    EXPECT_EQ(mpeg.ticksTo(1), 3754);
    EXPECT_EQ(mpeg.ticksTo(2), 7508);   // 7507.5
    EXPECT_EQ(mpeg.ticksTo(3), 11261);
    EXPECT_EQ(mpeg.ticksTo(-1), -3754);
    const FrameSpacing matroska({60000, 1001}, {1, 1000});
    for (std::int64_t frame : {0, 1, 7, 59, 3599, 1000000})
        EXPECT_EQ(matroska.frameAt(matroska.ticksTo(frame)), frame);
}

TEST(FrameSpacing, RefusesARateOrTimeBaseThatIsNotAboveZero)
{
    for (const auto& [rate, timeBase] : {std::pair<AVRational, AVRational>{{0, 1}, {1, 1000}},
                                         {{25, 0}, {1, 1000}}, {{25, 1}, {0, 1}}, {{25, 1}, {1, -90000}}})
        EXPECT_THROW(FrameSpacing(rate, timeBase), MediaError) << rate.num << "/" << rate.den;
}
