#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

// A settings file of sections and key=value lines, UTF-8. Reading a missing file or
// key gives the default. Values are kept as the exact text after the first "=",
// unquoted: commas, quotes and Cyrillic letters come back as written. Writing keeps
// every other section, key and line of the file, and creates the file on the first
// write. Each write goes to disk at once, through a temporary file renamed into
// place, so a failed write never leaves a half-written settings file.
class IniFile {
public:
    explicit IniFile(const QString& path);

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // False when the file could not be written.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // Writes are immediate; kept for callers that flush after a group of writes.
    bool UpdateFile();

    const QString& path() const { return filePath; }

private:
    void load();
    bool save() const;
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;

    QString filePath;
    QStringList lines;
};
