// The pending-query list, the search batch and the hand-off of results.
#include "finder_test_project.h"

using namespace findertest;

namespace {

QByteArray frames(std::initializer_list<int> reds)
{
    // Frame i gets red = the value, green = value + 1, blue = value + 2.
    QByteArray a;
    for (int r : reds)
        a.append(static_cast<char>(r)).append(static_cast<char>(r + 1)).append(static_cast<char>(r + 2));
    return a;
}

class FinderSearch : public ::testing::Test {
protected:
    // Adds a query and returns its slot; the snapshot goes to `snapshot`.
    int32_t add(const QByteArray& query)
    {
        return finder.AddQuery(query.size(), bytesOf(query), snapshot);
    }

    SEARCH_RESULT_COPY result(int32_t slot)
    {
        SEARCH_RESULT_COPY copy;
        EXPECT_TRUE(finder.ReadResult(slot, snapshot, copy));
        return copy;
    }

    TestProject project;
    KESTRALINE_FINDER finder;
    uint32_t snapshot = 12345;
};

} // namespace

TEST_F(FinderSearch, CountsVideosWithOneOccurrenceAndReportsTheLastInIdOrder)
{
    project.addVideo(9, frames({5, 6, 7, 1, 2, 3, 8}));
    project.addVideo(3, frames({1, 2, 3, 9, 9}));
    project.addVideo(5, frames({4, 1, 2, 3, 0, 1, 2, 3})); // twice: adds nothing
    project.addVideo(6, frames({1, 2, 3, 4}));
    project.add(Row{7, PROCESSED, 3});                  // no colour data
    project.addVideo(8, frames({2, 2, 2, 2}));          // overlapping occurrences
    openAndLoad(finder, project);

    ASSERT_EQ(add(frames({1, 2, 3})), 0);
    ASSERT_EQ(add(frames({9, 9})), 1);
    ASSERT_EQ(add(frames({1, 2, 3, 0})), 2);
    ASSERT_EQ(add(frames({2, 2})), 3);
    ASSERT_EQ(add(frames({42})), 4);
    ASSERT_TRUE(finder.Find());

    SEARCH_RESULT_COPY any = result(0);
    EXPECT_EQ(any.found, 3); // ids 3, 6, 9
    EXPECT_EQ(any.id, 9);
    EXPECT_EQ(any.framepos, 3);
    EXPECT_EQ(any.querylen, 9);
    EXPECT_EQ(finder.batch_view().results[0].videoindex, 5); // ids 3 5 6 7 8 9

    SEARCH_RESULT_COPY once = result(1);
    EXPECT_EQ(once.found, 1);
    EXPECT_EQ(once.id, 3);
    EXPECT_EQ(once.framepos, 3);
    EXPECT_EQ(once.frames, 5);
    EXPECT_EQ(once.filename, "v3.mp4");
    EXPECT_EQ(once.fps, 25.0f);

    EXPECT_EQ(result(2).found, 1);
    EXPECT_EQ(result(2).id, 5);
    EXPECT_EQ(result(3).found, 0); // 2,2 occurs three times overlapping in id 8
    EXPECT_EQ(finder.batch_view().results[3].videoindex, -1);
    EXPECT_EQ(result(4).found, 0);
}

TEST_F(FinderSearch, QueryEndingOnTheLastFrameOrAsLongAsTheVideoIsFound)
{
    const QByteArray video = frames({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
    project.addVideo(1, video);
    openAndLoad(finder, project);
    add(video.right(2 * 3));  // short queries are scanned byte by byte
    add(video);               // long ones through their anchor
    add(video.right(9 * 3));
    add(video.right(3));
    add(video + frames({1})); // longer than the video
    ASSERT_TRUE(finder.Find());
    EXPECT_EQ(result(0).found, 1);
    EXPECT_EQ(result(0).framepos, 10);
    EXPECT_EQ(result(1).found, 1);
    EXPECT_EQ(result(1).framepos, 0);
    EXPECT_EQ(result(2).found, 1);
    EXPECT_EQ(result(2).framepos, 3);
    EXPECT_EQ(result(3).framepos, 11);
    EXPECT_EQ(result(4).found, 0);
}

TEST_F(FinderSearch, OnlyWholeFramesCountAndAPartialFrameIsFoundNowhere)
{
    project.addVideo(1, frames({10, 20, 30}));
    openAndLoad(finder, project);
    const QByteArray second = frames({20});
    add(QByteArray());                              // 0 bytes
    add(second.left(1));                            // red byte only
    add(second.left(2));                            // red and green
    add(second + "\x77");                           // 4 bytes: one frame compared
    add(second + "\x77\x78");                       // 5 bytes
    add(frames({20}).replace(2, 1, "\x01"));        // red and green match, blue differs
    ASSERT_TRUE(finder.Find());
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(result(slot).found, 0) << slot;
        EXPECT_EQ(finder.batch_view().results[slot].videoindex, -1);
    }
    EXPECT_EQ(result(1).querylen, 1);
    EXPECT_EQ(result(3).found, 1);
    EXPECT_EQ(result(3).framepos, 1);
    EXPECT_EQ(result(3).querylen, 4);
    EXPECT_EQ(result(4).framepos, 1);
    EXPECT_EQ(result(5).found, 0);
}

TEST_F(FinderSearch, HundredQueriesFillTheListAndSlotsStartAgainAfterTheTake)
{
    openAndLoad(finder, project);
    const QByteArray query = frames({1});
    for (int32_t i = 0; i < 100; ++i)
        ASSERT_EQ(add(query), i);
    EXPECT_EQ(finder.pending(), 100);
    uint32_t untouched = 777;
    EXPECT_EQ(finder.AddQuery(query.size(), bytesOf(query), untouched), -1);
    EXPECT_EQ(untouched, 777u);
    EXPECT_EQ(finder.pending(), 100);

    ASSERT_TRUE(finder.Find());
    EXPECT_EQ(finder.batch_view().results.size(), 100u);
    EXPECT_EQ(finder.pending(), 0);
    EXPECT_EQ(add(query), 0);
    EXPECT_EQ(snapshot, 1u);
}

TEST_F(FinderSearch, BatchesAreNumberedAndOnlyTheOwnBatchCanBeRead)
{
    project.addVideo(1, frames({1, 2, 3}));
    openAndLoad(finder, project);
    EXPECT_TRUE(finder.Find()); // an empty batch still completes
    EXPECT_EQ(finder.searches.load(), 1u);
    EXPECT_EQ(finder.batch_view().batch, 1u);

    ASSERT_EQ(add(frames({2})), 0);
    const uint32_t first = snapshot;
    EXPECT_EQ(first, 1u);
    SEARCH_RESULT_COPY copy;
    EXPECT_FALSE(finder.ReadResult(0, first, copy)); // its batch has not run yet
    ASSERT_TRUE(finder.Find());
    EXPECT_EQ(finder.batch_view().batch, 2u);
    ASSERT_TRUE(finder.ReadResult(0, first, copy));
    EXPECT_EQ(copy.framepos, 1);
    EXPECT_FALSE(finder.ReadResult(1, first, copy)); // no such slot in this batch

    ASSERT_EQ(add(frames({3})), 0);
    ASSERT_TRUE(finder.Find());
    EXPECT_FALSE(finder.ReadResult(0, first, copy)); // expired by a later batch
    ASSERT_TRUE(finder.ReadResult(0, snapshot, copy));
    EXPECT_EQ(copy.framepos, 2);
}

TEST_F(FinderSearch, NotFoundCopiesNoVideoAndFindDoesNothingWhileBusy)
{
    project.addVideo(1, frames({1, 2, 3}));
    openAndLoad(finder, project);
    add(frames({2}));
    ASSERT_TRUE(finder.Find());
    add(frames({8}));
    finder.busy.store(1);
    EXPECT_FALSE(finder.Find());
    EXPECT_EQ(finder.pending(), 1);
    EXPECT_EQ(finder.searches.load(), 1u);
    finder.busy.store(0);
    ASSERT_TRUE(finder.Find());
    SEARCH_RESULT_COPY copy = result(0);
    EXPECT_EQ(copy.found, 0);
    EXPECT_EQ(copy.framepos, 0); // the stale position of the earlier batch is not handed out
    EXPECT_EQ(copy.id, 0);
    EXPECT_TRUE(copy.filename.isEmpty());
}

TEST_F(FinderSearch, SearchesCoverOnlyLoadedVideosAndFindPosChecksItsArguments)
{
    project.addVideo(1, frames({1, 2}));
    project.addVideo(2, frames({7, 8}));
    ASSERT_TRUE(finder.Open(project.path()));
    ASSERT_TRUE(finder.LoadData());
    add(frames({7}));
    add(frames({1}));
    ASSERT_TRUE(finder.Find());
    EXPECT_EQ(result(0).found, 0);
    EXPECT_EQ(result(1).found, 1);
    EXPECT_EQ(finder.FindPos(0, 1), 0);
    EXPECT_EQ(finder.FindPos(1, 0), -1); // not loaded yet
    EXPECT_EQ(finder.FindPos(-1, 0), -1);
    EXPECT_EQ(finder.FindPos(0, 2), -1);
    EXPECT_EQ(finder.FindPos(0, -1), -1);
    ASSERT_TRUE(finder.LoadData());
    EXPECT_EQ(finder.FindPos(1, 0), 0);
}

TEST_F(FinderSearch, NegativeLengthOrMissingBytesCountAsAnEmptyQuery)
{
    project.addVideo(1, frames({1}));
    openAndLoad(finder, project);
    EXPECT_EQ(finder.AddQuery(-5, nullptr, snapshot), 0);
    EXPECT_EQ(finder.AddQuery(9, nullptr, snapshot), 1);
    ASSERT_TRUE(finder.Find());
    EXPECT_EQ(result(0).querylen, 0);
    EXPECT_EQ(result(1).querylen, 0);
    EXPECT_EQ(result(1).found, 0);
}
