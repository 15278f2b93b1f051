#include "records/xlsreader.h"

#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/gridmodel.h"
#include "platform/numtext.h"
#include "records/datagrid.h"

#include <QFileInfo>
#include <freexl.h>

namespace imp {

namespace {

constexpr qint64 kMaxSheetRows = 65536;
constexpr qint64 kMaxSheetCols = 256;

// "YYYY-MM-DD" as "yyyy-m-d"; "HH:MM:SS" as "h:mm:ss".
QString ShortDate(QStringView ymd)
{
    const auto parts = ymd.split(u'-');
    if (parts.size() != 3)
        return ymd.toString();
    return parts[0].toString() + u'-' + QString::number(parts[1].toInt()) + u'-'
        + QString::number(parts[2].toInt());
}

QString ShortTime(QStringView hms)
{
    if (hms.size() >= 2 && hms.at(0) == u'0')
        return hms.mid(1).toString();
    return hms.toString();
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

XlsWorkbook::~XlsWorkbook()
{
    if (m_handle)
        freexl_close(m_handle);
}

int XlsWorkbook::Open(const QString &path)
{
    if (m_handle) {
        freexl_close(m_handle);
        m_handle = nullptr;
    }
    m_selected = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ExcelCannotOpen;
    // A readable file without the compound-document signature is no
    // workbook at all (a text, an .xlsx renamed).
    if (file.read(8) != QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return ExcelWrongType;
    file.close();
    const void *h = nullptr;
    const int rc = freexl_open(QFile::encodeName(path).constData(), &h);
    if (rc != FREEXL_OK) {
        if (h)
            freexl_close(h);
        switch (rc) {
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return ExcelWrongType;
        default:
            return ExcelCannotOpen;
        }
    }
    m_handle = h;
    unsigned int password = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK
        && password == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(m_handle);
        m_handle = nullptr;
        return ExcelCannotOpen;
    }
    return ExcelOk;
}

QStringList XlsWorkbook::SheetNames() const
{
    QStringList names;
    unsigned int count = 0;
    if (!m_handle || freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        return names;
    for (unsigned int i = 0; i < count; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(m_handle, quint16(i), &name) == FREEXL_OK && name)
            names << QString::fromUtf8(name);
        else
            names << QString();
    }
    return names;
}

bool XlsWorkbook::SelectSheet(qint32 index)
{
    m_selected = false;
    if (!m_handle || index < 0 || index > 0xFFFF
        || freexl_select_active_worksheet(m_handle, quint16(index)) != FREEXL_OK)
        return false;
    if (freexl_worksheet_dimensions(m_handle, &m_rows, &m_cols) != FREEXL_OK)
        return false;
    m_selected = true;
    return true;
}

bool XlsWorkbook::SelectSheet(const QString &name)
{
    const QStringList names = SheetNames();
    for (qint32 i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return SelectSheet(i);
    m_selected = false;
    return false;
}

QString XlsWorkbook::CellText(qint64 row, qint64 column) const
{
    if (!m_selected || row < 1 || column < 1 || row > kMaxSheetRows || column > kMaxSheetCols
        || row > qint64(m_rows) || column > qint64(m_cols))
        return QString();
    FreeXL_CellValue v;
    if (freexl_get_cell_value(m_handle, quint32(row - 1), quint16(column - 1), &v) != FREEXL_OK)
        return QString();
    switch (v.type) {
    case FREEXL_CELL_INT:
        return QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return num::Str(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return QString::fromUtf8(v.value.text_value);
    case FREEXL_CELL_DATE:
        return ShortDate(QString::fromUtf8(v.value.text_value));
    case FREEXL_CELL_DATETIME: {
        const QString t = QString::fromUtf8(v.value.text_value);
        const qsizetype blank = t.indexOf(u' ');
        if (blank < 0)
            return ShortDate(t);
        const QStringView time = QStringView(t).mid(blank + 1);
        // A date at midnight is shown as the date alone.
        if (time == u"00:00:00")
            return ShortDate(QStringView(t).left(blank));
        return ShortDate(QStringView(t).left(blank)) + u' ' + ShortTime(time);
    }
    case FREEXL_CELL_TIME:
        return ShortTime(QString::fromUtf8(v.value.text_value));
    default:
        return QString();
    }
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
    PrepareDataGrid(grid, qint32(*records), maps, page);
    QStringList merged = MergeFieldArrays(maps);
    ShowIndicator(QString::fromUtf8(kReadingCaption), 100);
    XlsWorkbook book;
    if (const int rc = book.Open(path); rc != ExcelOk) {
        CloseIndicator();
        return rc;
    }
    // A wrong sheet name reads no cell; the records keep their count and
    // their quoted texts. Records past the sheet's last used row are none.
    book.SelectSheet(sheetName);
    grid.setRows(grid.fixedRows()
                 + qint32(RecordsWithinData(*records, first, interval, book.UsedRows())));
    CleanColumnMaps(merged);
    FillDataGrid(
        grid, merged, first, interval,
        [&book](qint64 row, qint32 column) { return book.CellText(row, column); }, lineBreakMarker,
        true);
    AutoFitGridColumns(GridFont(), grid, grid.fixedRows(), true);
    CloseIndicator();
    return ExcelOk;
}

int PreviewExcel(GridModel &grid, const QString &path, const QString &sheetName)
{
    ShowIndicator(QString::fromUtf8(kReadingCaption), 20);
    XlsWorkbook book;
    int rc = book.Open(path);
    if (rc == ExcelOk && !book.SelectSheet(sheetName))
        rc = ExcelNoSuchSheet;
    if (rc == ExcelOk) {
        for (qint32 r = 1; r <= 19 && r < grid.rows(); ++r) {
            for (qint32 c = 1; c <= 59 && c < grid.cols(); ++c)
                grid.setText(r, c, book.CellText(r, c));
            StepIndicator(1, QStringLiteral("pages"));
        }
    }
    CloseIndicator();
    return rc;
}

} // namespace imp
