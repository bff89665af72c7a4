#pragma once
#include <mutex>

// Memory that connection threads free stays with the C library's allocator: it reuses it, but
// rarely hands it back to the system, because the few blocks still in use between the free pages
// keep each heap from shrinking. After bursts of a thousand connections the resident size stood
// tens of megabytes above what was in use, spread over the arenas the allocator gives threads.
// Bounding the arenas only gathered that memory into fewer heaps and slowed many concurrent
// connections; giving the free pages back once a burst is over is what brings it down.
//
// IdleMemoryRelease counts a service's open connections and gives the allocator's free pages
// back to the system when the last connection of a burst has closed. Lone requests do not pay
// for it: the service becoming idle releases memory only after kBurst connections since the last
// release.
class IdleMemoryRelease {
public:
    static constexpr int kBurst = 100;

    void Opened();
    void Closed();

private:
    std::mutex mutex_;
    int open_ = 0;
    int openedSinceRelease_ = 0;
};
