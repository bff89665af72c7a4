// The text grid both programs show: header row 0, data rows from 1, one empty
// row when there is no data, and block removal that keeps the row numbers.
#include "string_grid.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <memory>

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

TEST(StringGrid, ShowRowsReplacesTheDataAndKeepsAnEmptyRowWhenNothingIsLeft)
{
    std::unique_ptr<StringGrid> grid(gridWithRows(0));
    grid->ShowRows({{"1", "a1"}, {"2", "a2", "b2"}, {"3", "a3", "b3"}});
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(grid->ColumnTexts(2), QStringList({"", "b2", "b3"}));
    grid->setCurrentCell(2, 0);
    grid->ShowRows({{"1", "x1"}, {"2", "x2"}});
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->ColumnTexts(1), QStringList({"x1", "x2"}));
    EXPECT_EQ(grid->ColumnTexts(2), QStringList({"", ""}));
    grid->ShowRows({});
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_TRUE(grid->IsEmptyList());
    EXPECT_EQ(grid->Cell(1, 1), "");
}

TEST(StringGrid, ColumnsTooNarrowForTheirCaptionGrowToFitIt)
{
    testsupport::ensureApplication();
    StringGrid grid;
    const QString caption = "Продолжительность";
    grid.SetColumns({{"№", 50}, {caption, 10}});
    EXPECT_EQ(grid.columnCount(), 2);
    EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), caption);
    EXPECT_EQ(grid.columnWidth(0), 50);
    EXPECT_GT(grid.columnWidth(1), grid.horizontalHeader()->fontMetrics().horizontalAdvance(caption));
}
