#include "colour_data.h"

#include "file_helpers.h"

#include <QFile>
#include <QFileInfo>
#include <limits>

namespace manager {

void COLOUR_DATA::Read(const QString& path)
{
    RGBDataSize = 0;
    if (!QFileInfo(path).isFile()) // follows links, as a file-exists test does
        return;
    const qint64 size = getFileSize(path);
    if (size > std::numeric_limits<qint32>::max())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes(size, Qt::Uninitialized);
    if (size > 0 && file.read(bytes.data(), size) != size)
        return; // a short read would leave bytes that came from nowhere
    RGBData = bytes;
    RGBDataSize = qint32(size);
}

} // namespace manager
