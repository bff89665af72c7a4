#include "string_grid.h"

#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>

namespace server {

QTableWidget* make_string_grid(QWidget* parent)
{
    auto* grid = new QTableWidget(parent);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setShowGrid(true);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setWordWrap(false);
    grid->setRowCount(1);
    return grid;
}

void set_grid_columns(QTableWidget* grid, const QStringList& headers, const QVector<int>& widths)
{
    grid->setColumnCount(headers.size());
    grid->setHorizontalHeaderLabels(headers);
    // The given width, or wider where the header text would not fit in this font.
    const QFontMetrics metrics = grid->horizontalHeader()->fontMetrics();
    for (int column = 0; column < widths.size() && column < headers.size(); ++column)
        grid->setColumnWidth(column,
                             std::max(widths.at(column), metrics.horizontalAdvance(headers.at(column)) + 16));
}

void show_grid_rows(QTableWidget* grid, const QVector<QStringList>& rows)
{
    grid->clearContents();
    grid->setRowCount(rows.isEmpty() ? 1 : rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList& cells = rows.at(row);
        for (int column = 0; column < grid->columnCount(); ++column)
            grid->setItem(row, column, new QTableWidgetItem(cells.value(column)));
    }
    if (grid->currentRow() < 0 || grid->currentRow() >= grid->rowCount())
        grid->setCurrentCell(0, 0);
}

QString grid_cell(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

} // namespace server
