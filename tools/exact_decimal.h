#pragma once
#include <cstdint>
#include <optional>
#include <string>

// A non-negative decimal number from a command line, kept exactly as written
// (mantissa × 10^exponent), so that "0.04" seconds is exactly 1/25 s and lands on
// the frame it names instead of a binary rounding just below it.
struct ExactDecimal {
    std::uint64_t mantissa = 0;
    int exponent = 0;
};

// Reads digits with an optional "." fraction and an optional exponent ("1e-05"),
// whatever the locale. Signs other than a leading "+", blanks, commas, "inf" and
// "nan" are refused. Digits beyond the eighteenth significant one are cut.
std::optional<ExactDecimal> parseExactDecimal(const std::string& text);

// floor(value × num / den) for positive num and den, saturated to
// [0, INT64_MAX]: a time in seconds to stream ticks, a length to frames.
std::int64_t floorTimesRatio(const ExactDecimal& value, std::int64_t num, std::int64_t den);
