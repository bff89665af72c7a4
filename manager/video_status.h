#pragma once
#include <QString>

namespace manager {

// The whole set of values of the column `status` of table `video`. The search
// server loads only the rows marked processed.
inline QString status_queued() { return QStringLiteral("В очереди на обработку"); }
inline QString status_processed() { return QStringLiteral("Обработан"); }
inline QString status_failed() { return QStringLiteral("Ошибка"); }

} // namespace manager
