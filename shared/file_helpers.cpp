#include "file_helpers.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// Position (from 0) of the last character of `path` that is one of `delimiters`,
// or -1; the scan runs from the end so the match nearest the end wins.
qsizetype lastIndexOfAny(const QString& path, const QString& delimiters)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (delimiters.contains(path.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString get_dir_name(QString path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.left(slash);
}

QString get_file_name(QString path)
{
    const qsizetype delimiter = lastIndexOfAny(path, QStringLiteral("/\\"));
    return delimiter < 0 ? path : path.mid(delimiter + 1);
}

QString without_extension(QString path)
{
    const qsizetype point = path.lastIndexOf(QLatin1Char('.'));
    return point < 0 ? QString() : path.left(point);
}

QString get_extension(QString path)
{
    const qsizetype point = path.lastIndexOf(QLatin1Char('.'));
    return point < 0 ? QString() : path.mid(point);
}

qint64 getFileSize(QString path)
{
    // A NUL would cut the encoded name short and examine another file.
    if (path.isEmpty() || path.contains(QChar(0)))
        return 0;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return static_cast<qint64>(status.st_size);
}
