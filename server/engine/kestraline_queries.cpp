#include "kestraline_queries.h"

#include <cstring>

namespace {

std::unique_ptr<uint8_t[]> copy_bytes(int32_t length, const uint8_t* bytes)
{
    // One byte at least, so that an empty query still has a (never read) array.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[length > 0 ? length : 1]);
    if (length > 0)
        std::memcpy(copy.get(), bytes, static_cast<size_t>(length));
    return copy;
}

} // namespace

int32_t KESTRALINE_QUERIES::Add(int32_t length, const uint8_t* bytes)
{
    const int32_t slot = count.load(std::memory_order_relaxed);
    if (slot >= MAX_PENDING_QUERIES)
        return -1;
    if (length < 0 || bytes == nullptr)
        length = 0;
    data[slot] = copy_bytes(length, bytes); // may throw: the list stays as it was
    len[slot] = length;
    count.store(slot + 1, std::memory_order_relaxed);
    return slot;
}

void KESTRALINE_QUERIES::Clear()
{
    const int32_t n = count.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < n; ++i)
        data[i].reset();
    count.store(0, std::memory_order_relaxed);
}

void KESTRALINE_SEARCH_RESULTS::Init(const KESTRALINE_QUERIES& queries)
{
    Clear();
    // Every slot is answerable before the first copy is made, so that a copy that
    // fails still leaves the whole batch to AnswerNotFound.
    count = queries.count.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < count; ++i) {
        querylen[i] = queries.len[i];
        found[i] = 0;
        videoindex[i] = -1;
    }
    for (int32_t i = 0; i < count; ++i)
        data[i] = copy_bytes(queries.len[i], queries.data[i].get());
}

void KESTRALINE_SEARCH_RESULTS::AnswerNotFound()
{
    for (int32_t i = 0; i < count; ++i) {
        found[i] = 0;
        videoindex[i] = -1;
        data[i].reset();
    }
}

void KESTRALINE_SEARCH_RESULTS::Clear()
{
    for (int32_t i = 0; i < count; ++i)
        data[i].reset();
    count = 0;
}
