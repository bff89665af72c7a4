#include "reference_search.h"

namespace {

bool matches_at(const VIDEO_RECORD& record, const uint8_t* query, int64_t qf, int64_t p)
{
    const uint8_t* red = record.red_plane.get();
    const uint8_t* green_blue = record.green_blue_plane.get();
    for (int64_t j = 0; j < qf; ++j) {
        if (red[p + j] != query[3 * j])
            return false;
    }
    for (int64_t j = 0; j < qf; ++j) {
        if (green_blue[2 * (p + j)] != query[3 * j + 1] || green_blue[2 * (p + j) + 1] != query[3 * j + 2])
            return false;
    }
    return true;
}

} // namespace

int32_t reference_find_pos(const VIDEO_RECORD& record, const uint8_t* query, int32_t querylen)
{
    const int64_t qf = querylen > 0 ? querylen / 3 : 0;
    if (qf == 0)
        return QUERY_NOT_FOUND;
    const int64_t last_start = static_cast<int64_t>(searchable_frames(record)) - qf;
    int32_t result = QUERY_NOT_FOUND;
    for (int64_t p = 0; p <= last_start; ++p) {
        if (record.red_plane[p] != query[0])
            continue;
        if (!matches_at(record, query, qf, p))
            continue;
        if (result != QUERY_NOT_FOUND)
            return QUERY_AMBIGUOUS;
        result = static_cast<int32_t>(p);
    }
    return result;
}
