#include "colour_data_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Frames read and split per step: the file is never held whole beside its planes.
constexpr int64_t FRAMES_PER_READ = 1 << 16;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }

private:
    const int fd;
};

// Opens `file` for reading when it is a regular file (links followed) and gives
// its size. The open never waits: without O_NONBLOCK a FIFO would hold it until
// a writer came. The type is tested on the open descriptor, so no other file can
// take the name's place between the test and the read.
int open_regular_file(const QString& file, int64_t& size)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = info.st_size;
    return fd;
}

// Reads exactly `length` bytes; false at the end of the file or on an error.
bool read_fully(int fd, uint8_t* into, int64_t length)
{
    while (length > 0) {
        const ssize_t got = ::read(fd, into, static_cast<size_t>(length));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        length -= got;
    }
    return true;
}

// Reads `frames` triples from `fd` into new planes, a step at a time; the record
// gets them only once all were read. False also when the planes do not fit: their
// allocation is asked to return null rather than throw, so that an address-sanitizer
// build, whose throwing new ends the process, takes this way too.
bool read_planes(int fd, int64_t frames, VIDEO_RECORD& record)
{
    std::unique_ptr<uint8_t[]> red(new (std::nothrow) uint8_t[frames > 0 ? frames : 1]);
    std::unique_ptr<uint8_t[]> green_blue(new (std::nothrow) uint8_t[frames > 0 ? 2 * frames : 1]);
    if (!red || !green_blue)
        return false;
    std::vector<uint8_t> triples(static_cast<size_t>(3 * std::min(frames, FRAMES_PER_READ)));
    for (int64_t first = 0; first < frames; first += FRAMES_PER_READ) {
        const int64_t step = std::min(frames - first, FRAMES_PER_READ);
        if (!read_fully(fd, triples.data(), 3 * step))
            return false;
        for (int64_t i = 0; i < step; ++i) {
            red[first + i] = triples[3 * i];
            green_blue[2 * (first + i)] = triples[3 * i + 1];
            green_blue[2 * (first + i) + 1] = triples[3 * i + 2];
        }
    }
    record.red_plane = std::move(red);
    record.green_blue_plane = std::move(green_blue);
    return true;
}

} // namespace

bool load_colour_data(const QString& file, VIDEO_RECORD& record)
{
    const int64_t frames = record.frames > 0 ? record.frames : 0;
    int64_t size = 0;
    const FileDescriptor input(open_regular_file(file, size));
    // Check the size before allocating, so that a row claiming billions of frames
    // over a small file costs nothing.
    if (input.get() < 0 || size < 3 * frames)
        return false;
    try {
        return read_planes(input.get(), frames, record);
    } catch (const std::bad_alloc&) {
        // More than the memory the server may take: the video is left out, as
        // one whose file cannot be read.
        return false;
    }
}
