#pragma once
#include <QStringList>
#include <QVector>

class QTableWidget;
class QWidget;

namespace server {

// A read-only grid of texts with one header row, lines, row selection and
// resizable columns, like the main window's videos and users grids.
QTableWidget* make_string_grid(QWidget* parent);

// Sets the header texts and the column widths in pixels (wider where a header
// text would not fit).
void set_grid_columns(QTableWidget* grid, const QStringList& headers, const QVector<int>& widths);

// Shows `rows` (one text per column); without rows the grid keeps one data row
// of empty cells.
void show_grid_rows(QTableWidget* grid, const QVector<QStringList>& rows);

// The text of a data cell (row 0 is the first row under the header); empty when
// the cell does not exist.
QString grid_cell(const QTableWidget* grid, int row, int column);

} // namespace server
