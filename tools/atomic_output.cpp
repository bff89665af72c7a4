#include "atomic_output.h"

#include "media_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The permissions a plain new file would get (rw for whom the umask allows).
mode_t plainFileMode()
{
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

void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    if (path.empty() || path.back() == '/')
        throw MediaError("\"" + path + "\" is not a file name");
    std::string temporary = folderOf(path) + "/.kestraline-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        throw MediaError("cannot write in the folder of \"" + path + "\": " + std::strerror(errno));
    bool ok = fchmod(fd, plainFileMode()) == 0 && writeAll(fd, bytes);
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        throw MediaError("cannot write \"" + path + "\": " + std::strerror(error != 0 ? error : EIO));
    }
}
