#pragma once
#include "video_record.h"

#include <cstdint>

// Results of the exact search of one query in one video.
constexpr int32_t QUERY_NOT_FOUND = -1;
constexpr int32_t QUERY_AMBIGUOUS = -3;

// The plain exact search, start by start: red pre-test, red run, then the green
// and blue run, stopping at the second occurrence. Every start from 0 to
// frames - query frames is tried, so a query ending on the video's last frame
// (or as long as the video) is found; a query without a whole frame is found
// nowhere. Returns the start frame of the only occurrence, QUERY_NOT_FOUND or
// QUERY_AMBIGUOUS. The batch search must give exactly these answers.
int32_t reference_find_pos(const VIDEO_RECORD& record, const uint8_t* query, int32_t querylen);
