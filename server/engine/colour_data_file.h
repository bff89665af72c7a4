#pragma once
#include "video_record.h"

#include <QString>

// The colour-data file of a video: no header, one triple red, green, blue per frame.
QString colour_data_file_name(const QString& folder, int32_t id);

// Reads exactly 3 * frames bytes of `file` into the record's red and green/blue
// planes. A missing, unreadable or short file leaves the record without colour
// data (false); bytes beyond 3 * frames are ignored. A record of no frames (or a
// negative count) gets empty planes.
bool load_colour_data(const QString& file, VIDEO_RECORD& record);
