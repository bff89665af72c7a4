#pragma once
#include <QString>

// The whole set of values of the column `status` of table `video`: the manager
// writes them as a video's processing goes, the search server loads only the
// rows marked processed.
inline QString video_status_queued() { return QStringLiteral("В очереди на обработку"); }
inline QString video_status_processed() { return QStringLiteral("Обработан"); }
inline QString video_status_failed() { return QStringLiteral("Ошибка"); }
