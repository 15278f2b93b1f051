#pragma once
// The trade mapping: a cleaned copy of TradeGrid (closed trades left out,
// orders to one recipient and address merged when asked), the list of the
// open format's boxes with the trade columns that fill each (kept per format
// in table 淘宝映射 under the format name + "_淘宝导入", by control ID), and
// the import of chosen sample rows into DataGrid through the column maps.
// A map part is a quoted literal or column letters of the sample grid
// ("A" = column 1); unlike the spreadsheet import the map text is not
// normalised (curly quotes and the full-width comma are not syntax).

#include "platform/gridmodel.h"
#include "records/columnmap.h"

#include <QString>

class PageControls;

namespace tmap {

inline constexpr const char *kMapSuffix = "_淘宝导入";
inline constexpr const char *kExportTitle = "沃栎快递单-淘宝发货信息表";
// Map grid columns.
enum MapCol : qint32 { MapIndex = 0, MapID = 1, MapNumber = 2, MapCaption = 3, MapText = 4 };

// Copies the trades into the sample grid: row 0 letters, row 1 captions,
// column 0 the running number, column c the trade column c + 1. Rows whose
// status holds "关闭" are left out; with merge, a row with the recipient and
// address of an earlier kept row adds its order number and item (on new
// lines) and its quantity to the latest such row instead.
void FillSampleGrid(const GridModel &trades, GridModel &sample, bool merge);

// The map grid's header and one row per input, check and picture box of the
// page: index, control ID, running number, prompt caption, map text "".
void ListFormatBoxes(GridModel &map, PageControls &page);

// The stored map texts of the format into the rows of the boxes with those
// IDs; false when the table could not be read.
bool LoadTBMap(GridModel &map, const QString &formatName);
// Replaces the stored map of the format by the non-empty map texts, in one
// transaction; false when nothing could be written.
bool SaveTBMap(const GridModel &map, const QString &formatName);

// The three column maps from the map grid (trimmed), sized by the page's
// class counts in the order the boxes were listed.
imp::ColumnMaps ReadColumnMap(const GridModel &map, PageControls &page);

// Sample rows first..last (1-based over its data rows, swapped when
// reversed, clamped) as grid rows; nullopt when the sample has no data rows.
struct RowRange
{
    qint32 first = 0;
    qint32 last = 0;
};
std::optional<RowRange> ImportRange(const GridModel &sample, qint32 firstNumber, qint32 lastNumber);

// Shapes DataGrid for rows sRow..eRow of the sample (PrepareDataGrid) and
// fills it: each box's value is its map's literals and sample cells in
// order; line breaks become the marker; one trailing tab goes.
void InputMSF(GridModel &dataGrid, const GridModel &sample, qint32 sRow, qint32 eRow,
              const imp::ColumnMaps &maps, PageControls &page, const QString &lineBreakMarker);

} // namespace tmap
