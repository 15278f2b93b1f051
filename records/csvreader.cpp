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
constexpr qsizetype kDetectorSample = 65536;

bool DetectedAsUtf8(const QByteArray &bytes)
{
    const qsizetype sample = std::min<qsizetype>(bytes.size(), kDetectorSample);
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

// UTF-8 text as it stands: a byte-order mark is a character here (the
// file's own mark is skipped before), so a line read alone gives what it
// gives inside the whole text.
QString Utf8Text(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

} // namespace

QString CsvFile::decode(const QByteArray &bytes) const
{
    return m_utf8 ? Utf8Text(bytes) : cp936::Decode(bytes);
}

bool CsvFile::Open(const QString &path)
{
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return false;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = m_file.read(kDetectorSample);
    const bool bom = head.startsWith("\xEF\xBB\xBF");
    m_utf8 = bom || DetectedAsUtf8(head);
    const qint64 start = bom ? 3 : 0;
    // Bytes past the detector's sample that are no UTF-8 after all send the
    // whole file to code page 936.
    if (!index(start, m_utf8 && !bom)) {
        m_utf8 = false;
        if (!index(start, false))
            return false;
    }
    m_used = Lines();
    while (m_used > 0 && m_begin[size_t(m_used - 1)] == m_end[size_t(m_used - 1)])
        --m_used;
    return true;
}

bool CsvFile::index(qint64 start, bool checkUtf8)
{
    m_begin.clear();
    m_end.clear();
    m_lastOpen = false;
    if (!m_file.seek(start))
        return false;
    // The UTF-8 check decodes each chunk whole; a sequence cut by the
    // chunk's end waits for the next one.
    QByteArray carry;
    const auto validUtf8 = [](QByteArrayView bytes) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes); // decoding happens on conversion
        return !utf8.hasError();
    };

    qint64 pos = start, lineBegin = start, physicalEnd = start;
    qint64 run = 0; // quotes in the current run
    int oddRuns = 0; // parity of the odd-length runs of the current line
    bool afterCr = false, content = false; // content: bytes since the last line end
    const auto endRun = [&] {
        oddRuns ^= int(run % 2);
        run = 0;
    };
    for (;;) {
        const QByteArray chunk = m_file.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (checkUtf8) {
            const QByteArray bytes = carry + chunk;
            qsizetype cut = bytes.size();
            for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
                const uchar lead = uchar(bytes.at(bytes.size() - back));
                if (lead < 0x80)
                    break; // ASCII: no sequence is cut
                if (lead < 0xC0)
                    continue; // a continuation byte
                const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
                if (length > back)
                    cut = bytes.size() - back;
                break;
            }
            if (!validUtf8(QByteArrayView(bytes.constData(), cut)))
                return false;
            carry = bytes.mid(cut);
        }
        for (const char c : chunk) {
            const qint64 at = pos++;
            if (afterCr && c == '\n') { // the LF of a CR LF
                afterCr = false;
                if (oddRuns == 0)
                    lineBegin = pos;
                continue;
            }
            afterCr = false;
            if (c == '\r' || c == '\n') {
                endRun();
                physicalEnd = at;
                content = false;
                afterCr = c == '\r';
                if (oddRuns == 0) {
                    m_begin.push_back(lineBegin);
                    m_end.push_back(at);
                    lineBegin = pos;
                }
                continue;
            }
            content = true;
            if (c == '"')
                ++run;
            else if (run)
                endRun();
        }
    }
    // A sequence cut off by the end of the file is an error too.
    if (checkUtf8 && !validUtf8(carry))
        return false;
    endRun();
    if (content) {
        m_begin.push_back(lineBegin);
        m_end.push_back(pos);
        m_lastOpen = oddRuns != 0;
    } else if (oddRuns != 0) {
        // The file ends after a line end inside a quoted cell.
        m_begin.push_back(lineBegin);
        m_end.push_back(physicalEnd);
        m_lastOpen = true;
    } else if (m_begin.empty()) { // an empty text is one empty line
        m_begin.push_back(start);
        m_end.push_back(start);
    }
    return true;
}

QString CsvFile::Line(qint64 i)
{
    const size_t k = size_t(i);
    if (!m_file.seek(m_begin[k]))
        return {};
    QString line = decode(m_file.read(m_end[k] - m_begin[k]));
    // Lines joined inside a quoted cell: every line end becomes CR LF.
    if (line.contains(u'\r') || line.contains(u'\n')) {
        line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        line.replace(u'\r', u'\n');
        line.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    }
    if (m_lastOpen && k + 1 == m_begin.size())
        line += u'"';
    return line;
}

namespace {

// The cells of one line: a line without quotes is its own split form with
// "," between cells; otherwise the splitter's form. Cell starts are found
// as far as they are asked for.
class LineCells
{
public:
    void Set(QString line)
    {
        if (line.contains(u'"')) {
            m_text = SplitCsvLine(line);
            m_separator = kCellSeparator;
        } else {
            m_text = std::move(line);
            m_separator = QStringLiteral(",");
        }
        m_starts.assign(1, 0);
    }
    // Cell `column` (1-based); nullopt where the line has none (an empty
    // line has no cells).
    std::optional<QString> Cell(qint32 column)
    {
        if (m_text.isEmpty() || column < 1)
            return std::nullopt;
        while (qsizetype(m_starts.size()) < column) {
            const qsizetype from = m_starts.back();
            if (from < 0)
                return std::nullopt;
            const qsizetype sep = m_text.indexOf(m_separator, from);
            m_starts.push_back(sep < 0 ? -1 : sep + m_separator.size());
        }
        const qsizetype begin = m_starts[size_t(column - 1)];
        if (begin < 0)
            return std::nullopt;
        const qsizetype end = m_text.indexOf(m_separator, begin);
        return m_text.mid(begin, end < 0 ? -1 : end - begin);
    }

private:
    QString m_text, m_separator;
    std::vector<qsizetype> m_starts;
};

} // namespace

bool ReadCsvData(GridModel &grid, const QString &path, qint64 first, qint64 last,
                 const ColumnMaps &maps, qint64 interval, PageControls &page,
                 const QString &lineBreakMarker)
{
    const std::optional<qint64> records = RecordCount(first, last, interval);
    if (!records || *records < 0 || *records > std::numeric_limits<qint32>::max() - 2)
        return false;
    CsvFile file;
    const bool readable = file.Open(path);
    // Trailing empty lines are past the data; a file of nothing but empty
    // lines (or none at all) keeps the count.
    const qint64 used = readable ? file.UsedLines() : 0;
    const qint64 lines = readable ? file.Lines() : 0;
    PrepareDataGrid(grid, qint32(RecordsWithinData(*records, first, interval, used)), maps, page);
    QStringList merged = MergeFieldArrays(maps);
    CleanColumnMaps(merged);

    // Parts of one record mostly read the same row: its cells are kept.
    qint64 cachedRow = -1;
    LineCells cells;
    const CellReader cell = [&](qint64 row, qint32 column) -> QString {
        if (row < 1 || row > lines)
            return QString();
        if (row != cachedRow) {
            cells.Set(file.Line(row - 1));
            cachedRow = row;
        }
        return cells.Cell(column).value_or(QString());
    };
    FillDataGrid(grid, merged, first, interval, cell, lineBreakMarker, true);
    AutoFitGridColumns(GridFont(), grid, grid.fixedRows(), true);
    CloseIndicator();
    return true;
}

void PreviewCsv(GridModel &grid, const QString &path)
{
    CsvFile file;
    if (!file.Open(path))
        return;
    LineCells cells;
    for (qint32 r = 1; r < grid.rows() && r <= file.Lines(); ++r) {
        cells.Set(file.Line(r - 1));
        for (qint32 c = 1; c < grid.cols(); ++c) {
            const std::optional<QString> t = cells.Cell(c);
            if (!t)
                break;
            grid.setText(r, c, *t);
        }
    }
}

} // namespace imp
