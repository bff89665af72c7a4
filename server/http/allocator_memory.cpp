#include "allocator_memory.h"

#include <malloc.h>

void IdleMemoryRelease::Opened()
{
    std::lock_guard lock(mutex_);
    ++open_;
    ++openedSinceRelease_;
}

void IdleMemoryRelease::Closed()
{
    {
        std::lock_guard lock(mutex_);
        if (--open_ > 0 || openedSinceRelease_ < kBurst)
            return;
        openedSinceRelease_ = 0;
    }
    malloc_trim(0); // every arena's free pages, not only the top of each heap
}
