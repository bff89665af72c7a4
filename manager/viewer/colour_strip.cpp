#include "colour_strip.h"

#include <cstdlib>

namespace manager {

namespace {

const QRgb backgroundPen = qRgb(255, 255, 255);
const QRgb currentFramePen = qRgb(0, 0, 0);
const QRgb channelPens[3] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255)};

void plot(QImage& picture, int x, int y, QRgb colour)
{
    if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height())
        reinterpret_cast<QRgb*>(picture.scanLine(y))[x] = colour;
}

// The row of value `v` (0..255) on a strip whose bottom row is `bottom`.
int rowOf(uchar v, int bottom)
{
    return bottom - v * bottom / 255;
}

} // namespace

void draw_line_without_end(QImage& picture, QPoint from, QPoint to, QRgb colour)
{
    const int dx = to.x() - from.x(), dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    // Step along the longer axis; the shorter one follows the ideal line, rounded
    // half away from the start.
    for (int i = 0; i < steps; ++i) {
        const int x = from.x() + (dx >= 0 ? 1 : -1) * ((2 * i * std::abs(dx) + steps) / (2 * steps));
        const int y = from.y() + (dy >= 0 ? 1 : -1) * ((2 * i * std::abs(dy) + steps) / (2 * steps));
        plot(picture, x, y, colour);
    }
}

void draw_colour_strip(const uchar* rgb, qint32 rgbSize, qint64 curFrame, QImage& picture)
{
    if (picture.depth() != 32)
        picture.convertTo(QImage::Format_RGB32);
    const int W = picture.width(), H = picture.height();
    const int B = H - 1;
    const qint64 N = rgbSize / 3;
    // 64-bit frame numbers: a current frame beyond the 32-bit range (a video
    // reporting an absurd frame rate) finds no data instead of wrapping around.
    const qint64 S = std::max<qint64>(curFrame - W / 2, 0);
    const qint64 E = S + W < N ? S + W : N - 1;
    for (qint64 f = S; f <= E; ++f) {
        const int x = int(f - S);
        draw_line_without_end(picture, {x + 1, 0}, {x + 1, B}, f == curFrame ? currentFramePen : backgroundPen);
        if (f + 1 >= N)
            continue;
        const uchar* now = rgb + 3 * f;
        const uchar* next = now + 3;
        for (int channel = 0; channel < 3; ++channel)
            draw_line_without_end(picture, {x, rowOf(now[channel], B)}, {x + 1, rowOf(next[channel], B)},
                                  channelPens[channel]);
    }
}

} // namespace manager
