#pragma once
// Export of a grid's visible contents to a CSV file or a new workbook: rows
// from 0 and columns from 0, fixed ones included; a row of height or a
// column of width below 1 twip is hidden and left out. Every cell's text is
// followed by one tab. CSV is written in code page 936, lines ended by
// CR LF, "," between cells, a quote in a cell doubled and the cell quoted
// when it then holds CR LF, a comma or a quote. No library here writes the
// old .xls format, so the workbook is Office Open XML (.xlsx): one sheet
// named after the title, empty cells left empty, fixed rows bold on the
// fill colour 0x80C0FF (BGR), column widths from the last fixed row (twips
// / 123), thin borders over the whole range. Both go to a temporary file
// that replaces the target only once it is complete.

#include <QString>

class GridModel;

namespace imp {

inline constexpr const char *kExportFilter
    = "CSV (逗号分隔)(*.csv)|*.csv|MS Excel文件  (*.xlsx)|*.xlsx";

// The CSV line of one row, without its line end.
QString CsvLine(const GridModel &grid, qint32 row);

// Whether the file was written; after a failure (the target stays as it
// was) the system error number of the failed write, 0 when none was given.
struct Exported
{
    bool ok = false;
    int systemError = 0;
    explicit operator bool() const { return ok; }
};
Exported ExportGridToCsv(const GridModel &grid, const QString &path);
Exported ExportGridToExcel(const GridModel &grid, const QString &path, const QString &title);

// The path a workbook is written to: a name ending in .xls gets its "x", a
// name without the .xlsx ending gets it added.
QString WorkbookPath(const QString &path);

// ExportGrid: asks for the file (through dialogs()), asks before replacing
// an existing one, and writes CSV when the path ends in "csv" (any case),
// else a workbook. A failure says "文件保存出错！" and, when the disk was
// full, that. False only when the CSV writing failed.
bool ExportGrid(const GridModel &grid, const QString &title);

} // namespace imp
