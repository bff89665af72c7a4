#pragma once
#include <QString>

// Reals in protocol texts, log lines and tool command lines: general_number() as
// a text (general format, at most 15 significant digits, "." whatever the locale).
QString format_general(double value);

// The same number as grids show it: general format, 15 significant digits, the
// user's decimal separator, no digit grouping.
QString format_general_locale(double value);
