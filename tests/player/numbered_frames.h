#pragma once
// Test videos whose frames carry their own number, and reading that number back
// from the picture a player drew: the frame on screen, seen as a person sees it.
#include <QImage>
#include <QString>

namespace numberedframes {

constexpr int CodeBits = 8;      // frame number bits, one 32-pixel column each
constexpr int CodeHeight = 48;   // rows of the code band at the top
constexpr int Width = 256;
constexpr int Height = 144;

// A moving test picture with the frame number in white and black columns above it.
inline QString numberedSource(const QString& rate, const QString& seconds)
{
    return QString("testsrc2=s=%1x%2:r=%3:d=%4,format=yuv420p,"
                   "geq=lum='if(lt(Y,%5),16+219*mod(floor(N/pow(2,floor(X/32))),2),lum(X,Y))'"
                   ":cb='if(lt(Y,%6),128,cb(X,Y))':cr='if(lt(Y,%6),128,cr(X,Y))'")
        .arg(Width).arg(Height).arg(rate, seconds).arg(CodeHeight).arg(CodeHeight / 2);
}

// The frame number read from the code band of the picture on screen; -1 when
// the picture is missing or a column is neither clearly white nor black.
inline int frameOnScreen(const QImage& picture)
{
    if (picture.isNull())
        return -1;
    int number = 0;
    for (int bit = 0; bit < CodeBits; ++bit) {
        const int x = (32 * bit + 16) * picture.width() / Width;
        const int y = (CodeHeight / 2) * picture.height() / Height;
        const int grey = qGray(picture.pixel(x, y));
        if (grey > 80 && grey < 170)
            return -1;
        if (grey >= 170)
            number |= 1 << bit;
    }
    return number;
}

} // namespace numberedframes
