// Folder listings of the file helpers.
#include "file_helpers.h"
#include "native_path.h"
#include "text_rules.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

enum class EntryKind { File, Folder };

// Names of the folder's entries of one kind, in the file system's order.
// Hidden names (starting with ".") are skipped; a link is neither kind.
QStringList visibleNames(const QString& folder, EntryKind kind)
{
    QStringList names;
    const auto directory = nativePath(folder + QLatin1Char('/'));
    if (!directory)
        return names;
    std::error_code error;
    for (fs::directory_iterator it(*directory, error), end; !error && it != end; it.increment(error)) {
        const QString name = fromNativePath(it->path().filename());
        if (name.startsWith(QLatin1Char('.')))
            continue;
        std::error_code statusError;
        const fs::file_type type = it->symlink_status(statusError).type();
        if (statusError)
            continue;
        if ((kind == EntryKind::File && type == fs::file_type::regular)
            || (kind == EntryKind::Folder && type == fs::file_type::directory))
            names.append(name);
    }
    return names;
}

// Wildcard match of a whole name: "*" any run of characters, "?" any one,
// letters in any case. "*.*" stands for every name, as it always has.
bool matchesMask(const QString& name, const QString& mask)
{
    if (mask == QLatin1String("*.*"))
        return true;
    const QString text = text_rules::upperSameLength(name);
    const QString pattern = text_rules::upperSameLength(mask);
    qsizetype t = 0;
    qsizetype p = 0;
    qsizetype starAt = -1;  // last "*" seen in the pattern
    qsizetype starText = 0; // where the text stood when it was seen
    while (t < text.size()) {
        if (p < pattern.size() && (pattern.at(p) == QLatin1Char('?') || pattern.at(p) == text.at(t))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) {
            starAt = p++;
            starText = t;
        } else if (starAt >= 0) {
            p = starAt + 1; // let the last "*" swallow one more character
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool hasExtension(const QString& name, const QStringList& extensions)
{
    const QString upper = text_rules::upperSameLength(name);
    for (const QString& extension : extensions) {
        if (upper.endsWith(extension))
            return true;
    }
    return false;
}

QString entry(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

void appendFiles(const QString& folder, const QString& mask, bool descend, bool listFolders, QStringList& list)
{
    for (const QString& name : visibleNames(folder, EntryKind::File)) {
        if (matchesMask(name, mask))
            list.append(entry(folder, name));
    }
    if (!descend)
        return;
    for (const QString& name : visibleNames(folder, EntryKind::Folder)) {
        const QString subfolder = entry(folder, name);
        if (listFolders)
            list.append(subfolder);
        appendFiles(subfolder, mask, true, listFolders, list);
    }
}

void appendDirs(const QString& folder, bool descend, QStringList& list)
{
    for (const QString& name : visibleNames(folder, EntryKind::Folder)) {
        const QString subfolder = entry(folder, name);
        list.append(subfolder);
        if (descend)
            appendDirs(subfolder, true, list);
    }
}

void appendFilesWithExtensions(const QString& folder, const QStringList& extensions, QStringList& list)
{
    for (const QString& name : visibleNames(folder, EntryKind::File)) {
        if (hasExtension(name, extensions))
            list.append(entry(folder, name));
    }
}

const QStringList kSoundExtensions{".OGG", ".MP3", ".WAV"};
const QStringList kPictureExtensions{".JPG", ".JPEG", ".PNG", ".GIF"};
const QStringList kPictureListExtensions{".JPG", ".JPEG", ".BMP", ".PNG", ".GIF"};

} // namespace

QString GetFilesFromDirectory(QString folder, QString mask, bool descend, bool listFolders)
{
    QStringList list;
    appendFiles(folder, mask, descend, listFolders, list);
    return text_rules::listText(list);
}

void GetFilesFromDirectory(QString folder, QString mask, bool descend, bool listFolders, QStringList& list)
{
    appendFiles(folder, mask, descend, listFolders, list);
}

QString GetDirsFromDirectory(QString folder, bool descend)
{
    QStringList list;
    appendDirs(folder, descend, list);
    return text_rules::listText(list);
}

int GetDirsFromDirectory(QString folder, bool descend, QStringList& list)
{
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    list.clear();
    appendDirs(folder, descend, list);
    return int(list.size());
}

QString GetSoundFromDirectory(QString folder)
{
    QStringList list;
    appendFilesWithExtensions(folder, kSoundExtensions, list);
    return text_rules::listText(list);
}

QString GetPicturesFromDirectory(QString folder)
{
    QStringList list;
    appendFilesWithExtensions(folder, kPictureExtensions, list);
    return text_rules::listText(list);
}

int GetPicturesFromDirectory(QString folder, QStringList& list)
{
    list.clear();
    appendFilesWithExtensions(folder, kPictureListExtensions, list);
    return int(list.size());
}
