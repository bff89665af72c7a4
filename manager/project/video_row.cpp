#include "video_row.h"

#include "number_format.h"

namespace manager {

QStringList VIDEO_ROW::GridTexts() const
{
    return {
        QString::number(id),
        status,
        filename,
        path,
        format_general_locale(fps),
        format_general_locale(duration),
        QString::number(frames),
        QString::number(width),
        QString::number(height),
        comment,
    };
}

} // namespace manager
