#include "frame_count.h"

#include <algorithm>

namespace client {

int frame_count_from_text(const QString& text)
{
    bool ok = false;
    const int count = text.trimmed().toInt(&ok);
    return ok ? count : 50;
}

QString clamped_frame_count_text(const QString& text)
{
    return QString::number(std::clamp(frame_count_from_text(text), 10, 1000));
}

} // namespace client
