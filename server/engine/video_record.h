#pragma once
#include <QString>

#include <cstdint>
#include <memory>

// One processed video of the project: its row of table `video` and, once loaded,
// its colour data split into a red plane (one byte per frame) and an interleaved
// green/blue plane (two bytes per frame), so that a search can scan red alone.
struct VIDEO_RECORD {
    int32_t id = 0, frames = 0, width = 0, height = 0;
    QString filename, path, comment;
    float fps = 0, duration = 0;
    std::unique_ptr<uint8_t[]> red_plane;        // frames bytes
    std::unique_ptr<uint8_t[]> green_blue_plane; // 2*frames bytes
};

// The frames a search may look at: none until the colour data is in memory (a
// missing or short colour-data file leaves the record without it), and never a
// negative count.
inline int32_t searchable_frames(const VIDEO_RECORD& record)
{
    return record.red_plane && record.green_blue_plane && record.frames > 0 ? record.frames : 0;
}
