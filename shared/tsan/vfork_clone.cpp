// Linked into every program and test of a thread-sanitizer build, nowhere else.
//
// Qt starts a program with clone(CLONE_VM | CLONE_VFORK), whose child runs in the
// parent's memory until it execs. ThreadSanitizer's clone interceptor runs its child
// bookkeeping in that shared memory, so it lands on the parent: the starting thread
// stops seeing its own locks and stops reporting races, and the whole process counts
// as a child of a multithreaded fork, whose later threads go unwatched. Such a clone
// is made an ordinary fork here, which the sanitizer models; the child runs the same
// function, which execs or ends as before, and the pidfd Qt asked for is opened for it.
// Qt learns whether the program started through a pipe, which works after a fork too.
// Other clones go to the sanitizer as usual.
#include <dlfcn.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

namespace {

using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);

constexpr int kVfork = CLONE_VM | CLONE_VFORK;

// A clone that only starts a program: the vfork flags, at most a pidfd, and SIGCHLD at its end.
bool startsAProgram(int flags)
{
    return (flags & kVfork) == kVfork && (flags & ~(kVfork | CLONE_PIDFD | CSIGNAL)) == 0
           && (flags & CSIGNAL) == SIGCHLD;
}

int forkInstead(int (*function)(void*), int flags, void* argument, int* pidfd)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(function(argument));
    if (pid < 0 || !(flags & CLONE_PIDFD))
        return pid;
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) {
        const int error = errno;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        errno = error;
        return -1;
    }
    *pidfd = static_cast<int>(fd);
    return pid;
}

} // namespace

extern "C" int clone(int (*function)(void*), void* stack, int flags, void* argument, ...)
{
    va_list rest;
    va_start(rest, argument);
    auto* parentTid = va_arg(rest, pid_t*);
    auto* tls = va_arg(rest, void*);
    auto* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    if (startsAProgram(flags))
        return forkInstead(function, flags, argument, parentTid);
    static const auto sanitizerClone = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
    return sanitizerClone(function, stack, flags, argument, parentTid, tls, childTid);
}
