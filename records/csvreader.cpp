#include "records/csvreader.h"

#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/codepage.h"
#include "platform/gridmodel.h"
#include "records/datagrid.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imp {

QString WellFormed(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar(0xFFFD);
    }
    return text;
}

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
    const QChar quote = QLatin1Char('"'), comma = QLatin1Char(',');
    // Odd runs of quotes open and close cells, the rest of such a run being
    // doubled quotes; even runs are doubled quotes, except that a cell
    // written as exactly two quotes is an empty cell. Between an opening and
    // a closing quote commas are text; the others part the cells.
    QString out;
    out.reserve(line.size() + line.count(comma) + 8);
    bool quoted = false;
    for (qsizetype p = 0; p < line.size();) {
        const QChar c = line.at(p);
        if (c == comma) {
            out += quoted ? QString(comma) : kCellSeparator;
            ++p;
        } else if (c != quote) {
            out += c;
            ++p;
        } else {
            const qsizetype l = CountRun(line, quote, p);
            out += QString(l / 2, quote);
            if (l % 2 == 1)
                quoted = !quoted;
            else if (l == 2 && !quoted && (p == 0 || line.at(p - 1) == comma)
                     && (p + 2 == line.size() || line.at(p + 2) == comma))
                out.chop(1);
            p += l;
        }
    }
    if (quoted)
        return std::nullopt;
    return out;
}

QString SplitCsvLine(const QString &line)
{
    return SplitCsvLineChecked(line).value_or(QString());
}

namespace {

// UTF-8 or UTF-16 text as it stands: a byte-order mark is a character here
// (the file's own mark is skipped before), so a line read alone gives what
// it gives inside the whole text. A surrogate without its partner (which
// Qt's UTF-16 decoder lets through) is no character: it reads as U+FFFD.
QString UnicodeText(QStringDecoder::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder d(encoding,
                     QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return WellFormed(d.decode(bytes));
}

// Finds the logical lines in a stream of code units (bytes, or UTF-16
// units) by their byte positions, and hands each one to the sink
// (sink(begin, end)) as its end is found. A fresh finder set on the start of
// any line finds the same lines from there as the one that ran from the
// start of the file: a line begins with no quote open, after its line end
// (the LF of a CR LF included).
template<class Sink>
class LineFinder
{
public:
    LineFinder(Sink &sink, qint64 start, qint64 maxLines)
        : m_sink(sink)
        , m_lineBegin(start)
        , m_physicalEnd(start)
        , m_max(maxLines)
    { }
    bool Full() const { return m_max >= 0 && m_found >= m_max; }
    // The 1-based number of the first line found longer than
    // kMaxCsvLineBytes; 0 while there is none.
    qint64 TooLong() const { return m_tooLong; }
    // The line still open at byte pos: too long already?
    void Measure(qint64 pos) { measure(pos); }
    static bool Special(char16_t c) { return c <= u'"' && (c == u'"' || c == u'\r' || c == u'\n'); }
    // Units that are none of the special ones.
    void Plain()
    {
        m_afterCr = false;
        m_content = true;
        if (m_run)
            endRun();
    }
    // The unit c found at byte `at`, the next one at byte `next`.
    void Unit(char16_t c, qint64 at, qint64 next)
    {
        if (m_afterCr && c == u'\n') { // the LF of a CR LF
            m_afterCr = false;
            if (m_oddRuns == 0)
                m_lineBegin = next;
            return;
        }
        m_afterCr = false;
        if (c == u'\r' || c == u'\n') {
            endRun();
            m_physicalEnd = at;
            m_content = false;
            m_afterCr = c == u'\r';
            if (m_oddRuns == 0) {
                if (!Full()) {
                    measure(at);
                    found(m_lineBegin, at);
                }
                m_lineBegin = next;
            }
            return;
        }
        m_content = true;
        if (c == u'"')
            ++m_run;
        else if (m_run)
            endRun();
    }
    // The end of the file at byte pos; whether the last line is still open.
    bool Finish(qint64 start, qint64 pos)
    {
        endRun();
        if (Full())
            return false;
        if (m_content) {
            found(m_lineBegin, pos);
            return m_oddRuns != 0;
        }
        if (m_oddRuns != 0) { // the file ends after a line end inside a quoted cell
            found(m_lineBegin, m_physicalEnd);
            return true;
        }
        if (m_found == 0) // an empty file is one empty line
            found(start, start);
        return false;
    }

private:
    void found(qint64 begin, qint64 end)
    {
        m_sink(begin, end);
        ++m_found;
    }
    void measure(qint64 pos)
    {
        if (m_tooLong == 0 && !Full() && pos - m_lineBegin > kMaxCsvLineBytes)
            m_tooLong = m_found + 1;
    }
    void endRun()
    {
        m_oddRuns ^= int(m_run % 2);
        m_run = 0;
    }
    Sink &m_sink;
    qint64 m_lineBegin, m_physicalEnd, m_max;
    qint64 m_found = 0;
    qint64 m_run = 0; // quotes in the current run
    qint64 m_tooLong = 0;
    int m_oddRuns = 0; // parity of the odd-length runs of the current line
    bool m_afterCr = false, m_content = false; // content: units since the last line end
};

// Turns the file's bytes, piece by piece, into the units a line finder
// takes: bytes as they are, or UTF-16 units made of byte pairs (a pair may
// be cut between two pieces).
class UnitFeed
{
public:
    UnitFeed(CsvEncoding encoding, qint64 start)
        : m_wide(encoding == CsvEncoding::Utf16Le || encoding == CsvEncoding::Utf16Be)
        , m_bigEndian(encoding == CsvEncoding::Utf16Be)
        , m_pos(start)
    { }
    qint64 Pos() const { return m_pos; }
    template<class Finder>
    void Feed(Finder &lines, QByteArrayView chunk)
    {
        if (!m_wide) {
            // Bytes that are no quote, CR or LF go by in runs.
            const char *p = chunk.data(), *const end = p + chunk.size();
            while (p < end) {
                const char *q = p;
                while (q < end) {
                    // Eight at a time while none is below '"' + 1 (the test
                    // finds every such byte, and a few others).
                    if (end - q >= 8) {
                        quint64 x;
                        std::memcpy(&x, q, 8);
                        constexpr quint64 kOnes = 0x0101010101010101ULL;
                        if (((x - kOnes * (u'"' + 1)) & ~x & kOnes * 0x80) == 0) {
                            q += 8;
                            continue;
                        }
                    }
                    if (Finder::Special(uchar(*q)))
                        break;
                    ++q;
                }
                if (q > p) {
                    lines.Plain();
                    m_pos += q - p;
                    p = q;
                    continue;
                }
                lines.Unit(uchar(*p++), m_pos, m_pos + 1);
                ++m_pos;
            }
        } else {
            for (const char c : chunk) {
                ++m_pos;
                if (m_half < 0) {
                    m_half = uchar(c);
                    continue;
                }
                const char16_t unit = m_bigEndian ? char16_t(m_half << 8 | uchar(c))
                                                  : char16_t(uchar(c) << 8 | m_half);
                m_half = -1;
                lines.Unit(unit, m_pos - 2, m_pos);
            }
        }
        lines.Measure(m_pos);
    }
    // The end of the file: a UTF-16 file cut inside a unit has one more,
    // a replacement character. Whether the last line is still open.
    template<class Finder>
    bool Finish(Finder &lines, qint64 start)
    {
        if (m_half >= 0 && !lines.Full())
            lines.Unit(u'\uFFFD', m_pos - 1, m_pos);
        return lines.Finish(start, m_pos);
    }

private:
    bool m_wide, m_bigEndian;
    qint64 m_pos;
    int m_half = -1; // a UTF-16 unit's first byte, read at the end of a piece
};

} // namespace

QString CsvFile::decode(const QByteArray &bytes) const
{
    switch (m_encoding) {
    case CsvEncoding::Utf8:
        return UnicodeText(QStringDecoder::Utf8, bytes);
    case CsvEncoding::Utf16Le:
    case CsvEncoding::Utf16Be: {
        // A file cut inside a unit: the odd byte is one replacement
        // character (Qt's decoder drops it when it stands alone).
        const qsizetype whole = bytes.size() & ~qsizetype(1);
        QString text = UnicodeText(m_encoding == CsvEncoding::Utf16Le ? QStringDecoder::Utf16LE
                                                                       : QStringDecoder::Utf16BE,
                                   QByteArrayView(bytes).first(whole));
        if (whole < bytes.size())
            text += QChar(0xFFFD);
        return text;
    }
    case CsvEncoding::CodePage936:
        break;
    }
    return WellFormed(cp936::Decode(bytes));
}

bool CsvFile::Open(const QString &path, qint64 maxLines)
{
    m_marks.clear();
    m_stride = m_size.window;
    m_lines = 0;
    m_window.first = -1;
    m_used = 0;
    m_lastOpen = false;
    m_path = path;
    m_refused = Refused::No;
    m_refusedLine = 0;
    if (!path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return false;
    // Only an ordinary file: opening a named pipe would wait for a writer
    // for ever, and a device or a folder has no text to read. The file is
    // opened without waiting and looked at before it is read.
    m_file.close();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || !m_file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    const std::optional<std::pair<CsvEncoding, int>> mark = ByteOrderMark(m_file.peek(3));
    m_start = mark ? mark->second : 0;
    m_encoding = mark ? mark->first : CsvEncoding::CodePage936;
    if (!m_file.seek(m_start))
        return false;
    EncodingVote vote;
    bool voting = !mark;
    // Every line is counted; the start of every m_stride-th one is kept.
    const auto index = [this](qint64 begin, qint64 end) {
        if (m_lines % m_stride == 0) {
            if (qint64(m_marks.size()) >= m_size.marks) {
                // Full: every other start goes, the stride doubles.
                const size_t kept = (m_marks.size() + 1) / 2;
                for (size_t j = 1; j < kept; ++j)
                    m_marks[j] = m_marks[2 * j];
                m_marks.resize(kept);
                m_stride *= 2;
            }
            if (m_lines % m_stride == 0)
                m_marks.push_back(begin);
        }
        if (begin != end)
            m_used = m_lines + 1;
        ++m_lines;
    };
    LineFinder lines(index, m_start, maxLines);
    UnitFeed feed(m_encoding, m_start);
    bool text = false; // a byte other than NUL seen
    // Pieces of at most 1 MiB, in one buffer no bigger than the file.
    QByteArray buffer(qsizetype(std::clamp<qint64>(m_file.size() - m_start, 1, 1 << 20)),
                      Qt::Uninitialized);
    // A file of more than one piece takes more than a moment: it is read
    // under the progress window, and can be stopped (nothing has changed yet).
    std::optional<LongWork> work;
    if (m_file.size() - m_start > buffer.size())
        work.emplace(QStringLiteral("正在读取CSV文件……"),
                     qint32(std::min<qint64>((m_file.size() - m_start) / buffer.size() + 1,
                                             std::numeric_limits<qint32>::max())),
                     WorkStop::Can);
    // A line past the limit ends the reading at once: the rest of the file
    // is never looked at.
    while ((voting || !lines.Full()) && lines.TooLong() == 0) {
        if (work) {
            StepIndicator(1, QStringLiteral("pages"));
            if (work->Stopped()) {
                m_refused = Refused::Stopped;
                return false;
            }
        }
        const qint64 n = m_file.read(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        const QByteArrayView chunk(buffer.constData(), n);
        if (!text)
            text = std::any_of(chunk.begin(), chunk.end(), [](char c) { return c != 0; });
        if (voting) {
            vote.Add(chunk);
            voting = !vote.Settled();
        }
        if (!lines.Full())
            feed.Feed(lines, chunk);
    }
    if (m_file.error() != QFileDevice::NoError)
        return false;
    // Bytes, and not one of them anything but NUL: no text at all (a file
    // the disk filled with zeros, not a table). A big one is a line past the
    // limit too, but it is said as what it is.
    if (feed.Pos() > m_start && !text) {
        m_refused = Refused::OnlyNulBytes;
        return false;
    }
    if (lines.TooLong() != 0) {
        m_refused = Refused::LineTooLong;
        m_refusedLine = lines.TooLong();
        return false;
    }
    if (!mark)
        m_encoding = vote.Result();
    m_lastOpen = feed.Finish(lines, m_start);
    return true;
}

QString CsvFile::Refusal() const
{
    switch (m_refused) {
    case Refused::OnlyNulBytes:
        return QStringLiteral("CSV文件“%1”中只有空字节，没有可导入的文字（文件可能已损坏）！")
            .arg(m_path);
    case Refused::LineTooLong:
        return QStringLiteral("CSV文件“%1”第%2行超过%3MB（可能缺少配对的引号），无法导入！")
            .arg(m_path)
            .arg(m_refusedLine)
            .arg(kMaxCsvLineBytes >> 20);
    case Refused::Stopped:
        return QStringLiteral("CSV文件“%1”的读取已停止，没有导入任何记录。").arg(m_path);
    case Refused::No:
        break;
    }
    return {};
}

bool CsvFile::findWindow(qint64 i)
{
    const qint64 first = i - i % m_size.window;
    // Found from the nearest line start known at or before the window's
    // first line: a kept start, or a line of the window in hand (its last
    // one when the reading goes on to the next window).
    qint64 from = first / m_stride * m_stride;
    qint64 at = m_marks[size_t(first / m_stride)];
    if (m_window.first >= 0 && m_window.first <= first) {
        const qint64 k = std::min<qint64>(first, m_window.first + qint64(m_window.begin.size()) - 1);
        if (k > from) {
            from = k;
            at = m_window.begin[size_t(k - m_window.first)];
        }
    }
    m_window.first = -1;
    m_window.begin.clear();
    m_window.end.clear();
    const qint64 skip = first - from;
    qint64 seen = 0;
    // The window's lines and the one after it, whose start is where the
    // next window is found from; none past the lines Open found (a preview
    // finds no more than it shows).
    const auto keep = [&](qint64 begin, qint64 end) {
        if (seen++ >= skip) {
            m_window.begin.push_back(begin);
            m_window.end.push_back(end);
        }
    };
    LineFinder lines(keep, at, std::min(skip + m_size.window + 1, m_lines - from));
    UnitFeed feed(m_encoding, at);
    if (!m_file.seek(at))
        return false;
    QByteArray buffer(64 << 10, Qt::Uninitialized);
    while (!lines.Full()) {
        const qint64 n = m_file.read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0) {
            feed.Finish(lines, m_start);
            break;
        }
        feed.Feed(lines, QByteArrayView(buffer.constData(), n));
    }
    if (qint64(m_window.begin.size()) <= i - first)
        return false; // the file changed since it was opened
    m_window.first = first;
    return true;
}

QString CsvFile::Line(qint64 i)
{
    if (i < 0 || i >= m_lines)
        return {};
    if ((m_window.first < 0 || i < m_window.first
         || i >= m_window.first + qint64(m_window.begin.size()))
        && !findWindow(i))
        return {};
    const size_t k = size_t(i - m_window.first);
    if (!m_file.seek(m_window.begin[k]))
        return {};
    QString line = decode(m_file.read(m_window.end[k] - m_window.begin[k]));
    // Lines joined inside a quoted cell: every line end becomes CR LF.
    if (line.contains(u'\r') || line.contains(u'\n')) {
        line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        line.replace(u'\r', u'\n');
        line.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    }
    if (m_lastOpen && i + 1 == m_lines)
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

CsvReadResult ReadCsvData(GridModel &grid, const QString &path, qint64 first, qint64 last,
                          const ColumnMaps &maps, qint64 interval, PageControls &page,
                          const QString &lineBreakMarker)
{
    const std::optional<qint64> records = RecordCount(first, last, interval);
    if (!records || *records < 0 || *records > std::numeric_limits<qint32>::max() - 2)
        return {};
    CsvFile file;
    const bool readable = file.Open(path);
    if (QString refusal = file.Refusal(); !refusal.isEmpty())
        return {false, std::move(refusal)};
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
    return {true, {}};
}

QString PreviewCsv(GridModel &grid, const QString &path)
{
    CsvFile file;
    if (!file.Open(path, qMax(grid.rows() - 1, 0)))
        return file.Refusal();
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
    return {};
}

} // namespace imp
