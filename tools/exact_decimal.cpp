#include "exact_decimal.h"

#include <cctype>
#include <limits>

namespace {

constexpr int kMaxDigits = 18;
constexpr int kMaxExponent = 100000;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads "[+-]digits" as the exponent; false when malformed.
bool parseExponent(const std::string& text, std::size_t pos, int& exponent)
{
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    if (pos >= text.size())
        return false;
    long value = 0;
    for (; pos < text.size(); ++pos) {
        if (!isDigit(text[pos]))
            return false;
        if (value < kMaxExponent)
            value = value * 10 + (text[pos] - '0');
    }
    exponent = static_cast<int>(negative ? -value : value);
    return true;
}

using Wide = unsigned __int128;

// 10^n as a 128-bit value, or 0 when it does not fit.
Wide powerOfTen(int n)
{
    Wide p = 1;
    for (int i = 0; i < n; ++i) {
        if (p > std::numeric_limits<Wide>::max() / 10)
            return 0;
        p *= 10;
    }
    return p;
}

} // namespace

std::optional<ExactDecimal> parseExactDecimal(const std::string& text)
{
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == '+')
        ++pos;
    ExactDecimal result;
    int digits = 0;       // significant digits kept in the mantissa
    int dropped = 0;      // integer digits cut beyond kMaxDigits
    int fraction = 0;     // fraction digits kept
    bool anyDigit = false;
    bool inFraction = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (!isDigit(c))
            break;
        anyDigit = true;
        if (digits == 0 && c == '0') {
            if (inFraction)
                ++fraction;
            continue;
        }
        if (digits < kMaxDigits) {
            result.mantissa = result.mantissa * 10 + static_cast<unsigned>(c - '0');
            ++digits;
            if (inFraction)
                ++fraction;
        } else if (!inFraction) {
            ++dropped;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    int exponent = 0;
    if (pos < text.size()) {
        if ((text[pos] != 'e' && text[pos] != 'E') || !parseExponent(text, pos + 1, exponent))
            return std::nullopt;
    }
    result.exponent = exponent + dropped - fraction;
    if (result.mantissa == 0)
        result.exponent = 0;
    return result;
}

std::int64_t floorTimesRatio(const ExactDecimal& value, std::int64_t num, std::int64_t den)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (value.mantissa == 0 || num <= 0 || den <= 0)
        return 0;
    Wide numerator = static_cast<Wide>(value.mantissa) * static_cast<Wide>(num);
    Wide denominator = static_cast<Wide>(den);
    if (value.exponent >= 0) {
        const Wide scale = powerOfTen(value.exponent);
        if (scale == 0 || numerator > std::numeric_limits<Wide>::max() / scale)
            return kMax;
        numerator *= scale;
    } else {
        const Wide scale = powerOfTen(-value.exponent);
        if (scale == 0 || denominator > std::numeric_limits<Wide>::max() / scale)
            return 0; // far below one unit: the mantissa×num part is < 2^127
        denominator *= scale;
    }
    const Wide quotient = numerator / denominator;
    return quotient > static_cast<Wide>(kMax) ? kMax : static_cast<std::int64_t>(quotient);
}
