#include "native_path.h"

#include <QFile>

std::optional<std::filesystem::path> nativePath(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(0)))
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

QString fromNativePath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}
