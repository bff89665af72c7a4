#include "log_view_text.h"

namespace server {

LogViewText::Change LogViewText::add(const QString& lines)
{
    if (lines.isEmpty())
        return Change::None;
    if (current.size() > limit) {
        current = lines;
        return Change::Replaced;
    }
    current += lines;
    return Change::Appended;
}

} // namespace server
