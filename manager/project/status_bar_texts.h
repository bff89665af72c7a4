#pragma once
#include <QStringList>

namespace manager {

// The four counting panels of a video list's status bar, for the status words of
// every listed row: "Всего записей: N", "Обработано: N", "С ошибкой: N",
// "В обработке: N". A status counts only when it equals a status word exactly.
QStringList status_bar_texts(const QStringList& statuses);

} // namespace manager
