// The pieces both video lists share: the grid's row arithmetic, the status bar's
// counting and the duplicate check of a file choice.
#include "new_files.h"
#include "status_bar_texts.h"
#include "string_grid.h"
#include "test_support.h"
#include "video_status.h"

#include <gtest/gtest.h>

using namespace manager;

namespace {

StringGrid* gridWithRows(int rows)
{
    testsupport::ensureApplication();
    auto* grid = new StringGrid({{"№", 40}, {"A", 40}, {"B", 40}});
    for (int r = 1; r <= rows; ++r)
        grid->SetRow(r, {QString::number(r), "a" + QString::number(r), "b" + QString::number(r)});
    return grid;
}

} // namespace

TEST(StringGrid, EmptyGridHasOneEmptyRowAndSelectsIt)
{
    std::unique_ptr<StringGrid> grid(gridWithRows(0));
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_TRUE(grid->IsEmptyList());
    EXPECT_EQ(grid->ColumnTexts(1), QStringList({""}));
    int top = 0, bottom = 0;
    ASSERT_TRUE(grid->SelectedBlock(top, bottom));
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 1);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "№");
    EXPECT_EQ(grid->columnWidth(2), 40);
}

TEST(StringGrid, RemovingABlockMovesLaterRowsUpAndKeepsTheNumbers)
{
    std::unique_ptr<StringGrid> grid(gridWithRows(5));
    EXPECT_EQ(grid->RowCount(), 6);
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 2), true);
    int top = 0, bottom = 0;
    ASSERT_TRUE(grid->SelectedBlock(top, bottom));
    EXPECT_EQ(top, 1); // the current row 1 and the block 2..3 are one contiguous selection
    EXPECT_EQ(bottom, 3);
    grid->clearSelection();
    grid->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 2), true);
    ASSERT_TRUE(grid->SelectedBlock(top, bottom));
    ASSERT_EQ(top, 2);
    ASSERT_EQ(bottom, 3);
    grid->RemoveBlockKeepingNumbers(top, bottom);
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->ColumnTexts(0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(grid->ColumnTexts(1), QStringList({"a1", "a4", "a5"}));
    EXPECT_EQ(grid->ColumnTexts(2), QStringList({"b1", "b4", "b5"}));
    // Out-of-range blocks change nothing.
    grid->RemoveBlockKeepingNumbers(0, 1);
    grid->RemoveBlockKeepingNumbers(2, 9);
    EXPECT_EQ(grid->ColumnTexts(1), QStringList({"a1", "a4", "a5"}));
}

TEST(StatusBarTexts, CountsOnlyExactStatusWords)
{
    EXPECT_EQ(status_bar_texts({status_processed(), status_failed(), status_queued(), status_processed(),
                                "обработан", status_processed() + " ", ""}),
              QStringList({"Всего записей: 7", "Обработано: 2", "С ошибкой: 1", "В обработке: 1"}));
}

TEST(NewFiles, DuplicatesOfTheListTheProjectOrTheChoiceAreRefused)
{
    const NEW_FILES files = split_new_files({"/v/a.avi", "/v/b.avi", "/v/B.avi", "/v/c.avi", "/v/b.avi", "/v/d.avi"},
                                            {"/v/a.avi", ""}, {"/v/c.avi", ""});
    EXPECT_EQ(files.accepted, QStringList({"/v/b.avi", "/v/B.avi", "/v/d.avi"}));
    EXPECT_TRUE(files.anyDuplicate);
    EXPECT_FALSE(split_new_files({"/v/x.avi"}, {""}, {""}).anyDuplicate);
}
