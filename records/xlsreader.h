#pragma once
// Reading Excel workbooks (.xls, BIFF through FreeXL) for the import: the
// sheet names, and cell texts as Excel gives a cell's value as text:
// numbers with up to 15 significant digits (13800138000 stays
// "13800138000"), dates as "yyyy-m-d", times as "h:mm:ss". Rows and
// columns count from 1; a cell outside the sheet, or outside the format's
// 65,536 rows by 256 columns, reads nothing. Failures are the error numbers
// the import reports (ExcelErrorMessage gives the text).

#include "records/columnmap.h"

#include <QString>
#include <QStringList>

class GridModel;
class PageControls;

namespace imp {

// Error numbers of a workbook read.
enum ExcelError : int {
    ExcelOk = 0,
    ExcelCannotOpen = 5, // missing, unreadable or protected file
    ExcelNoSuchSheet = 9, // the sheet name is not in the workbook
    ExcelDivisionByZero = 11, // an interval of 0
    ExcelWrongType = 438, // not an Excel workbook
    ExcelBadRowCount = 30009, // the rows and interval give a negative count
};

// The message for an error number: the four known texts, else
// "未知错误，错误号：" with the number (a leading blank when not negative)
// and "　请检查输入值！".
QString ExcelErrorMessage(int error);

class XlsWorkbook
{
public:
    XlsWorkbook() = default;
    ~XlsWorkbook();
    XlsWorkbook(const XlsWorkbook &) = delete;
    XlsWorkbook &operator=(const XlsWorkbook &) = delete;

    // 0, or ExcelCannotOpen / ExcelWrongType.
    int Open(const QString &path);
    QStringList SheetNames() const;
    // Makes the sheet of that name (compared without regard to case)
    // current; false when the workbook has none such.
    bool SelectSheet(const QString &name);
    bool SelectSheet(qint32 index);
    // The current sheet's cell; "" outside it.
    QString CellText(qint64 row, qint64 column) const;
    // The current sheet's last used row (its dimensions); 0 for an empty
    // sheet or none selected.
    qint64 UsedRows() const { return m_selected ? qint64(m_rows) : 0; }

private:
    const void *m_handle = nullptr;
    bool m_selected = false;
    quint32 m_rows = 0;
    quint16 m_cols = 0;
};

// ReadExcelData: shapes DataGrid for records of rows first..last at
// `interval` rows each and fills it from the named sheet through the maps.
// Records past the sheet's last used row are dropped. A sheet name the
// workbook lacks reads no cell (the quoted texts still fill the records)
// and gives 0. 0 when read; else the error number (the grid keeps the
// shape it reached).
int ReadExcelData(GridModel &grid, const QString &path, const QString &sheetName, qint64 first,
                  qint64 last, const ColumnMaps &maps, qint64 interval, PageControls &page,
                  const QString &lineBreakMarker);

// Rows 1..19 and columns 1..59 of the sheet into the preview grid (as far
// as the grid reaches); 0 or the error number.
int PreviewExcel(GridModel &grid, const QString &path, const QString &sheetName);

} // namespace imp
