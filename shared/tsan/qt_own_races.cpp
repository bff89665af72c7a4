// Linked into every program and test of a thread-sanitizer build, nowhere else.
//
// Qt's libraries are not instrumented. They hand memory between threads, among their own
// (thread pool, network thread, test watchdog, file-information gatherer, the end of a
// QThread) and to ours, through futex-based locks and atomics that the sanitizer cannot
// see, so it reports Qt's own memory as racing. Suppression files cannot tell these apart:
// they drop a report when any frame of either stack matches, and every stack of our code
// that Qt calls (each QThread's run(), each slot) has Qt's frames in it; ignoring Qt's
// library instead hides the locks it does show (QThread::wait), which brings false races
// on our own threads. The sanitizer passes every report through this hook, which drops a
// data race only when
//   - both accesses were made by Qt's code (a Qt or GLib library: the frame that calls the
//     sanitizer, looking through the C++ library), or
//   - one was, and the other is atomic: Qt's reference counts, which its inline code keeps
//     from our functions too, while our atomics live in our objects, which Qt does not free;
//   - or one is Qt's code allocating the memory: an object Qt made on one thread and handed
//     to ours with an event or a signal (handed over by our code, our variables would race).
// A race between two accesses of our code, Qt's inline code on our objects included, is
// always reported, and so is every other kind of report.
#include <sanitizer/common_interface_defs.h>

#include <cstddef>
#include <initializer_list>

extern "C" {
// The sanitizer's report interface, which it declares only in its own sources.
int __tsan_get_report_data(void* report, const char** description, int* count, int* stackCount, int* accessCount,
                           int* locationCount, int* mutexCount, int* threadCount, int* uniqueThreadCount,
                           void** sleepTrace, std::size_t traceSize);
int __tsan_get_report_mop(void* report, std::size_t index, int* thread, void** address, int* size, int* write,
                          int* atomic, void** trace, std::size_t traceSize);
}

namespace __tsan {
struct ReportDesc;
// The sanitizer's hook for each report: `suppressed` is the suppression files' verdict, the
// result the final one.
bool OnReport(const ReportDesc* report, bool suppressed);
} // namespace __tsan

// The hook runs inside the sanitizer's reporting, so none of it is instrumented, and it
// compares strings by hand rather than through the intercepted C library.
#define KESTRALINE_UNWATCHED __attribute__((no_sanitize("thread")))

namespace {

constexpr std::size_t kTraceSize = 64;

KESTRALINE_UNWATCHED bool startsWith(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        if (*text != *prefix)
            return false;
    }
    return true;
}

KESTRALINE_UNWATCHED bool contains(const char* text, const char* part)
{
    for (; *text; ++text) {
        if (startsWith(text, part))
            return true;
    }
    return false;
}

KESTRALINE_UNWATCHED const char* fileName(const char* path)
{
    const char* name = path;
    for (; *path; ++path) {
        if (*path == '/')
            name = path + 1;
    }
    return name;
}

// Whether the first frame of `trace` that belongs to neither the sanitizer nor the C++
// library lies in Qt: in one of its libraries, its plugins, or GLib, which runs its event loop.
KESTRALINE_UNWATCHED bool startsInQt(void* const* trace)
{
    for (std::size_t i = 0; i < kTraceSize && trace[i]; ++i) {
        char path[4096] = {};
        void* offset = nullptr;
        if (!__sanitizer_get_module_and_offset_for_pc(trace[i], path, sizeof path - 1, &offset))
            return false;
        const char* name = fileName(path);
        if (startsWith(name, "libtsan") || startsWith(name, "libstdc++"))
            continue;
        return startsWith(name, "libQt6") || contains(path, "/qt6/plugins/") || startsWith(name, "libglib-2.0");
    }
    return false;
}

// Whether the sanitizer's frame at `pc` is one of its allocation functions.
KESTRALINE_UNWATCHED bool allocates(void* pc)
{
    char function[256] = {};
    __sanitizer_symbolize_pc(pc, "%f", function, sizeof function - 1);
    for (const char* name : {"malloc", "calloc", "operator new", "posix_memalign", "aligned_alloc", "memalign"}) {
        if (startsWith(function, name))
            return true;
    }
    return false;
}

struct Access {
    bool byQt = false;           // made by Qt's code
    bool allocationByQt = false; // Qt's code allocating the memory
    bool atomic = false;
};

KESTRALINE_UNWATCHED Access accessOf(void* report, std::size_t index)
{
    void* trace[kTraceSize] = {};
    void* address = nullptr;
    int thread = 0, size = 0, write = 0, atomic = 0;
    if (!__tsan_get_report_mop(report, index, &thread, &address, &size, &write, &atomic, trace, kTraceSize))
        return {};
    const bool byQt = startsInQt(trace);
    return {byQt, byQt && allocates(trace[0]), atomic != 0};
}

} // namespace

KESTRALINE_UNWATCHED bool __tsan::OnReport(const ReportDesc* report, bool suppressed)
{
    if (suppressed)
        return true;
    void* data = const_cast<ReportDesc*>(report);
    const char* description = "";
    int count = 0, stacks = 0, accesses = 0, locations = 0, mutexes = 0, threads = 0, uniqueThreads = 0;
    void* sleepTrace[1] = {};
    __tsan_get_report_data(data, &description, &count, &stacks, &accesses, &locations, &mutexes, &threads,
                           &uniqueThreads, sleepTrace, 1);
    const bool race = startsWith(description, "data-race") || startsWith(description, "heap-use-after-free");
    if (!race || accesses != 2)
        return false;
    const Access first = accessOf(data, 0), second = accessOf(data, 1);
    return (first.byQt && (second.byQt || second.atomic)) || (second.byQt && first.atomic)
           || first.allocationByQt || second.allocationByQt;
}
