#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

// A settings file of sections and key=value lines, UTF-8. Reading a missing file or
// key gives the default. Values are kept as the exact text after the first "=",
// unquoted: commas, quotes and Cyrillic letters come back as written. WriteString
// changes the text in memory; UpdateFile replaces the file by the whole new text at
// once, keeping every other section, key and line, and creates the file when missing.
class IniFile {
public:
    explicit IniFile(const QString& path);

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    // The new text goes to a temporary file that replaces the old one only once it
    // is complete and on disk: false (and the old file as it was, byte for byte)
    // when any write, the sync or the rename fails, as on a full disk.
    bool UpdateFile() const;

    const QString& path() const { return filePath; }

private:
    void load();
    int findSection(const QString& section) const;
    int findKey(int sectionLine, const QString& key) const;

    QString filePath;
    QStringList lines;
};
