#include "records/importmapping.h"

#include "core/controlrow.h"
#include "core/database.h"
#include "core/gridhelpers.h"
#include "core/progress.h"
#include "core/settings.h"
#include "platform/numtext.h"
#include "properties/pagecontrols.h"
#include "records/csvreader.h"
#include "records/xlsreader.h"

#include <QFileInfo>
#include <limits>

namespace imp {

namespace {

constexpr const char *kApp = "PQT_V";
constexpr const char *kSection = "OrchardPrint";
const char *const kRowKeys[3] = {"T(0)", "T(1)", "T(2)"};

// A typed number rounded to a whole number within [lo, hi]; nullopt beyond.
std::optional<qint64> WholeNumber(const QString &text, qint64 lo, qint64 hi)
{
    const double v = num::RoundHalfEven(num::Val(text));
    if (!(v >= double(lo) && v <= double(hi)))
        return std::nullopt;
    return qint64(v);
}

} // namespace

QString RefuseRowRange(qint64 first, qint64 last)
{
    SwapIfGreater(last, first);
    return last - first > 29999 ? QString::fromUtf8(kTooManyRecords) : QString();
}

QString ImportHelpText(const QString &lineBreakMarker)
{
    QString t = QStringLiteral("列号填写方法：") + QString(8, u' ')
        + QStringLiteral(
                    "来自单列数据，直接填入列号（如：A）；来自多列数据，用逗号隔开（如：D,F）；"
                    "需要插入固定字符,在将插入内容用引号引起来（如A,\"地址：\",E)；"
                    "需插入换行符，可用“//”代表换行（如：D,“//”,F）；空着表示不导入。");
    t.replace(QLatin1String("//"), lineBreakMarker);
    return t;
}

ImportMapping::ImportMapping(PageControls &page, ImportChoice &choice)
    : m_page(page)
    , m_choice(choice)
{ }

QString ImportMapping::Load(QDeadlineTimer deadline)
{
    m_previewMessage.clear();
    {
        // The preview's read lets the event loop run while the mapping
        // window is being made.
        const LongWork work;
        LoadPreview(deadline);
    }
    ListMapBoxes();
    LoadImportMap();
    return m_previewMessage;
}

void ImportMapping::LoadPreview(QDeadlineTimer deadline)
{
    m_previewError = ExcelOk;
    m_m0.setVisible(false);
    m_m0.setRows(0);
    m_m0.setRows(20);
    m_m0.setCols(60);
    m_m0.setColWidth(0, 300);
    m_m0.setFixedCols(1);
    m_m0.setFixedRows(1);
    for (qint32 r = 1; r < 20; ++r)
        m_m0.setText(r, 0, QString::number(r));
    for (qint32 c = 1; c < 60; ++c)
        m_m0.setText(0, c, ColumnLetters(c));
    if (m_choice.IsCsv() && QFileInfo::exists(m_choice.path) && !QFileInfo(m_choice.path).isFile()) {
        // A named pipe, a device or a folder: refused as a CSV file that
        // cannot be read, before anything waits on it.
        m_previewMessage = QString::fromUtf8(kCsvImportError);
        m_choice.path.clear();
        m_m0.setVisible(true);
        return;
    }
    if (m_choice.IsCsv()) {
        // A file that is no table (refused with its cause) is not kept for
        // the import.
        if (const QString refusal = PreviewCsv(m_m0, m_choice.path); !refusal.isEmpty()) {
            m_previewMessage = refusal;
            m_choice.path.clear();
        }
    } else if (!m_choice.IsXls()) {
        m_previewMessage = QString::fromUtf8(kUnsupportedFile);
        m_choice.path.clear();
        m_m0.setVisible(true);
        return;
    } else if (const int rc = PreviewExcel(m_m0, m_choice.path, m_choice.sheet, deadline);
               rc != 0) {
        m_previewError = rc;
        m_previewMessage = ExcelErrorMessage(rc);
    }
    AutoFitGridColumns(GridFont(), m_m0, 0, false);
    m_m0.setVisible(true);
}

void ImportMapping::ListMapBoxes()
{
    m_m1.setVisible(false);
    m_m1.clear();
    m_m1.setCols(5);
    m_m1.setRows(1);
    m_m1.setFixedRows(1);
    m_m1.setFixedCols(3);
    const QStringList headers {QStringLiteral("Index"), QStringLiteral("ID"),
                               QStringLiteral("序号"), QStringLiteral("输入框内容"),
                               QStringLiteral("对应列号")};
    for (qint32 c = 0; c < 5; ++c)
        m_m1.setText(0, c, headers[c]);
    for (qint32 cls = 0; cls <= 2; ++cls) {
        for (qint32 n = 1; n <= m_page.ControlCount(cls); ++n) {
            const qint32 index = cls * 1000 + n;
            std::optional<fmtgrid::ControlRow> row;
            if (const std::optional<qint32> r = m_page.ControlRow(index))
                row = fmtgrid::ReadControlRow(m_page.FormatGrid(), *r);
            const qint32 r = m_m1.addRow();
            m_m1.setText(r, 0, QString::number(index));
            m_m1.setText(r, 1, row ? num::Str(row->id) : QString());
            m_m1.setText(r, 2, QString::number(r));
            m_m1.setText(r, 3, row ? row->prompt : QString());
        }
    }
    AutoFitGridColumns(GridFont(), m_m1, 0, false);
    m_m1.setVisible(true);
}

void ImportMapping::LoadImportMap()
{
    if (auto rs
        = db::OpenRecordset(QStringLiteral("SELECT ID, Map FROM 映射 WHERE Fmt=? ORDER BY ID"),
                            {m_page.FormatName()})) {
        for (const auto &rec : rs->rows) {
            const double id = num::Val(rec.value(0));
            for (qint32 r = m_m1.fixedRows(); r < m_m1.rows(); ++r) {
                if (num::Val(m_m1.text(r, 1)) == id) {
                    m_m1.setText(r, 4, num::Text(rec.value(1)));
                    break;
                }
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        const QString t = GetRegSetting(QString::fromUtf8(kApp), QString::fromUtf8(kSection),
                                        QString::fromUtf8(kRowKeys[i]));
        if (!t.isEmpty())
            rows[size_t(i)] = t;
    }
}

void ImportMapping::Save()
{
    if (sql::Connection *conn = db::Connection()) {
        sql::Transaction t(*conn);
        bool ok = t.ok()
            && conn->Exec(QStringLiteral("DELETE FROM 映射 WHERE Fmt=?"), {m_page.FormatName()});
        for (qint32 r = m_m1.fixedRows(); ok && r < m_m1.rows(); ++r) {
            const QString map = m_m1.text(r, 4);
            if (map.isEmpty())
                continue;
            ok = conn->Exec(QStringLiteral("INSERT INTO 映射 (ID, Fmt, Map) VALUES (?, ?, ?)"),
                            {qint64(num::ToLong(m_m1.text(r, 1))), m_page.FormatName(), map});
        }
        if (ok)
            t.Commit();
    }
    for (int i = 0; i < 3; ++i)
        SaveRegSetting(QString::fromUtf8(kApp), QString::fromUtf8(kSection),
                       QString::fromUtf8(kRowKeys[i]), rows[size_t(i)]);
}

ColumnMaps ImportMapping::BuildMapArrays() const
{
    ColumnMaps maps;
    const qint32 nt = m_page.ControlCount(0), nc = m_page.ControlCount(1),
                 np = m_page.ControlCount(2);
    const qint32 fr = m_m1.fixedRows();
    const auto cell = [&](qint32 row) { return num::Trim(m_m1.text(row, 4)); };
    for (qint32 i = 1; i <= nt; ++i)
        maps.text << cell(fr + i - 1);
    for (qint32 i = 1; i <= nc; ++i)
        maps.check << cell(fr + nt + i - 1);
    for (qint32 i = 1; i <= np; ++i)
        maps.picture << cell(fr + nt + nc + i - 1);
    return maps;
}

ImportMapping::RunResult ImportMapping::RunImport(GridModel &dataGrid,
                                                  const QString &lineBreakMarker,
                                                  QDeadlineTimer deadline)
{
    RunResult result;
    if (!m_choice.Ready())
        return result;
    const ColumnMaps maps = BuildMapArrays();
    const qint64 lo = std::numeric_limits<qint32>::min(), hi = std::numeric_limits<qint32>::max();
    std::optional<qint64> first = WholeNumber(rows[0], lo, hi), last = WholeNumber(rows[1], lo, hi);
    if (!first || !last)
        return {true, false, QString::fromUtf8(kRowsOutOfRange)};
    SwapIfGreater(*last, *first);
    if (const QString refusal = RefuseRowRange(*first, *last); !refusal.isEmpty())
        return {true, false, refusal};
    const std::optional<qint64> interval = WholeNumber(rows[2], std::numeric_limits<qint16>::min(),
                                                       std::numeric_limits<qint16>::max());
    if (!interval)
        return {true, false, QString::fromUtf8(kIntervalOutOfRange)};
    // An interval below 1 gives a CSV file's rows no records: the typed
    // interval is said to be wrong, not the file.
    if (m_choice.IsCsv() && *interval <= 0)
        return {true, false, QString::fromUtf8(kIntervalNotPositive)};
    result.imported = true;
    // The reading lets the event loop run; the grid and the page stay in use.
    const LongWork work;
    if (m_choice.IsCsv()) {
        const CsvReadResult read = ReadCsvData(dataGrid, m_choice.path, *first, *last, maps,
                                               *interval, m_page, lineBreakMarker);
        result.imported = read.read;
        if (!read)
            result.message = read.refusal.isEmpty() ? QString::fromUtf8(kCsvImportError)
                                                    : read.refusal;
    } else if (m_choice.IsXls()) {
        if (const int rc = ReadExcelData(dataGrid, m_choice.path, m_choice.sheet, *first, *last,
                                         maps, *interval, m_page, lineBreakMarker, deadline))
            result.message = ExcelErrorMessage(rc);
    }
    return result;
}

} // namespace imp
