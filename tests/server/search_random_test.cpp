// The batch search compared with the plain start-by-start search on random
// libraries, with small alphabets and long constant runs so that partial matches,
// overlapping and repeated occurrences are common.
#include "finder_test_project.h"
#include "reference_search.h"

#include <vector>

using namespace findertest;

namespace {

// Frames in scenes: constant runs, runs of a few alternating values, random noise.
QByteArray randomVideo(QRandomGenerator& random, int frames, int alphabet)
{
    QByteArray bytes;
    while (bytes.size() < frames * 3) {
        const int scene = 1 + random.bounded(40);
        const QByteArray triple = randomTriples(random, 1, alphabet);
        const int kind = random.bounded(3);
        for (int i = 0; i < scene; ++i)
            bytes += kind == 0 ? triple : randomTriples(random, 1, alphabet);
    }
    return bytes.left(frames * 3);
}

QByteArray randomQuery(QRandomGenerator& random, const std::vector<QByteArray>& videos, int alphabet)
{
    const int length = random.bounded(8) == 0 ? random.bounded(4) : 3 * (1 + random.bounded(30)) + random.bounded(3);
    const QByteArray& source = videos[random.bounded(static_cast<int>(videos.size()))];
    if (random.bounded(5) == 0 || source.size() < length)
        return randomTriples(random, length / 3 + 1, alphabet).left(length);
    const int startFrame = random.bounded(source.size() / 3 - length / 3 + 1);
    QByteArray query = source.mid(startFrame * 3, length);
    if (!query.isEmpty() && random.bounded(6) == 0) // a near miss: one byte changed
        query[random.bounded(query.size())] = static_cast<char>(random.bounded(alphabet));
    return query;
}

struct Expected {
    int found = 0, framepos = 0, videoindex = -1;
};

Expected referenceBatch(const KESTRALINE_FINDER& finder, const QByteArray& query)
{
    Expected e;
    for (int32_t v = 0; v < finder.loaded.load(); ++v) {
        const int32_t r = reference_find_pos(finder.video(v), bytesOf(query), query.size());
        if (r >= 0) {
            ++e.found;
            e.framepos = r;
            e.videoindex = v;
        }
    }
    return e;
}

} // namespace

TEST(SearchRandom, FindEqualsTheStartByStartSearch)
{
    QRandomGenerator random(20261208);
    const int alphabets[] = {1, 2, 3, 4, 256};
    int compared = 0, foundSome = 0;
    for (int round = 0; round < 12; ++round) {
        const int alphabet = alphabets[round % 5];
        TestProject project;
        std::vector<QByteArray> videos;
        const int count = 1 + random.bounded(10);
        for (int id = 1; id <= count; ++id) {
            videos.push_back(randomVideo(random, random.bounded(4) == 0 ? random.bounded(5) : random.bounded(3000),
                                         alphabet));
            project.addVideo(id * 2, videos.back());
            if (random.bounded(4) == 0) { // the same video twice: ambiguous answers
                videos.push_back(videos.back());
                project.addVideo(id * 2 + 1, videos.back());
            }
        }
        KESTRALINE_FINDER finder;
        ASSERT_TRUE(finder.Open(project.path()));
        const int toLoad = random.bounded(4) == 0 ? random.bounded(finder.video_count() + 1) : finder.video_count();
        for (int i = 0; i < toLoad; ++i)
            finder.LoadData();

        for (int batch = 0; batch < 4; ++batch) {
            std::vector<QByteArray> queries;
            const int n = 1 + random.bounded(100);
            uint32_t snapshot = 0;
            for (int i = 0; i < n; ++i) {
                queries.push_back(i > 0 && random.bounded(10) == 0 ? queries[random.bounded(i)]
                                                                  : randomQuery(random, videos, alphabet));
                ASSERT_EQ(finder.AddQuery(queries[i].size(), bytesOf(queries[i]), snapshot), i);
            }
            ASSERT_TRUE(finder.Find());
            const BATCH_VIEW view = finder.batch_view();
            for (int i = 0; i < n; ++i) {
                const Expected e = referenceBatch(finder, queries[i]);
                SCOPED_TRACE(testing::Message() << "round " << round << " batch " << batch << " slot " << i);
                ASSERT_EQ(view.results[i].found, e.found);
                ASSERT_EQ(view.results[i].videoindex, e.videoindex);
                if (e.found > 0) {
                    ASSERT_EQ(view.results[i].framepos, e.framepos);
                }
                ++compared;
                foundSome += e.found > 0;
            }
        }
    }
    // The libraries must produce both outcomes, or the comparison proves little.
    EXPECT_GT(foundSome, compared / 5);
    EXPECT_LT(foundSome, compared);
}
