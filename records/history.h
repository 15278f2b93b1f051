#pragma once
// The history of printed records (table 历史): every printed waybill is one
// numbered record of its format, one row per filled control. Here: the
// contents of the page as one record, the writer that appends the records of
// a print in one transaction, and the history grid (MSF(2)) with its
// operations: fill, put a record back into the page, delete records.

#include "platform/sqlitedb.h"
#include "properties/printedpage.h"

#include <QString>
#include <optional>
#include <vector>

class GridModel;
class PageControls;

namespace rec {

// The contents of a printed page (properties/printedpage.h).
using ::CollectPageContents;
using ::PageContent;
using ::PrintedPage;

// Appends the pages as consecutive records of the format (each the highest
// number of the format + 1) in one transaction; a page without contents is
// a record too (one row of control ID 0, which no control has). A failure
// (nothing stored) carries the fault of the statement that failed.
sql::Status AppendHistoryRecords(const QString &formatName, const std::vector<PrintedPage> &pages);

// The page's contents appended as the format's next record.
bool SaveHistoryRecord(PageControls &page, const QString &formatName);

// Lays the history grid out for the format: two fixed rows (row 0 the
// control IDs, row 1 the captions with "序号" in column 1) and two fixed
// columns, then one column per control row of the format, by class and
// label. No data rows.
void InitHistoryGridHeader(GridModel &grid, const QString &formatName);

// Fills the history grid with the format's records, newest first: column 0
// the record number (hidden), column 1 the serial number, each control's
// content under its column. Shows the progress window above 300 rows.
void LoadHistoryGrid(GridModel &grid, const QString &formatName);

// Puts the record of the grid's current row into the page controls,
// matched by control ID; controls without a column keep what they show.
// Nothing for a row outside the data rows.
void ApplyHistoryRow(PageControls &page, const GridModel &grid);

// The data rows selected (current row to the selection's end, in order);
// nullopt when the grid has no data row selected.
struct RowRange
{
    qint32 first = 0, last = 0;
};
std::optional<RowRange> SelectedHistoryRows(const GridModel &grid);
// Selects every data row (for deleting all); false when there is none.
bool SelectAllHistoryRows(GridModel &grid);
// The question asked before deleting the range: "您确定要删除第n至第m行？".
QString DeleteHistoryQuestion(const GridModel &grid, const RowRange &range);
// Deletes the records of the rows from table 历史 (one transaction) and then
// the rows from the grid; false, with nothing removed, when the database
// refused.
bool DeleteHistoryRows(GridModel &grid, const QString &formatName, const RowRange &range);

} // namespace rec
