#include "kestraline_stat.h"

KESTRALINE_STAT::KESTRALINE_STAT()
{
    for (int i = 0; i < stat_counter_count; ++i) {
        current[i].store(0);
        totals[i] = 0;
    }
}

void KESTRALINE_STAT::Raise(STAT_INDEX i)
{
    if (i < 0 || i >= stat_counter_count)
        return;
    current[i].fetch_add(1, std::memory_order_relaxed);
}

void KESTRALINE_STAT::Save()
{
    for (int i = 0; i < stat_counter_count; ++i) {
        // The exchange takes exactly what was counted so far; an increment made
        // meanwhile stays in `current` for the next fold.
        const int32_t taken = current[i].exchange(0, std::memory_order_relaxed);
        // Unsigned addition wraps at 32 bits without undefined behaviour.
        totals[i] = static_cast<int32_t>(static_cast<uint32_t>(totals[i]) + static_cast<uint32_t>(taken));
    }
}

void KESTRALINE_STAT::Clear()
{
    for (int i = 0; i < stat_counter_count; ++i) {
        current[i].exchange(0, std::memory_order_relaxed);
        totals[i] = 0;
    }
}
