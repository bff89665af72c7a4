#pragma once
// Full disks for tests, made for real: a small file system that fills up, and a
// limit on the size of the files a process writes.
#include <QString>
#include <QTemporaryDir>
#include <sys/resource.h>

namespace testsupport {

// A tmpfs of `bytes` mounted on a folder of its own while the object lives (the
// suite runs as root). Where mounting is refused, isMounted() is false and
// refusal() says why, for the test to skip with.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool isMounted() const { return mounted; }
    QString refusal() const { return why; }
    QString path() const { return folder; }

    // Takes every byte still free with a file of its own; free() gives them back.
    void fill();
    void free();

private:
    QString fillerPath() const { return folder + "/.filler"; }

    QTemporaryDir base;
    QString folder;
    bool mounted = false;
    QString why;
};

// While it lives, no file that this process or a program it starts writes can
// grow past `bytes`: a write past the limit stores what fits and then fails
// (SIGXFSZ is ignored, so it does not end the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit previous {};
    void (*previousHandler)(int) = nullptr;
};

} // namespace testsupport
