#include "records/xlsreader.h"

#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/gridmodel.h"
#include "records/datagrid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <limits>
#include <set>
#include <sys/resource.h>

namespace imp {

namespace {

constexpr const char *kHelperName = "waybill-xlsread";

// Runs the helper on one request; its reply, or nullopt when it could not
// start, crashed, ended with an error or overran the limit (it is killed).
std::optional<QByteArray> RunHelper(const QStringList &args, int timeLimitMs)
{
    const QString program = XlsHelperProgram();
    if (program.isEmpty())
        return std::nullopt;
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    // A crash on a damaged file is expected: it leaves no core file.
    p.setChildProcessModifier([] {
        const rlimit none {0, 0};
        setrlimit(RLIMIT_CORE, &none);
    });
    p.start();
    if (!p.waitForStarted())
        return std::nullopt;
    if (!p.waitForFinished(timeLimitMs)) {
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// A reply's first frame: an error number the helper gives.
std::optional<int> OpenResult(FrameReader &in)
{
    const std::optional<qint64> rc = in.NextNumber();
    if (rc && (*rc == ExcelOk || *rc == ExcelCannotOpen || *rc == ExcelWrongType))
        return int(*rc);
    return std::nullopt;
}

qint64 CellKey(qint64 row, qint64 column)
{
    return row * (kMaxSheetCols + 1) + column;
}

// The rows and columns of the sheet that the records' entries can name: the
// columns of the parts, and the rows from the first record's to the last
// record's with the parts' offsets, a row of room either side for the
// rounding, within the sheet's largest size.
XlsCellRequest CellsNeeded(const QString &sheet, const QStringList &merged, qint64 first,
                           qint64 interval, qint64 records)
{
    XlsCellRequest request;
    request.sheet = sheet;
    std::set<qint64> columns;
    double lowOffset = std::numeric_limits<double>::infinity(), highOffset = -lowOffset;
    for (const QString &entry : merged) {
        for (const MapPart &p : CompileMapEntry(entry)) {
            if (p.literal || p.failed || p.column < 1 || p.column > kMaxSheetCols)
                continue;
            columns.insert(p.column);
            lowOffset = std::min(lowOffset, p.rowOffset);
            highOffset = std::max(highOffset, p.rowOffset);
        }
    }
    if (records <= 0 || columns.empty())
        return request;
    const double a = double(first), b = double(first) + double(records - 1) * double(interval);
    const double low = std::max(std::min(a, b) + lowOffset - 1, 1.0);
    const double high = std::min(std::max(a, b) + highOffset + 1, double(kMaxSheetRows));
    if (!(low <= high))
        return request;
    request.firstRow = qint64(low);
    request.lastRow = qint64(high);
    request.columns = QList<qint64>(columns.begin(), columns.end());
    return request;
}

} // namespace

QString ExcelErrorMessage(int error)
{
    switch (error) {
    case ExcelWrongType:
        return QStringLiteral("文件类型不对，请选择Excel文档！");
    case ExcelCannotOpen:
        return QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！");
    case ExcelNoSuchSheet:
        return QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！");
    case 1004:
        return QStringLiteral("输入表格列号超界，请重新输入！");
    default:
        return QStringLiteral("未知错误，错误号：") + (error >= 0 ? QStringLiteral(" ") : QString())
            + QString::number(error) + QStringLiteral("　请检查输入值！");
    }
}

QString XlsHelperProgram()
{
    const QDir dir(QCoreApplication::applicationDirPath());
    for (const QString &candidate :
         {dir.filePath(QLatin1String(kHelperName)),
          dir.filePath(QLatin1String("../bin/") + QLatin1String(kHelperName))}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.absoluteFilePath();
    }
    return QString();
}

QString XlsCells::Text(qint64 row, qint64 column) const
{
    if (row < 1 || row > kMaxSheetRows || column < 1 || column > kMaxSheetCols)
        return QString();
    const qint64 key = CellKey(row, column);
    const auto it = std::lower_bound(m_cells.begin(), m_cells.end(), key,
                                     [](const auto &cell, qint64 k) { return cell.first < k; });
    return it != m_cells.end() && it->first == key ? it->second : QString();
}

bool XlsCells::Append(qint64 row, qint64 column, const QString &text)
{
    if (row < 1 || row > kMaxSheetRows || column < 1 || column > kMaxSheetCols)
        return false;
    const qint64 key = CellKey(row, column);
    if (!m_cells.empty() && m_cells.back().first >= key)
        return false;
    m_cells.emplace_back(key, text);
    return true;
}

std::optional<XlsSheetNames> ParseSheetsReply(const QByteArray &reply)
{
    FrameReader in(reply);
    const std::optional<int> rc = OpenResult(in);
    if (!rc)
        return std::nullopt;
    XlsSheetNames result;
    result.error = *rc;
    while (!in.AtEnd()) {
        const std::optional<QString> name = in.Next();
        if (!name || result.error != ExcelOk)
            return std::nullopt;
        result.names << *name;
    }
    return result;
}

std::optional<XlsCells> ParseCellsReply(const QByteArray &reply)
{
    FrameReader in(reply);
    const std::optional<int> rc = OpenResult(in);
    if (!rc)
        return std::nullopt;
    XlsCells result;
    result.error = *rc;
    if (result.error != ExcelOk)
        return in.AtEnd() ? std::optional(result) : std::nullopt;
    const std::optional<qint64> found = in.NextNumber(), rows = in.NextNumber(),
                                cols = in.NextNumber();
    if (!found || (*found != 0 && *found != 1) || !rows || *rows < 0 || *rows > 0xFFFFFFFFLL
        || !cols || *cols < 0 || *cols > 0xFFFF)
        return std::nullopt;
    result.sheetFound = *found == 1;
    result.usedRows = *rows;
    result.usedCols = *cols;
    // A cell takes at least 15 bytes of frames (three lengths, row, column).
    result.Reserve(reply.size() / 16);
    while (!in.AtEnd()) {
        const std::optional<qint64> row = in.NextNumber(), column = in.NextNumber();
        const std::optional<QString> text = in.Next();
        if (!row || !column || !text || !result.Append(*row, *column, *text))
            return std::nullopt;
    }
    return result;
}

XlsSheetNames ReadSheetNames(const QString &path, int timeLimitMs)
{
    const std::optional<QByteArray> reply
        = RunHelper({QStringLiteral("sheets"), path}, timeLimitMs);
    return reply ? ParseSheetsReply(*reply).value_or(XlsSheetNames {}) : XlsSheetNames {};
}

XlsCells ReadSheetCells(const QString &path, const XlsCellRequest &request, int timeLimitMs)
{
    QStringList columns;
    for (const qint64 c : request.columns)
        columns << QString::number(c);
    const std::optional<QByteArray> reply = RunHelper(
        {QStringLiteral("cells"), path, request.sheet, QString::number(request.firstRow),
         QString::number(request.lastRow), columns.join(u',')},
        timeLimitMs);
    return reply ? ParseCellsReply(*reply).value_or(XlsCells {}) : XlsCells {};
}

int ReadExcelData(GridModel &grid, const QString &path, const QString &sheetName, qint64 first,
                  qint64 last, const ColumnMaps &maps, qint64 interval, PageControls &page,
                  const QString &lineBreakMarker)
{
    const std::optional<qint64> records = RecordCount(first, last, interval);
    if (!records)
        return ExcelDivisionByZero;
    if (*records < 0 || *records > std::numeric_limits<qint32>::max() - 2)
        return ExcelBadRowCount;
    QStringList merged = MergeFieldArrays(maps);
    CleanColumnMaps(merged);
    ShowIndicator(QString::fromUtf8(kReadingCaption), 100);
    // The workbook is read before the grid is touched: a file that cannot
    // be read leaves the records of the last import as they were.
    const XlsCells cells
        = ReadSheetCells(path, CellsNeeded(sheetName, merged, first, interval, *records));
    if (cells.error != ExcelOk) {
        CloseIndicator();
        return cells.error;
    }
    // A wrong sheet name reads no cell; the records keep their count and
    // their quoted texts. Records past the sheet's last used row are none.
    PrepareDataGrid(grid, qint32(*records), maps, page);
    grid.setRows(grid.fixedRows()
                 + qint32(RecordsWithinData(*records, first, interval, cells.usedRows)));
    FillDataGrid(
        grid, merged, first, interval,
        [&cells](qint64 row, qint32 column) { return cells.Text(row, column); }, lineBreakMarker,
        true);
    AutoFitGridColumns(GridFont(), grid, grid.fixedRows(), true);
    CloseIndicator();
    return ExcelOk;
}

int PreviewExcel(GridModel &grid, const QString &path, const QString &sheetName)
{
    ShowIndicator(QString::fromUtf8(kReadingCaption), 20);
    XlsCellRequest request;
    request.sheet = sheetName;
    request.lastRow = std::min<qint64>(19, grid.rows() - 1);
    for (qint64 c = 1; c <= 59 && c < grid.cols(); ++c)
        request.columns << c;
    const XlsCells cells = ReadSheetCells(path, request);
    int rc = cells.error;
    if (rc == ExcelOk && !cells.sheetFound)
        rc = ExcelNoSuchSheet;
    if (rc == ExcelOk) {
        for (qint32 r = 1; r <= request.lastRow; ++r) {
            for (const qint64 c : request.columns)
                grid.setText(r, qint32(c), cells.Text(r, c));
            StepIndicator(1, QStringLiteral("pages"));
        }
    }
    CloseIndicator();
    return rc;
}

} // namespace imp
