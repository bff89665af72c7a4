#include "full_disk.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace testsupport {

SmallDisk::SmallDisk(qint64 bytes) : folder(base.path() + "/disk")
{
    if (!base.isValid() || !QDir().mkpath(folder)) {
        why = "no temporary folder for the small disk";
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0) {
        why = QString("mounting a small tmpfs was refused (%1): the test needs root").arg(std::strerror(errno));
        return;
    }
    mounted = true;
}

SmallDisk::~SmallDisk()
{
    // Detached at once even while a file on it is still open.
    if (mounted)
        ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}

void SmallDisk::fill()
{
    const int fd = ::open(QFile::encodeName(fillerPath()).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot create the filler of the small disk");
    static const char zeros[4096] = {};
    ssize_t written = 0;
    do
        written = ::write(fd, zeros, sizeof zeros);
    while (written > 0);
    const int error = errno;
    ::close(fd);
    if (error != ENOSPC)
        throw std::runtime_error(std::string("filling the small disk stopped short: ") + std::strerror(error));
}

void SmallDisk::free()
{
    if (!QFile::remove(fillerPath()))
        throw std::runtime_error("cannot remove the filler of the small disk");
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    if (::getrlimit(RLIMIT_FSIZE, &previous) != 0)
        throw std::runtime_error("cannot read the file size limit");
    previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limited) != 0)
        throw std::runtime_error("cannot set the file size limit");
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
}

} // namespace testsupport
