#pragma once
// The import mapping window's state without widgets: the chosen file and
// sheet (ImportPath, SheetName), the grid of boxes and their column maps
// (M1: Index, ID, 序号, 输入框内容, 对应列号, one row per input, check and
// picture box in index order), the preview of the file's first rows (M0),
// and the three row texts (first row, last row, interval). It loads the
// saved maps of the format (table 映射, keyed by control ID) and the row
// texts (settings OrchardPrint/T(0)..T(2)), saves them back, and runs the
// import into DataGrid. The window (records/ui) shows it.

#include "platform/gridmodel.h"
#include "records/columnmap.h"
#include "records/xlsreader.h"

#include <QDeadlineTimer>
#include <QString>
#include <array>

class PageControls;

namespace imp {

// The file and sheet chosen for the next import. The path keeps its case
// (file systems here are case-sensitive); only its ending is compared
// without regard to case.
struct ImportChoice
{
    QString path; // "" = none
    QString sheet; // the workbook's sheet; "" for CSV or none chosen
    bool IsCsv() const { return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive); }
    bool IsXls() const { return path.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive); }
    // Complete: a CSV file, or a workbook with its sheet.
    bool Ready() const { return !path.isEmpty() && (IsCsv() || !sheet.isEmpty()); }
};

inline constexpr const char *kInputMapCaption = "导入数据映射";
inline constexpr const char *kUnsupportedFile = "您选择的文件格式不支持导入，请选择CSV或XLS文件！";
inline constexpr const char *kTooManyRecords = "一次性导入数据不得超过3万条记录，请重新设置！";
inline constexpr const char *kRowsOutOfRange
    = "导入行号须为-2147483648至2147483647之间的整数，请重新设置！";
inline constexpr const char *kIntervalOutOfRange
    = "间隔行数须为-32768至32767之间的整数，请重新设置！";
inline constexpr const char *kIntervalNotPositive = "间隔行数须大于0，请重新设置！";
inline constexpr const char *kCsvImportError = "CSV文件导入错误！";

// The message that refuses rows first..last (either order) as one import,
// "" when they are accepted.
QString RefuseRowRange(qint64 first, qint64 last);

// The help text on writing column maps, with "//" shown as the marker.
QString ImportHelpText(const QString &lineBreakMarker);

class ImportMapping
{
public:
    ImportMapping(PageControls &page, ImportChoice &choice);

    GridModel &BoxMaps() { return m_m1; }
    GridModel &Preview() { return m_m0; }
    // T(0), T(1), T(2).
    std::array<QString, 3> rows {QStringLiteral("2"), QStringLiteral("100"), QStringLiteral("1")};

    // Opening: the preview, the boxes, the saved maps and row texts. A
    // message to show ("" when none): an unsupported file, a CSV path that
    // is no ordinary file or a CSV file refused with its cause (the path is
    // then cleared), or a workbook that cannot be read. The workbook is read until the deadline.
    QString Load(QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));
    // The error number of the preview's read of a workbook; 0 when it read
    // (or the file is no workbook).
    int PreviewError() const { return m_previewError; }
    // Closing: the format's maps replace its rows of 映射 (in one
    // transaction), the row texts go to the settings.
    void Save();

    // The three maps from column 4 of M1, blank-trimmed.
    ColumnMaps BuildMapArrays() const;

    struct RunResult
    {
        bool stayOpen = false; // the rows were refused: the window stays
        bool imported = false; // the reading ran (DataGrid reshaped)
        QString message; // to show, "" when none
    };
    // The import button: nothing unless the choice is complete; else checks
    // the row texts and reads the file into the grid.
    RunResult RunImport(GridModel &dataGrid, const QString &lineBreakMarker,
                        QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));

    void LoadPreview(QDeadlineTimer deadline = QDeadlineTimer(kXlsTimeLimitMs));
    void ListMapBoxes();
    void LoadImportMap();

private:
    PageControls &m_page;
    ImportChoice &m_choice;
    GridModel m_m1, m_m0;
    QString m_previewMessage;
    int m_previewError = 0;
};

} // namespace imp
