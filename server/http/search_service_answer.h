#pragma once
#include <QString>
#include <cstdint>

struct SEARCH_RESULT_COPY;

// The element values of one search answer as text. The four kinds of answer ("OK" or
// "Ambiguous result", "Not found", expired, "Too many queries") are four ways of filling
// these values; the text itself is built in one place, SearchAnswerText.
struct SearchAnswerValues {
    bool has_result_line = true; // the expired answer has no `result` line
    QString result, found, querylen, position, framepos, id, filename, fps, duration, frames, width,
        height, comment;
};

SearchAnswerValues TooManyQueriesAnswer();
SearchAnswerValues ExpiredAnswer(int32_t querylen);
SearchAnswerValues NotFoundAnswer(int32_t querylen);
// A query found in `found` >= 1 videos; the video fields are those of the reported one.
SearchAnswerValues FoundAnswer(const SEARCH_RESULT_COPY& result);

// "<xml>", one line per element, "</xml>"; every line ends with LF; nothing is escaped.
QString SearchAnswerText(const SearchAnswerValues& values);

// The request-log detail of a found query, from the same texts as its answer.
QString FoundLogDetail(const SearchAnswerValues& values);

// Seconds at `framepos`, computed in single precision as the answer prints it; a frame
// rate of 0 gives position 0.
QString PositionText(int32_t framepos, float fps);
