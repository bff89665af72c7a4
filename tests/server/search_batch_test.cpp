// The parallel batch search: ranges of long videos, several threads, videos
// published while the batch runs; always the answer of the plain search.
#include "batch_search.h"
#include "reference_search.h"

#include <QRandomGenerator>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

VIDEO_RECORD recordOf(const std::vector<uint8_t>& triples)
{
    VIDEO_RECORD r;
    r.frames = static_cast<int32_t>(triples.size() / 3);
    r.red_plane.reset(new uint8_t[r.frames + 1]);
    r.green_blue_plane.reset(new uint8_t[2 * r.frames + 1]);
    for (int32_t i = 0; i < r.frames; ++i) {
        r.red_plane[i] = triples[3 * i];
        r.green_blue_plane[2 * i] = triples[3 * i + 1];
        r.green_blue_plane[2 * i + 1] = triples[3 * i + 2];
    }
    return r;
}

// Scenes of constant colour with small alphabets, plus noise.
std::vector<uint8_t> randomTriples(QRandomGenerator& random, int frames, int alphabet, bool scenes = true)
{
    std::vector<uint8_t> t;
    while (static_cast<int>(t.size()) < 3 * frames) {
        const int scene = 1 + random.bounded(60);
        const bool constant = scenes && random.bounded(2) == 0;
        uint8_t c[3] = {uint8_t(random.bounded(alphabet)), uint8_t(random.bounded(alphabet)),
                        uint8_t(random.bounded(alphabet))};
        for (int i = 0; i < scene; ++i)
            for (int k = 0; k < 3; ++k)
                t.push_back(constant ? c[k] : uint8_t(random.bounded(alphabet)));
    }
    t.resize(3 * static_cast<size_t>(frames));
    return t;
}

struct Library {
    std::vector<std::vector<uint8_t>> triples;
    std::unique_ptr<VIDEO_RECORD[]> records;
    int32_t count = 0;
};

Library randomLibrary(QRandomGenerator& random, int alphabet)
{
    Library lib;
    lib.count = 1 + random.bounded(12);
    lib.records.reset(new VIDEO_RECORD[lib.count]);
    for (int32_t v = 0; v < lib.count; ++v) {
        const bool copy = v > 0 && random.bounded(5) == 0;
        lib.triples.push_back(copy ? lib.triples[random.bounded(v)]
                                   : randomTriples(random, random.bounded(6) == 0 ? random.bounded(9)
                                                                                  : random.bounded(5000),
                                                   alphabet));
        lib.records[v] = recordOf(lib.triples.back());
        if (random.bounded(10) == 0)
            lib.records[v].red_plane.reset(); // no colour data
    }
    return lib;
}

void addQuery(KESTRALINE_QUERIES& queries, const std::vector<uint8_t>& bytes)
{
    ASSERT_GE(queries.Add(static_cast<int32_t>(bytes.size()), bytes.data()), 0);
}

std::vector<uint8_t> randomQuery(QRandomGenerator& random, const Library& lib, int alphabet)
{
    const int length = random.bounded(6) == 0 ? random.bounded(25) : 3 * (8 + random.bounded(40)) + random.bounded(3);
    const auto& source = lib.triples[random.bounded(lib.count)];
    if (random.bounded(6) == 0 || static_cast<int>(source.size()) < length) {
        std::vector<uint8_t> q(length);
        for (uint8_t& b : q)
            b = uint8_t(random.bounded(alphabet));
        return q;
    }
    // A start from which all `length` bytes lie inside the source, also when the
    // query ends within a triple.
    const int start = random.bounded((static_cast<int>(source.size()) - length) / 3 + 1);
    std::vector<uint8_t> q(source.begin() + 3 * start, source.begin() + 3 * start + length);
    if (!q.empty() && random.bounded(5) == 0)
        q[random.bounded(static_cast<int>(q.size()))] ^= 1;
    return q;
}

// The plain definition over the first `searched` records.
void expectPlainAnswer(const Library& lib, int32_t searched, const KESTRALINE_SEARCH_RESULTS& results)
{
    for (int32_t i = 0; i < results.count; ++i) {
        int found = 0, framepos = 0, videoindex = -1;
        for (int32_t v = 0; v < searched; ++v) {
            const int32_t r = reference_find_pos(lib.records[v], results.data[i].get(), results.querylen[i]);
            if (r >= 0) {
                ++found;
                framepos = r;
                videoindex = v;
            }
        }
        ASSERT_EQ(results.found[i], found) << "slot " << i;
        ASSERT_EQ(results.videoindex[i], videoindex) << "slot " << i;
        if (found > 0) {
            ASSERT_EQ(results.framepos[i], framepos) << "slot " << i;
        }
    }
}

// Searches the first `searched` records on `threads` threads, in ranges of
// `range_frames` start frames.
void searchOnThreads(const Library& lib, int32_t searched, const KESTRALINE_QUERIES& queries, int threads,
                     int64_t range_frames, KESTRALINE_SEARCH_RESULTS& results)
{
    results.Init(queries);
    BatchSearch::Tuning tuning;
    tuning.threads = threads;
    tuning.range_frames = range_frames;
    tuning.parallel_min_frames = 0;
    BatchSearch(tuning).run(lib.records.get(), lib.count, [searched] { return searched; }, results);
}

} // namespace

TEST(SearchBatch, SeveralThreadsAndShortRangesGiveThePlainAnswer)
{
    QRandomGenerator random(4242);
    const int alphabets[] = {1, 2, 3, 5, 256};
    for (int round = 0; round < 40; ++round) {
        const int alphabet = alphabets[round % 5];
        BatchSearch::Tuning tuning;
        tuning.threads = 1 + random.bounded(5);
        tuning.range_frames = 1 + random.bounded(600);
        tuning.parallel_min_frames = 0;
        BatchSearch search(tuning);
        const Library lib = randomLibrary(random, alphabet);
        for (int batch = 0; batch < 3; ++batch) {
            KESTRALINE_QUERIES queries;
            const int n = 1 + random.bounded(100);
            for (int i = 0; i < n; ++i)
                addQuery(queries, randomQuery(random, lib, alphabet));
            KESTRALINE_SEARCH_RESULTS results;
            results.Init(queries);
            const int32_t searched = random.bounded(lib.count + 1);
            search.run(lib.records.get(), lib.count, [&] { return searched; }, results);
            SCOPED_TRACE(testing::Message() << "round " << round << " batch " << batch);
            expectPlainAnswer(lib, searched, results);
        }
    }
}

TEST(SearchBatch, AVideoPublishedDuringTheBatchIsSearchedWhenReached)
{
    QRandomGenerator random(5);
    Library lib;
    lib.count = 3;
    lib.records.reset(new VIDEO_RECORD[3]);
    for (int v = 0; v < 3; ++v) {
        lib.triples.push_back(randomTriples(random, 3000, 256, false));
        lib.records[v] = recordOf(lib.triples[v]);
    }
    KESTRALINE_QUERIES queries;
    for (int v = 0; v < 3; ++v)
        addQuery(queries, std::vector<uint8_t>(lib.triples[v].begin() + 300, lib.triples[v].begin() + 360));
    KESTRALINE_SEARCH_RESULTS results;
    results.Init(queries);

    for (int threads : {1, 4}) {
        BatchSearch::Tuning tuning;
        tuning.threads = threads;
        tuning.range_frames = 500;
        tuning.parallel_min_frames = 0;
        BatchSearch search(tuning);
        // Loading publishes one more video each time the count is read, up to 2.
        int reads = 0;
        search.run(lib.records.get(), lib.count, [&] { return std::min(++reads, 2); }, results);
        EXPECT_EQ(results.found[0], 1);
        EXPECT_EQ(results.found[1], 1); // published after the batch began
        EXPECT_EQ(results.videoindex[1], 1);
        EXPECT_EQ(results.framepos[1], 100);
        EXPECT_EQ(results.found[2], 0); // never published
        results.Init(queries);
    }
}

TEST(SearchBatch, OccurrencesInDifferentRangesOfOneVideoMakeItAmbiguous)
{
    // A 20-frame pattern at frames 10 and 2000 of one video, 1000 frames per range.
    QRandomGenerator random(9);
    std::vector<uint8_t> t = randomTriples(random, 4000, 256, false);
    std::vector<uint8_t> pattern(t.begin() + 30, t.begin() + 90);
    std::copy(pattern.begin(), pattern.end(), t.begin() + 6000);
    Library lib;
    lib.count = 2;
    lib.records.reset(new VIDEO_RECORD[2]);
    lib.records[0] = recordOf(t);
    lib.records[1] = recordOf(randomTriples(random, 100, 256));
    KESTRALINE_QUERIES queries;
    addQuery(queries, pattern);
    // A query straddling the range border at 1000 is found once.
    addQuery(queries, std::vector<uint8_t>(t.begin() + 3 * 990, t.begin() + 3 * 1020));
    // A query ending on the last frame.
    addQuery(queries, std::vector<uint8_t>(t.end() - 30, t.end()));
    KESTRALINE_SEARCH_RESULTS results;
    searchOnThreads(lib, 2, queries, 3, 1000, results);
    EXPECT_EQ(results.found[0], 0);
    EXPECT_EQ(results.videoindex[0], -1);
    EXPECT_EQ(results.found[1], 1);
    EXPECT_EQ(results.framepos[1], 990);
    EXPECT_EQ(results.found[2], 1);
    EXPECT_EQ(results.framepos[2], 3990);
}

namespace {

std::vector<uint8_t> solid(int frames, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> t;
    for (int i = 0; i < frames; ++i)
        t.insert(t.end(), {r, g, b});
    return t;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(SearchBatch, StillAndBlackStretchesAreMatchedOnlyWhereTheWholeQueryFits)
{
    const auto black = [](int n) { return solid(n, 0, 0, 0); };
    Library lib;
    lib.count = 3;
    lib.records.reset(new VIDEO_RECORD[3]);
    // Black, a flash, black; a black run exactly 50 long; a still grey scene.
    lib.triples.push_back(black(300) + solid(5, 200, 10, 10) + black(300));
    lib.triples.push_back(solid(20, 9, 9, 9) + black(50) + solid(20, 9, 9, 9) + black(49) + solid(3, 7, 7, 7));
    lib.triples.push_back(solid(400, 90, 90, 90) + solid(100, 90, 91, 90));
    for (int v = 0; v < 3; ++v)
        lib.records[v] = recordOf(lib.triples[v]);

    KESTRALINE_QUERIES queries;
    addQuery(queries, black(50));                                       // 0: countless in video 0, once in 1
    addQuery(queries, black(40) + solid(5, 200, 10, 10) + black(5));     // 1: once, at 260
    addQuery(queries, black(5) + solid(5, 200, 10, 10) + black(40));     // 2: once, at 295
    addQuery(queries, solid(1, 9, 9, 9) + black(50) + solid(1, 9, 9, 9)); // 3: once in video 1, at 19
    addQuery(queries, black(49) + solid(1, 7, 7, 7));                   // 4: once in video 1, at 90
    addQuery(queries, solid(60, 90, 91, 90));                           // 5: green differs: 41 places
    addQuery(queries, solid(100, 90, 91, 90));                          // 6: exactly the last 100 frames
    addQuery(queries, solid(30, 90, 92, 90));                           // 7: nowhere
    addQuery(queries, solid(10, 90, 90, 90) + solid(10, 90, 91, 90));   // 8: the change of green, at 390
    KESTRALINE_SEARCH_RESULTS results;
    searchOnThreads(lib, 3, queries, 2, 64, results);

    const int expectedFound[] = {1, 1, 1, 1, 1, 0, 1, 0, 1};
    const int expectedPos[] = {20, 260, 295, 19, 90, -1, 400, -1, 390};
    const int expectedVideo[] = {1, 0, 0, 1, 1, -1, 2, -1, 2};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results.found[i], expectedFound[i]);
        EXPECT_EQ(results.videoindex[i], expectedVideo[i]);
        if (expectedPos[i] >= 0) {
            EXPECT_EQ(results.framepos[i], expectedPos[i]);
        }
    }
    expectPlainAnswer(lib, 3, results);
}

// Queries that are mostly one red value: a match must put the query's run
// boundary on a library stretch's boundary, also where that stretch begins or
// ends the video, and a query with two runs of the value is counted once.
TEST(SearchBatch, RunsOfOneValueInAQueryMeetStretchesAtTheVideosEdges)
{
    const auto black = [](int n) { return solid(n, 0, 0, 0); };
    const std::vector<uint8_t> flash = solid(3, 200, 10, 10), grey = solid(4, 90, 90, 90);
    Library lib;
    lib.count = 3;
    lib.records.reset(new VIDEO_RECORD[3]);
    lib.triples.push_back(black(70) + flash + black(200) + grey + black(30) + flash + black(33));
    lib.triples.push_back(grey + black(45) + flash + black(20) + flash + black(35) + grey);
    lib.triples.push_back(black(500));
    for (int v = 0; v < 3; ++v)
        lib.records[v] = recordOf(lib.triples[v]);

    KESTRALINE_QUERIES queries;
    addQuery(queries, black(70) + flash);                     // 0: only the video's first frames
    addQuery(queries, grey + black(30) + flash + black(33));  // 1: ends on video 0's last frame
    addQuery(queries, black(45) + flash + black(20) + flash); // 2: two runs, at 4 in video 1
    addQuery(queries, grey + black(60));                      // 3: no stretch of 60 after grey
    addQuery(queries, black(40) + flash + black(40));         // 4: long enough on both sides only once
    addQuery(queries, black(20) + flash + black(35) + grey);  // 5: ends on video 1's last frame
    KESTRALINE_SEARCH_RESULTS results;
    searchOnThreads(lib, 3, queries, 3, 37, results);

    const int expectedFound[] = {1, 1, 1, 0, 1, 1};
    const int expectedPos[] = {0, 273, 4, -1, 30, 52};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results.found[i], expectedFound[i]);
        if (expectedPos[i] >= 0) {
            EXPECT_EQ(results.framepos[i], expectedPos[i]);
        }
    }
    expectPlainAnswer(lib, 3, results);
}
