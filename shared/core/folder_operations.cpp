// Whole-folder delete, copy and move of the file helpers. They never overwrite
// or merge into anything that stands at a target, and each reports whether its
// own operation completed.
#include "file_helpers.h"
#include "native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>

namespace fs = std::filesystem;

namespace {

// The path of a folder argument without final "/" (the root stays "/"), so
// that a final "/" never turns a link into the folder it points to.
std::optional<fs::path> operandPath(QString text)
{
    while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return nativePath(text);
}

fs::file_type typeOf(const fs::path& path)
{
    std::error_code error;
    return fs::symlink_status(path, error).type();
}

// The absolute path with links and ".." resolved as far as the path exists;
// none when that cannot be worked out.
std::optional<fs::path> resolved(const fs::path& path)
{
    std::error_code error;
    fs::path result = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error)
        return std::nullopt;
    return result;
}

// Whether `inner` is `outer` or lies inside it; true when unsure.
bool isWithin(const fs::path& inner, const fs::path& outer)
{
    const auto innerPath = resolved(inner);
    const auto outerPath = resolved(outer);
    if (!innerPath || !outerPath)
        return true;
    return std::mismatch(outerPath->begin(), outerPath->end(), innerPath->begin(), innerPath->end()).first
        == outerPath->end();
}

bool createParentFolders(const fs::path& target)
{
    const fs::path parent = target.parent_path();
    if (parent.empty())
        return true;
    std::error_code error;
    fs::create_directories(parent, error);
    return !error;
}

// A source that is a real folder (not a link) and a target where nothing
// stands, outside the source, whose parent folders exist.
bool prepareTreeOperation(const fs::path& source, const fs::path& target)
{
    return typeOf(source) == fs::file_type::directory && typeOf(target) == fs::file_type::not_found
        && !isWithin(target, source) && createParentFolders(target);
}

// Copies the tree (links as links); a failed copy removes what it created.
bool copyTree(const fs::path& source, const fs::path& target)
{
    std::error_code error;
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    if (!error)
        return true;
    std::error_code cleanupError;
    fs::remove_all(target, cleanupError);
    return false;
}

// rename(2) that refuses to replace an existing target; 0 or an errno value.
int renameWithoutReplacing(const fs::path& source, const fs::path& target)
{
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL || typeOf(target) != fs::file_type::not_found)
        return errno;
    // The file system cannot refuse by itself; the target was checked free.
    return ::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno;
}

} // namespace

bool DeleteDirectoryFull(QString folder)
{
    const auto path = operandPath(folder);
    if (!path)
        return false;
    const fs::file_type type = typeOf(*path);
    // Never the root folder itself, however it is named; a link to it is
    // only a link and may go.
    const auto real = resolved(*path);
    if (type != fs::file_type::symlink && (!real || *real == real->root_path()))
        return false;
    if (type == fs::file_type::directory || type == fs::file_type::symlink) {
        std::error_code error;
        fs::remove_all(*path, error);
    }
    std::error_code error;
    return !fs::is_directory(*path, error);
}

bool CopyDirectoryFull(QString source, QString target)
{
    const auto from = operandPath(source);
    const auto to = operandPath(target);
    return from && to && prepareTreeOperation(*from, *to) && copyTree(*from, *to);
}

bool MoveDirectoryFull(QString source, QString target)
{
    const auto from = operandPath(source);
    const auto to = operandPath(target);
    if (!from || !to || !prepareTreeOperation(*from, *to))
        return false;
    const int renameError = renameWithoutReplacing(*from, *to);
    if (renameError != EXDEV)
        return renameError == 0;
    // Another file system: the source goes only after a complete copy.
    if (!copyTree(*from, *to))
        return false;
    std::error_code error;
    fs::remove_all(*from, error);
    return !error;
}
