#pragma once
// Test videos whose frames carry their own number, and reading that number back
// from the picture a player drew: the frame on screen, seen as a person sees it.
#include "test_support.h"

#include <QImage>
#include <QString>
#include <QVector>

namespace numberedframes {

constexpr int CodeBits = 16;     // frame number bits, one column each
constexpr int CodeHeight = 48;   // rows of the code band at the top
constexpr int Width = 256;
constexpr int Height = 144;
constexpr int ColumnWidth = Width / CodeBits;

// A moving test picture with the frame number in white and black columns above it.
inline QString numberedSource(const QString& rate, const QString& seconds)
{
    return QString("testsrc2=s=%1x%2:r=%3:d=%4,format=yuv420p,"
                   "geq=lum='if(lt(Y,%5),16+219*mod(floor(N/pow(2,floor(X/%7))),2),lum(X,Y))'"
                   ":cb='if(lt(Y,%6),128,cb(X,Y))':cr='if(lt(Y,%6),128,cr(X,Y))'")
        .arg(Width).arg(Height).arg(rate, seconds).arg(CodeHeight).arg(CodeHeight / 2).arg(ColumnWidth);
}

// The frame number read from the code band of the picture on screen; -1 when
// the picture is missing or a column is neither clearly white nor black.
inline int frameOnScreen(const QImage& picture)
{
    if (picture.isNull())
        return -1;
    int number = 0;
    for (int bit = 0; bit < CodeBits; ++bit) {
        const int x = (ColumnWidth * bit + ColumnWidth / 2) * picture.width() / Width;
        const int y = (CodeHeight / 2) * picture.height() / Height;
        const int grey = qGray(picture.pixel(x, y));
        if (grey > 80 && grey < 170)
            return -1;
        if (grey >= 170)
            number |= 1 << bit;
    }
    return number;
}

// The numbers the frames of a video carry, in the order FFmpeg's decoder delivers
// them, read from each frame's code band as stored (not turned): an account of
// the file's frames independent of the player and of the analysis tool.
inline QVector<int> numbersInFile(const QString& video)
{
    // Each code column averaged to one grey byte, away from the band's edges.
    const QString band = QString("crop=%1:%2:0:%3,scale=%4:1:flags=area,format=gray")
                             .arg(Width).arg(CodeHeight / 2).arg(CodeHeight / 4).arg(CodeBits);
    QByteArray grey;
    testsupport::runProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-noautorotate", "-i", video, "-map",
                                       "0:v:0", "-fps_mode", "passthrough", "-vf", band, "-f", "rawvideo", "-"},
                            &grey);
    QVector<int> numbers;
    for (int at = 0; at + CodeBits <= grey.size(); at += CodeBits) {
        int number = 0;
        for (int bit = 0; bit < CodeBits; ++bit)
            number |= (static_cast<unsigned char>(grey[at + bit]) >= 128) << bit;
        numbers.append(number);
    }
    return numbers;
}

} // namespace numberedframes
