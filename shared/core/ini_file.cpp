#include "ini_file.h"

#include <QFile>
#include <QSaveFile>
#include <unistd.h>

namespace {

bool isSectionLine(const QString& line)
{
    const QString t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

QString sectionName(const QString& line)
{
    const QString t = line.trimmed();
    return t.mid(1, t.size() - 2).trimmed();
}

// The key of a "key=value" line, or an empty text for other lines.
QString keyOf(const QString& line)
{
    const int eq = line.indexOf('=');
    if (eq < 0 || line.trimmed().startsWith(';'))
        return QString();
    return line.left(eq).trimmed();
}

} // namespace

IniFile::IniFile(const QString& path) : filePath(path)
{
    load();
}

void IniFile::load()
{
    lines.clear();
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace("\r\n", "\n");
    lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
}

bool IniFile::UpdateFile() const
{
    QByteArray data;
    for (const QString& line : lines)
        data += line.toUtf8() + "\r\n";
    // Unbuffered, so that a write the disk refuses fails here and is not lost in the
    // buffer's flush at commit; a short write (a full disk, a file size limit) and a
    // failed sync are failures too. The temporary file then goes and never replaces
    // the old one.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(data) != data.size() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

int IniFile::findSection(const QString& section) const
{
    for (int i = 0; i < lines.size(); ++i)
        if (isSectionLine(lines[i]) && sectionName(lines[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::findKey(int sectionLine, const QString& key) const
{
    for (int i = sectionLine + 1; i < lines.size() && !isSectionLine(lines[i]); ++i)
        if (keyOf(lines[i]).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int s = findSection(section);
    const int k = s < 0 ? -1 : findKey(s, key);
    if (k < 0)
        return defaultValue;
    const QString& line = lines[k];
    return line.mid(line.indexOf('=') + 1);
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // A value cannot span lines in this format: line breaks would split the key.
    QString flat = value;
    flat.replace('\r', ' ').replace('\n', ' ');
    const QString entry = key + "=" + flat;
    int s = findSection(section);
    if (s < 0) {
        lines << "[" + section + "]" << entry;
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        lines[k] = entry;
    } else {
        int end = s + 1;
        while (end < lines.size() && !isSectionLine(lines[end]))
            ++end;
        while (end > s + 1 && lines[end - 1].trimmed().isEmpty())
            --end;
        lines.insert(end, entry);
    }
}
