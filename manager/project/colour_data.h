#pragma once
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace manager {

// The colour data of the video the viewer shows: the whole colour-data file,
// byte for byte (three bytes per frame: red, green, blue). `RGBDataSize` counts
// the valid bytes; 0 means no colour data and no strip.
class COLOUR_DATA {
public:
    QByteArray RGBData = QByteArray(2, '\0'); // placeholder until the first good read
    qint32 RGBDataSize = 0;

    // Reads the file at `path` in one read into a new array that replaces the
    // old one. A missing file, a file that cannot be opened or read in full, or
    // one larger than a 32-bit signed count leaves RGBDataSize at 0 (the old
    // array stays allocated but counts as empty).
    void Read(const QString& path);

    // Frames with a full triple: RGBDataSize / 3.
    qint32 Frames() const { return RGBDataSize / 3; }
};

} // namespace manager
