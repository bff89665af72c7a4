#pragma once
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Waits for `done()` without sleeping, for waits known to be short (a sleeping
// thread wakes long after it is called); a wait that turns out long gives the
// processor to other threads between its looks.
template <typename Done>
void spin_until(Done done)
{
    for (int spins = 0; !done(); ++spins) {
        if (spins < 20000) {
#ifdef __SSE2__
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
}
