#pragma once
// Reading Excel workbooks (.xls) for the import: the sheet names, and the
// cells of a sheet that an import or the preview needs, as Excel gives a
// cell's value as text (records/xlsbook.h). FreeXL, which reads them, can
// crash or hang on a damaged file, so the reading runs in the helper
// program waybill-xlsread beside the program, one run per list or import,
// until a deadline. The helper leads a process group of its own, and the
// whole group is ended after every run. Its reply is read as it arrives
// while the event loop runs (through the progress indicator, whose bar
// follows the rows read); closing the progress window cancels the run
// (ExcelCancelled). The reply may not outgrow what was asked: a frame past
// the longest cell, a cell outside the request or out of order, or more
// bytes than the request's rows by columns of longest cells end the run.
// A helper that is missing, cannot start, ends before its greeting or
// greets wrongly is ExcelReaderMissing; one that crashes, ends with an error
// or answers in a malformed way after it, or is still at work when the
// deadline passes (greeted or not: a slow helper is not a broken one), is a
// workbook that cannot be opened (ExcelCannotOpen). Failures are the error
// numbers the import reports (ExcelErrorMessage gives the text).

#include "records/columnmap.h"
#include "records/xlsbook.h"

#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class GridModel;
class PageControls;

namespace imp {

// One helper run, or all the runs of one automatic import, may take this
// long; a run past it is taken for a hang. FreeXL reads a sheet of 65,536
// rows by 20 columns (a 36 MB file) in about two seconds, so a sound
// workbook stays far below it.
inline constexpr int kXlsTimeLimitMs = 30000;

// The message for an error number: the four known texts, the helper's
// own ("读取Excel文件的程序…"), that it stopped for a stopped read, else
// "未知错误，错误号：" with the number (a leading blank when not negative)
// and "　请检查输入值！".
QString ExcelErrorMessage(int error);

// The helper program: waybill-xlsread in the program's folder, else in the
// bin folder beside it (test and benchmark programs of the build tree);
// "" when there is none.
QString XlsHelperProgram();

struct XlsSheetNames
{
    int error = ExcelCannotOpen;
    QStringList names;
};

// The cells of one sheet that a reading asks for: rows firstRow..lastRow
// (none when lastRow < firstRow) in the given columns.
struct XlsCellRequest
{
    QString sheet;
    qint64 firstRow = 1, lastRow = 0;
    QList<qint64> columns;
};

class XlsCells
{
public:
    int error = ExcelCannotOpen;
    bool sheetFound = false;
    qint64 usedRows = 0, usedCols = 0; // the sheet's dimensions; 0 without it
    // A cell the helper sent; "" for any other.
    QString Text(qint64 row, qint64 column) const;
    // Adds a cell after those added so far (row by row, columns rising);
    // false for a cell outside the sheet or out of that order.
    bool Append(qint64 row, qint64 column, const QString &text);

private:
    // Sorted by row, then column: the order the helper writes them in.
    std::vector<std::pair<qint64, QString>> m_cells;
};

XlsSheetNames ReadSheetNames(const QString &path,
                             QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));
XlsCells ReadSheetCells(const QString &path, const XlsCellRequest &request,
                        QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));

// The helper's replies (after its greeting) read back; nullopt for a
// malformed one or, for cells, one that holds a cell not asked for.
std::optional<XlsSheetNames> ParseSheetsReply(const QByteArray &reply);
std::optional<XlsCells> ParseCellsReply(const QByteArray &reply, const XlsCellRequest &request);
// The most bytes a reply to the request can take: its rows by its columns
// of the longest cells, with their frames.
qint64 CellsReplyCeiling(const XlsCellRequest &request);

// ReadExcelData: reads the named sheet's cells the maps name for records of
// rows first..last at `interval` rows each, then shapes DataGrid for them
// and fills it through the maps. Records past the sheet's last used row are
// dropped. A sheet name the workbook lacks reads no cell (the quoted texts
// still fill the records) and gives 0. 0 when read; else the error number,
// and DataGrid keeps the records it had.
int ReadExcelData(GridModel &grid, const QString &path, const QString &sheetName, qint64 first,
                  qint64 last, const ColumnMaps &maps, qint64 interval, PageControls &page,
                  const QString &lineBreakMarker,
                  QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));

// Rows 1..19 and columns 1..59 of the sheet into the preview grid (as far
// as the grid reaches); 0 or the error number.
int PreviewExcel(GridModel &grid, const QString &path, const QString &sheetName,
                 QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));

} // namespace imp
