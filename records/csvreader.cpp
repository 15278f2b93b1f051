#include "records/csvreader.h"

#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/codepage.h"
#include "platform/gridmodel.h"
#include "records/datagrid.h"

#include <QFile>
#include <QStringDecoder>
#include <unicode/ucsdet.h>

namespace imp {

qsizetype CountRun(const QString &s, QChar ch, qsizetype start)
{
    qsizetype n = 0;
    while (start >= 0 && start + n < s.size() && s.at(start + n) == ch)
        ++n;
    return n;
}

qsizetype CountOccurrences(const QString &s, const QString &sub)
{
    if (sub.isEmpty())
        return 0;
    qsizetype n = 0;
    for (qsizetype p = s.indexOf(sub); p >= 0; p = s.indexOf(sub, p + sub.size()))
        ++n;
    return n;
}

std::optional<QString> SplitCsvLineChecked(const QString &line)
{
    if (line.isEmpty())
        return QString();
    QString s = line;
    const QChar quote = QLatin1Char('"'), comma = QLatin1Char(',');
    // Odd runs of quotes open and close cells; even runs are doubled quotes,
    // except that a cell written as exactly two quotes is an empty cell.
    qsizetype k = 0;
    for (qsizetype p = s.indexOf(quote); p >= 0;) {
        const qsizetype l = CountRun(s, quote, p);
        if (l % 2 == 1) {
            s[k % 2 == 0 ? p : p + l - 1] = kQuoteMark;
            ++k;
        } else if (l == 2 && k % 2 == 0 && (p == 0 || s.at(p - 1) == comma)
                   && (p + 2 == s.size() || s.at(p + 2) == comma)) {
            s[p] = kQuoteMark;
            s[p + 1] = kQuoteMark;
        }
        p = s.indexOf(quote, p + l);
    }
    if (CountOccurrences(s, QString(kQuoteMark)) % 2 == 1)
        return std::nullopt;
    s.replace(QLatin1String("\"\""), QLatin1String("\""));
    // Between the marks of a quoted cell commas are text; the others part
    // the cells.
    QString out;
    out.reserve(s.size() + s.count(comma) + 8);
    bool quoted = false;
    for (const QChar c : std::as_const(s)) {
        if (c == kQuoteMark)
            quoted = !quoted;
        else if (c == comma)
            out += quoted ? QString(comma) : kCellSeparator;
        else
            out += c;
    }
    return out;
}

QString SplitCsvLine(const QString &line)
{
    return SplitCsvLineChecked(line).value_or(QString());
}

namespace {

// Whether ICU's charset detector takes the bytes for UTF-8 with no doubt.
// It looks at the start of the text only (it reads a few kilobytes). Two-
// byte UTF-8 sequences (lead C2..DF, trail 80..BF) are always also valid
// code page 936 pairs, so a text whose only non-ASCII sequences are such
// pairs reads equally well both ways: that is a doubt, and Chinese text in
// UTF-8 always has three-byte sequences.
bool DetectedAsUtf8(const QByteArray &bytes)
{
    const qsizetype sample = std::min<qsizetype>(bytes.size(), 65536);
    bool wide = false;
    for (qsizetype i = 0; i < sample && !wide; ++i)
        wide = uchar(bytes.at(i)) >= 0xE0;
    if (!wide)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    UCharsetDetector *detector = ucsdet_open(&status);
    if (U_FAILURE(status))
        return false;
    ucsdet_setText(detector, bytes.constData(), int32_t(sample), &status);
    const UCharsetMatch *match = ucsdet_detect(detector, &status);
    bool utf8 = false;
    if (U_SUCCESS(status) && match) {
        const char *name = ucsdet_getName(match, &status);
        const int32_t confidence = ucsdet_getConfidence(match, &status);
        utf8 = U_SUCCESS(status) && name && qstrcmp(name, "UTF-8") == 0 && confidence >= 80;
    }
    ucsdet_close(detector);
    return utf8;
}

} // namespace

QString DecodeCsvBytes(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (DetectedAsUtf8(bytes)) {
        // The detector saw the start; a later byte that is no UTF-8 after
        // all sends the whole file to code page 936.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    return cp936::Decode(bytes);
}

namespace {

// Physical lines of a text, one after the other.
class PhysicalLines
{
public:
    explicit PhysicalLines(const QString &text)
        : m_text(text)
    { }
    bool Next(QString &line)
    {
        if (m_done)
            return false;
        const qsizetype n = m_text.size();
        if (m_pos >= n) { // only for an empty text: one empty line
            m_done = true;
            line.clear();
            return true;
        }
        qsizetype e = m_pos;
        while (e < n && m_text.at(e) != u'\r' && m_text.at(e) != u'\n')
            ++e;
        line = m_text.mid(m_pos, e - m_pos);
        if (e + 1 < n && m_text.at(e) == u'\r' && m_text.at(e + 1) == u'\n')
            ++e;
        m_pos = e + 1;
        m_done = m_pos >= n;
        return true;
    }

private:
    const QString &m_text;
    qsizetype m_pos = 0;
    bool m_done = false;
};

} // namespace

QStringList CsvLogicalLines(const QString &text, qsizetype maxLines)
{
    QStringList lines;
    PhysicalLines physical(text);
    QString line, next;
    while ((maxLines < 0 || lines.size() < maxLines) && physical.Next(line)) {
        if (line.isEmpty()) {
            lines.append(line);
            continue;
        }
        std::optional<QString> t = SplitCsvLineChecked(line);
        while (!t) {
            if (!physical.Next(next)) {
                // The file ends inside a quoted cell: the cell closes here.
                t = SplitCsvLineChecked(line + QLatin1Char('"'));
                break;
            }
            line += QLatin1String("\r\n") + next;
            t = SplitCsvLineChecked(line);
        }
        if (t)
            lines.append(*t);
    }
    return lines;
}

QStringList ReadCsvLines(const QString &path)
{
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return CsvLogicalLines(DecodeCsvBytes(f.readAll()));
}

bool ReadCsvData(GridModel &grid, const QString &path, qint64 first, qint64 last,
                 const ColumnMaps &maps, qint64 interval, PageControls &page,
                 const QString &lineBreakMarker)
{
    const std::optional<qint64> records = RecordCount(first, last, interval);
    if (!records || *records < 0 || *records > std::numeric_limits<qint32>::max() - 2)
        return false;
    const QStringList lines = ReadCsvLines(path);
    // Trailing empty lines are past the data; a file of nothing but empty
    // lines has none and keeps the count.
    qint64 used = lines.size();
    while (used > 0 && lines.at(used - 1).isEmpty())
        --used;
    PrepareDataGrid(grid, qint32(RecordsWithinData(*records, first, interval, used)), maps, page);
    QStringList merged = MergeFieldArrays(maps);
    CleanColumnMaps(merged);

    // Parts of one record mostly read the same row: its cells are kept.
    qint64 cachedRow = -1;
    QList<QStringView> cells;
    const CellReader cell = [&](qint64 row, qint32 column) -> QString {
        if (row < 1 || row > lines.size())
            return QString();
        if (row != cachedRow) {
            cells = QStringView(lines.at(row - 1)).split(kCellSeparator);
            cachedRow = row;
        }
        if (lines.at(row - 1).isEmpty() || column > cells.size())
            return QString();
        return cells.at(column - 1).toString();
    };
    FillDataGrid(grid, merged, first, interval, cell, lineBreakMarker, true);
    AutoFitGridColumns(GridFont(), grid, grid.fixedRows(), true);
    CloseIndicator();
    return true;
}

void PreviewCsv(GridModel &grid, const QString &path)
{
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QStringList lines = CsvLogicalLines(DecodeCsvBytes(f.readAll()), grid.rows() - 1);
    for (qint32 r = 1; r < grid.rows() && r <= lines.size(); ++r) {
        if (lines.at(r - 1).isEmpty())
            continue;
        const QStringList cells = lines.at(r - 1).split(kCellSeparator);
        for (qint32 c = 1; c < grid.cols() && c <= cells.size(); ++c)
            grid.setText(r, c, cells.at(c - 1));
    }
}

} // namespace imp
