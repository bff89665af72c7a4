#pragma once
#include <QString>
#include <QStringList>

namespace client {

// The twelve rows of the results grid: the answer element each shows and its label.
struct AnswerRow {
    const char* element;
    const char* label;
};
inline constexpr int kAnswerRowCount = 12;
extern const AnswerRow kAnswerRows[kAnswerRowCount];

// Writes into `values` (twelve texts, one per row) what the answer's lines give.
// Each line has every ">" turned into "<" and is cut at "<": field 1 is the
// element's name, field 2 its value, so a value holding "<" or ">" is shown up to
// that character. A name that is not one of the twelve, and a line without "<",
// change nothing; rows whose element does not occur keep their value, and an
// element given twice takes its later value. The query length is shown in frames:
// empty stays empty, otherwise the integer value (0 when it is not one) divided
// by 3.
void fill_answer_rows(QStringList& values, const QStringList& answerLines);

} // namespace client
