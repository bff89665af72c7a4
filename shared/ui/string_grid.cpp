#include "string_grid.h"

#include "platform_startup.h"

#include <QHeaderView>

StringGrid::StringGrid(const QVector<Column>& columns, QWidget* parent) : QTableWidget(parent)
{
    SetColumns(columns);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    ResetToEmptyRow();
}

void StringGrid::SetColumns(const QVector<Column>& columns)
{
    setColumnCount(columns.size());
    for (int c = 0; c < columns.size(); ++c)
        setHorizontalHeaderItem(c, new QTableWidgetItem(columns[c].caption));
    // Designed widths; where a stand-in font is wider, a caption that would not fit
    // gets the room it needs.
    for (int c = 0; c < columns.size(); ++c)
        setColumnWidth(c, designed_width(columns[c].width, horizontalHeader()->sectionSizeHint(c)));
}

int StringGrid::RowCount() const
{
    return rowCount() + 1;
}

void StringGrid::SetRowCount(int count)
{
    setRowCount(qMax(count, 2) - 1);
}

QString StringGrid::Cell(int column, int row) const
{
    const QTableWidgetItem* cell = item(row - 1, column);
    return cell ? cell->text() : QString();
}

void StringGrid::SetCell(int column, int row, const QString& text)
{
    if (row < 1 || column < 0 || column >= columnCount())
        return;
    if (row >= RowCount())
        SetRowCount(row + 1);
    if (QTableWidgetItem* cell = item(row - 1, column))
        cell->setText(text);
    else
        setItem(row - 1, column, new QTableWidgetItem(text));
}

void StringGrid::SetRow(int row, const QStringList& texts)
{
    for (int c = 0; c < texts.size(); ++c)
        SetCell(c, row, texts[c]);
}

void StringGrid::ShowRows(const QVector<QStringList>& rows)
{
    clearContents();
    SetRowCount(rows.size() + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            SetCell(c, r + 1, rows[r].value(c));
    if (currentRow() < 0 || currentRow() >= rowCount())
        setCurrentCell(0, 0);
}

void StringGrid::ResetToEmptyRow()
{
    clearContents();
    SetRowCount(2);
    setCurrentCell(0, 0);
}

bool StringGrid::IsEmptyList() const
{
    return Cell(0, 1).isEmpty();
}

QStringList StringGrid::ColumnTexts(int column) const
{
    QStringList texts;
    for (int row = 1; row < RowCount(); ++row)
        texts << Cell(column, row);
    return texts;
}

bool StringGrid::SelectedBlock(int& top, int& bottom) const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty())
        return false;
    top = ranges.first().topRow();
    bottom = ranges.first().bottomRow();
    for (const QTableWidgetSelectionRange& range : ranges) {
        top = qMin(top, range.topRow());
        bottom = qMax(bottom, range.bottomRow());
    }
    top += 1;
    bottom += 1;
    return true;
}

void StringGrid::RemoveBlockKeepingNumbers(int top, int bottom)
{
    const int size = bottom - top + 1;
    if (top < 1 || size < 1 || bottom >= RowCount())
        return;
    for (int row = top; row + size < RowCount(); ++row)
        for (int c = 1; c < columnCount(); ++c)
            SetCell(c, row, Cell(c, row + size));
    SetRowCount(RowCount() - size);
    clearSelection();
    setCurrentCell(qMin(top, RowCount() - 1) - 1, 0);
}
