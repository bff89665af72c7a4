#include "status_bar_texts.h"

#include "video_status.h"

namespace manager {

QStringList status_bar_texts(const QStringList& statuses)
{
    return {
        "Всего записей: " + QString::number(statuses.size()),
        "Обработано: " + QString::number(statuses.count(video_status_processed())),
        "С ошибкой: " + QString::number(statuses.count(video_status_failed())),
        "В обработке: " + QString::number(statuses.count(video_status_queued())),
    };
}

} // namespace manager
