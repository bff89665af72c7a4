#pragma once
#include <atomic>
#include <cstdint>

// The request counters, by index; the same index in `current` and `totals`.
enum STAT_INDEX {
    total_requests = 0,
    unprocessed_requests,
    auth_errors,
    processed_requests,
    expired_requests,
    found_count,
    not_found_count,
    unambiguous_count,
    ambiguous_count
};

constexpr int stat_counter_count = 9;

// Request statistics. Request threads raise `current` atomically; the main thread
// folds `current` into `totals` once a second and is the only one to touch `totals`.
class KESTRALINE_STAT {
public:
    KESTRALINE_STAT();
    KESTRALINE_STAT(const KESTRALINE_STAT&) = delete;
    KESTRALINE_STAT& operator=(const KESTRALINE_STAT&) = delete;

    std::atomic<int32_t> current[stat_counter_count];
    int32_t totals[stat_counter_count];

    // Any thread: one more for counter `i`; an index outside the nine is ignored.
    void Raise(STAT_INDEX i);
    // Main thread: moves every current count into its total (32-bit, wrapping).
    void Save();
    // Main thread: all eighteen counters to 0.
    void Clear();
};
