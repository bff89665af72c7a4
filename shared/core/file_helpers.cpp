#include "file_helpers.h"

#include "native_path.h"

#include <algorithm>
#include <filesystem>

QString get_dir_name(QString path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.left(slash);
}

QString get_file_name(QString path)
{
    const qsizetype delimiter = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
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
    const auto native = nativePath(path);
    if (!native)
        return 0;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(*native, error);
    return error ? 0 : static_cast<qint64>(size);
}

QString addLastSlash(QString text)
{
    return text.endsWith(QLatin1Char('/')) ? text : text + QLatin1Char('/');
}

QString getFullPath(QString path, QString base)
{
    return path.startsWith(QLatin1Char('/')) ? path : addLastSlash(base) + path;
}

QString getRelativePath(QString path, QString base)
{
    const QString prefix = addLastSlash(base);
    return path.startsWith(prefix) ? path.mid(prefix.size()) : path;
}

int count_slashes(QString text)
{
    return int(text.count(QLatin1Char('/')));
}

QString get_last_dir_name(QString path)
{
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}
