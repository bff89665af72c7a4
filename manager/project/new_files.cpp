#include "new_files.h"

#include <QSet>

namespace manager {

NEW_FILES split_new_files(const QStringList& chosen, const QStringList& listed, const QStringList& inProject)
{
    QSet<QString> known(listed.begin(), listed.end());
    known.unite(QSet<QString>(inProject.begin(), inProject.end()));
    NEW_FILES result;
    for (const QString& path : chosen) {
        if (known.contains(path)) {
            result.anyDuplicate = true;
            continue;
        }
        known.insert(path);
        result.accepted << path;
    }
    return result;
}

} // namespace manager
