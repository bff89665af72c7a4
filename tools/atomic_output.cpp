#include "atomic_output.h"

#include "media_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the system itself follows before it gives up.
constexpr int kMostLinks = 40;

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string failure(const std::string& path, int error)
{
    return "cannot write \"" + path + "\": " + std::strerror(error);
}

std::string linkTarget(const std::string& link, std::size_t size)
{
    std::string target(size + 1, '\0');
    const ssize_t length = readlink(link.c_str(), target.data(), target.size());
    if (length < 0)
        throw MediaError(failure(link, errno));
    if (static_cast<std::size_t>(length) >= target.size())
        return linkTarget(link, target.size() * 2);   // the link changed meanwhile
    target.resize(static_cast<std::size_t>(length));
    return target;
}

// The file a path names once its symbolic links are followed, and what stands
// there now (nothing when it does not exist yet).
struct Target {
    std::string path;
    std::optional<struct stat> status;
};

Target followLinks(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT)
                throw MediaError(failure(path, errno));
            return {current, std::nullopt};
        }
        if (!S_ISLNK(status.st_mode))
            return {current, status};
        const std::string target = linkTarget(current, static_cast<std::size_t>(status.st_size));
        current = !target.empty() && target[0] == '/' ? target : folderOf(current) + "/" + target;
    }
    throw MediaError(failure(path, ELOOP));
}

// The checked file: a regular file the user may write, or nothing yet.
Target checkedTarget(const std::string& path)
{
    if (path.empty() || path.back() == '/')
        throw MediaError("\"" + path + "\" is not a file name");
    Target target = followLinks(path);
    if (!target.status)
        return target;
    if (!S_ISREG(target.status->st_mode))
        throw MediaError("\"" + path + "\" is not a regular file: it is left as it is");
    // Renaming over the file needs only the folder's permission: the file's own
    // is asked here, so that a file the user may not write stays as it is.
    if (access(target.path.c_str(), W_OK) != 0)
        throw MediaError(failure(path, errno) + ": it is left as it is");
    return target;
}

// The permissions of the file written: the old file's, else those a plain new
// file would get (rw for whom the umask allows).
mode_t modeFor(const Target& target)
{
    if (target.status)
        return target.status->st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void checkOutputPath(const std::string& path)
{
    checkedTarget(path);
}

void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    const Target target = checkedTarget(path);
    std::string temporary = folderOf(target.path) + "/.kestraline-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        throw MediaError("cannot write in the folder of \"" + path + "\": " + std::strerror(errno));
    bool ok = fchmod(fd, modeFor(target)) == 0 && writeAll(fd, bytes);
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), target.path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        throw MediaError(failure(path, error != 0 ? error : EIO));
    }
}
