#pragma once
#include "video_record.h"

#include <QString>

// The colour-data file of a video: no header, one triple red, green, blue per frame.
// Where it lies: project_files.h.

// Reads exactly 3 * frames bytes of `file` into the record's red and green/blue
// planes. A file that is missing, no regular file (a FIFO, a folder, a device),
// unreadable, short, or too large for the memory the server may take leaves the
// record without colour data (false); nothing waits or throws. Bytes beyond
// 3 * frames are ignored. A record of no frames (or a negative count) gets empty
// planes.
bool load_colour_data(const QString& file, VIDEO_RECORD& record);
