#pragma once
// The shared layout and operations of the program's grids. A bound grid has
// row 0 hidden (height 0) holding each column's binding (the database field
// that fills it), row 1 the captions (a sort mark "△"/"▽" may end one), data
// rows from 2 on; the last fixed column holds the row numbers and the fixed
// columns before it are hidden. The grid's Tag names the table it is filled
// from. Colours are 0x00BBGGRR with 0 = default colour, so black is kept as
// 0x010101.

#include "platform/gridmodel.h"
#include "platform/hookslot.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// Black as a grid cell keeps it (0 is the default colour).
inline constexpr qint32 kGridBlack = 0x010101;

// The font grid texts are measured with (FillGridFromTable and
// SortGridByColumn fit widths with it): the application font.
QFont GridFont();

// Called by ClearGridRecords after the rows are gone, so that the record
// scroll bar follows the grid; the main window installs it until the handle
// goes.
HookHandle InstallRecordScrollHook(std::function<void(GridModel &)> hook);

// Lays the grid out for one column per name; when the arrays differ in
// length nothing changes.
void SetGridColumns(GridModel &grid, const QStringList &names, const QStringList &captions);

// Replaces the data rows by the records of the table named in the Tag. The
// condition and order are SQL text with "?" placeholders for params.
void FillGridFromTable(GridModel &grid, const QString &condition, const QString &order,
                       const QVariantList &params = {});

// The width a column needs for a text of that many pixels: whole pixels,
// rounded up, and the room a view keeps beside a text (at least 100 twips).
qint32 FittedColumnWidth(double textPx);

// Sets every column's width from its widest text, measured from row first on.
void AutoFitGridColumns(const QFont &font, GridModel &grid, qint32 first, bool progress);

// Removes every data row (asking first when ask is true), then runs the
// record scroll hook.
void ClearGridRecords(GridModel &grid, bool ask);

// Removes data rows first..last (swapped when reversed, clamped to the data
// rows), asking first when ask is true. Whole rows go, colours included; the
// row number column is renumbered.
void DeleteGridRows(GridModel &grid, qint32 &first, qint32 &last, bool ask);

// A mouse click at x, y (twips from the grid's top left): on the header it
// sorts by the clicked column; on the top-left header cells it fits widths.
void SortGridByColumn(const QFont &font, GridModel &grid, double x, double y);

// Sorts by column c, toggling its mark (none or "▽" -> "△", "△" -> "▽"), and
// renumbers the rows.
void SetSortMark(GridModel &grid, qint32 c);

// The row under y (twips from the grid's top): the header row for a y on the
// header, the last row for a y below all rows.
qint32 GridRowFromY(const GridModel &grid, double y);

struct GridCellPos
{
    qint32 row = -1;
    qint32 col = -1;
    bool operator==(const GridCellPos &) const = default;
};
// The first cell of the rectangle (row by row) whose text equals value;
// (-1, -1) when none.
GridCellPos GridCellText(const GridModel &grid, qint32 firstRow, qint32 firstCol, qint32 lastRow,
                         qint32 lastCol, const QString &value);

// When a < b the two are exchanged: afterwards a holds the larger.
template<typename T> void SwapIfGreater(T &a, T &b)
{
    if (a < b)
        std::swap(a, b);
}

// Text colour of every cell of the row.
void SetCellForeColor(GridModel &grid, qint32 row, qint32 color);
// Back colour of the row's scrolling cells, for data rows only.
void SetRowBackColor(GridModel &grid, qint32 row, qint32 color);
// Text colour of every cell of every data row.
void SelectGridRow(GridModel &grid, qint32 color);
// The cell's text (foreColor) or back colour; 0x010101 reads as 0.
qint32 GetCellProperty(const GridModel &grid, qint32 row, qint32 col, bool foreColor);
// Sets the cell's text or back colour; 0 becomes 0x010101, also in color.
void SetCellColor(GridModel &grid, qint32 row, qint32 col, qint32 &color, bool foreColor);
