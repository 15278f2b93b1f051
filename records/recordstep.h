#pragma once
// Stepping through the imported records of DataGrid: a row put into the
// page controls, the record scroll bar bound to the grid, and the search of
// a grid for a text. DataGrid's row 0 holds in each data column the index
// of the control it feeds; a column 50 twips wide or less feeds nothing.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

class GridModel;
class PageControls;

namespace rec {

// What leaving input box `index` does on the page (the main window's lost-
// focus processing: products, sums, conversion and linked boxes).
using LostFocusFn = std::function<void(qint32 index)>;

// Puts grid row r into the page controls: each input box, check box and
// picture box takes the cell of the first column whose row-0 cell holds its
// index (a hidden column gives nothing), and every input box with a column
// then gets lostFocus. Returns the record number shown (r - 1), or nullopt
// (nothing done) when r is no data row.
std::optional<qint32> ShowGridRow(PageControls &page, const GridModel &grid, qint32 r,
                                  const LostFocusFn &lostFocus);

// The record scroll bar HS: value is the record shown (1 for the first data
// row), max the number of records (at least 1).
struct RecordScroll
{
    qint32 value = 1;
    qint32 max = 1;
    // Stepping and batch printing need two records or more.
    bool enabled() const { return max >= 2; }
    bool operator==(const RecordScroll &) const = default;
};

// Binds the scroll bar to the grid's data rows and shows the first record
// (through show) when there is one.
RecordScroll SetupRecordScroll(const GridModel &grid, const std::function<void(qint32 row)> &show);

// Searching a grid: found, nothing found (the caller tells the user
// "没有查到相关的记录！"), or nothing to search (empty text, no data rows).
enum class FindResult { Found, NotFound, NothingToSearch };

// Finds the next row holding the text (trimmed in place) in a scrolling
// cell, from the current row on, wrapping round; a whole row found before
// is stepped over so that searching again moves on. A hit becomes the top
// and current row, selected as a whole.
FindResult FindInGrid(GridModel &grid, QString &text);

} // namespace rec
