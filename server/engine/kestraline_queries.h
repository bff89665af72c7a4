#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

// Most queries that may wait for one search batch.
constexpr int32_t MAX_PENDING_QUERIES = 100;

// The pending-query list: each waiting request's own copy of its query bytes.
// Slots are handed out 0, 1, 2... and start at 0 again after every take.
// `count` is atomic so that the search thread may test for pending work without
// the queue lock; every change happens under that lock.
struct KESTRALINE_QUERIES {
    std::atomic<int32_t> count{0};
    int32_t len[MAX_PENDING_QUERIES] = {};
    std::unique_ptr<uint8_t[]> data[MAX_PENDING_QUERIES];

    KESTRALINE_QUERIES() = default;
    KESTRALINE_QUERIES(const KESTRALINE_QUERIES&) = delete;
    KESTRALINE_QUERIES& operator=(const KESTRALINE_QUERIES&) = delete;
    ~KESTRALINE_QUERIES() { Clear(); }

    // Copies the query into the next slot and returns the slot, or -1 (nothing
    // copied) when every slot is taken. A negative length or missing bytes count
    // as an empty query. The slot is reserved only once its copy exists.
    int32_t Add(int32_t length, const uint8_t* bytes);
    void Clear();
};

// The results of the current search batch, one per slot of the list it took.
// `framepos` is meaningful only where `found` >= 1 and is not reset by a new
// batch; `videoindex` is -1 where nothing was found; `batch` numbers the batch
// these results belong to (0 = none).
struct KESTRALINE_SEARCH_RESULTS {
    int32_t count = 0;
    int32_t querylen[MAX_PENDING_QUERIES] = {};
    int32_t framepos[MAX_PENDING_QUERIES] = {};
    int32_t videoindex[MAX_PENDING_QUERIES] = {};
    int32_t found[MAX_PENDING_QUERIES] = {};
    std::unique_ptr<uint8_t[]> data[MAX_PENDING_QUERIES];
    uint32_t batch = 0;

    KESTRALINE_SEARCH_RESULTS() = default;
    KESTRALINE_SEARCH_RESULTS(const KESTRALINE_SEARCH_RESULTS&) = delete;
    KESTRALINE_SEARCH_RESULTS& operator=(const KESTRALINE_SEARCH_RESULTS&) = delete;
    ~KESTRALINE_SEARCH_RESULTS() { Clear(); }

    // Starts a batch with copies of every pending query: found 0, videoindex -1.
    // When a copy cannot be made, `count` and `querylen` already hold the batch.
    void Init(const KESTRALINE_QUERIES& queries);
    // Gives up a batch that failed: every query of it is answered as not found,
    // and the copies are released. Allocates nothing.
    void AnswerNotFound();
    void Clear();
};
