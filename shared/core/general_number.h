#pragma once
#include <charconv>
#include <cmath>
#include <string>

// A real as the programs write it into protocol texts, log lines and tool command
// lines and as the tools print it: general format with at most 15 significant
// digits (printf's "%.15g": trailing zeros dropped, an exponent below -4 or from 15
// on written as "e+NN"), "." as the decimal separator whatever the locale. An exact
// tie at the fifteenth digit rounds away from zero, and negative zero reads "0",
// as Qt's number texts have it. Plain C++, so the console tools share it without
// Qt: 30000/1001 gives "29.97002997003", 25 gives "25".
inline std::string general_number(double value)
{
    if (std::isnan(value))
        return "nan";
    if (value == 0)
        return "0";
    // A tie ends at the sixteenth significant digit with a 5: first a cheap look
    // at seventeen digits, then, only where those end in "50", every digit of the
    // double (at most 767) shows whether the expansion really ends there.
    const auto endsInFiftyAtSixteen = [value](int digits) {
        char buffer[800];
        const char* const end =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1).ptr;
        int position = 0; // significant digits seen
        bool tie = false;
        for (const char* c = buffer; c != end && *c != 'e'; ++c) {
            if (*c < '0' || *c > '9')
                continue;
            ++position;
            if (position == 16)
                tie = *c == '5';
            else if (position > 16 && *c != '0')
                tie = false;
        }
        return tie;
    };
    const bool tie = endsInFiftyAtSixteen(17) && endsInFiftyAtSixteen(767);
    // The next double away from zero lies past the tie and far short of the next
    // rounding step, so rounding it to nearest rounds the tie away from zero.
    if (tie)
        value = std::nextafter(value, value > 0 ? HUGE_VAL : -HUGE_VAL);
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr);
}
