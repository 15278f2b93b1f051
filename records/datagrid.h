#pragma once
// DataGrid, the grid of imported records: two fixed rows and one fixed
// column. Row 0 (height 0) holds each data column's target box index
// ("1", "1001", "2001"), row 1 the caption of that box's prompt label,
// column 0 the record number; data columns run input boxes, check boxes,
// picture boxes in index order, one for every box whether its map entry is
// empty or not. PrepareDataGrid shapes it; FillDataGrid evaluates the maps
// for every record with a cell reader (the workbook and CSV readers, the
// trade mapping).

#include "records/columnmap.h"

class GridModel;
class PageControls;

namespace imp {

inline constexpr const char *kReadingCaption = "正在读取EXCEL数据……";

// Two fixed rows and one fixed column, rows = 2 + records, row 0 hidden, one data column per map
// element, the record numbers, the box indexes and the prompt captions
// (read from each box's row of the format grid).
void PrepareDataGrid(GridModel &grid, qint32 records, const ColumnMaps &maps, PageControls &page);

// Evaluates the cleaned merged entries for every data row r, the record
// beginning at sheet row (r - FixedRows) * interval + firstRow, and writes
// the values (a trailing tab dropped) from column FixedCols on. Shows the
// reading progress when `progress` is set.
void FillDataGrid(GridModel &grid, const QStringList &merged, qint64 firstRow, qint64 interval,
                  const CellReader &cell, const QString &lineBreakMarker, bool progress);

} // namespace imp
