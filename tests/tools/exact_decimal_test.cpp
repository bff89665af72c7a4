// Seconds on the tools' command lines are read exactly, so a start on a frame's
// time lands on that frame and not one tick before it.
#include "exact_decimal.h"

#include <gtest/gtest.h>

namespace {

std::int64_t ticks(const std::string& seconds, std::int64_t num, std::int64_t den)
{
    const auto value = parseExactDecimal(seconds);
    EXPECT_TRUE(value.has_value()) << seconds;
    return value ? floorTimesRatio(*value, num, den) : -1;
}

} // namespace

TEST(ExactDecimal, FrameTimesLandOnTheirTicks)
{
    EXPECT_EQ(ticks("0.04", 12800, 1), 512);     // 1/25 s in a 1/12800 time base
    EXPECT_EQ(ticks("0.1", 90000, 1), 9000);
    EXPECT_EQ(ticks("2.016", 25, 1), 50);        // the client's (50 + 0.4) / 25
    EXPECT_EQ(ticks("1.6816666666667", 30000, 1001), 50);
    EXPECT_EQ(ticks("12.5", 1000, 1), 12500);
    EXPECT_EQ(ticks("0.0399", 25, 1), 0);
}

TEST(ExactDecimal, AcceptsTheFormsOfAGeneralNumber)
{
    EXPECT_EQ(ticks("1e-05", 100000, 1), 1);
    EXPECT_EQ(ticks("2.5E+2", 1, 1), 250);
    EXPECT_EQ(ticks("+7", 1, 1), 7);
    EXPECT_EQ(ticks(".5", 2, 1), 1);
    EXPECT_EQ(ticks("5.", 1, 1), 5);
    EXPECT_EQ(ticks("000.000", 1000, 1), 0);
    EXPECT_EQ(ticks("0.000000000000000000000000123456", 1, 1), 0);
    EXPECT_EQ(ticks("123456789012345678901234567890", 1, 1000000000000000000LL), 123456789012LL);
}

TEST(ExactDecimal, RefusesWhatIsNotAPlainNonNegativeNumber)
{
    for (const char* text : {"", "-1", "1,5", " 1", "1 ", "abc", "inf", "nan", "0x10", "1e", "1e+", ".", "1.2.3", "--1"})
        EXPECT_FALSE(parseExactDecimal(text).has_value()) << text;
}

TEST(ExactDecimal, HugeValuesSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(ticks("1e300", 90000, 1), INT64_MAX);
    EXPECT_EQ(ticks("99999999999999999999", 90000, 1), INT64_MAX);
    EXPECT_EQ(ticks("1e-300", 90000, 1), 0);
    EXPECT_EQ(ticks("1e99999999999", 1, 1), INT64_MAX);
}
