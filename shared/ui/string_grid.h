#pragma once
#include <QStringList>
#include <QTableWidget>
#include <QVector>

// A read-only text grid with lines and resizable columns, counted the way the
// windows count it: row 0 is the fixed header (the column captions), the data
// rows are 1..RowCount()-1, and a grid without data shows one empty row
// (RowCount() == 2). Whole rows are selected, and a selection is always one
// block of consecutive rows.
class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    struct Column {
        QString caption;
        int width;
    };
    explicit StringGrid(const QVector<Column>& columns = {}, QWidget* parent = nullptr);

    // Replaces the columns: their captions and widths in pixels, a width too
    // narrow for its caption grown to fit it.
    void SetColumns(const QVector<Column>& columns);

    int RowCount() const;
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString& text);
    // Sets the rows of data below the header: one text per column, from column 0.
    void SetRow(int row, const QStringList& texts);

    // Shows `rows` (one text per column) as the data rows, or one empty row when
    // there are none; the first row becomes the current one.
    void ShowRows(const QVector<QStringList>& rows);

    // Row count 2 with every cell of row 1 emptied.
    void ResetToEmptyRow();
    // A grid whose cell (0, 1) is empty lists nothing.
    bool IsEmptyList() const;
    // The texts of one column in rows 1..RowCount()-1.
    QStringList ColumnTexts(int column) const;

    // The selected block as grid rows (top <= bottom); false when nothing is selected.
    bool SelectedBlock(int& top, int& bottom) const;
    // Moves every row below the block up by the block's size in columns 1 and
    // following (column 0 keeps its numbers 1, 2, ...), then drops as many rows
    // from the end. A block that covers every data row is the caller's clear.
    void RemoveBlockKeepingNumbers(int top, int bottom);

private:
    void SetRowCount(int count);
};
