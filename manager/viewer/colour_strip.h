#pragma once
#include <QImage>
#include <QtGlobal>

namespace manager {

// The viewer's colour strip: the red, green and blue values of the frames
// around `curFrame` as three curves on `picture`, whose size is the strip's
// width W and height H. `rgb` holds `rgbSize` bytes, three per frame.
//
// The strip is never cleared as a whole: every visited frame f, at column
// x = f - S, first gets a one-pixel background line at column x + 1 (black for
// the current frame, white otherwise), then, when frame f + 1 exists, a line per
// channel from (x, B - v(f)*B/255) to (x + 1, B - v(f+1)*B/255), B = H - 1. Lines
// leave their end point unpainted, so column 0 and rows beyond what one poll
// reaches keep what earlier polls drew there.
void draw_colour_strip(const uchar* rgb, qint32 rgbSize, qint64 curFrame, QImage& picture);

// A one-pixel line from `from` towards `to` in `colour`, the end point itself
// left unpainted; pixels outside the picture are skipped.
void draw_line_without_end(QImage& picture, QPoint from, QPoint to, QRgb colour);

} // namespace manager
