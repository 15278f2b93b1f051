#pragma once
// Reading CSV files into DataGrid. A file is read in the encoding its
// byte-order mark names, else as UTF-8 or code page 936 by the rule of
// records/csvencoding.h. It becomes logical lines: one per spreadsheet row, a
// quoted cell that runs over several physical lines joined with CR LF, the
// cells of a line separated by kCellSeparator. The separator is two lone
// high surrogates, which well-formed text never holds (a high surrogate is
// always followed by a low one); lines read from a file are made well-formed
// (a lone surrogate reads as U+FFFD), so files that contain any character
// at all, "ζ" and "ξ" included, come through unchanged.

#include "records/columnmap.h"
#include "records/csvencoding.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class GridModel;
class PageControls;

namespace imp {

// The longest logical line a CSV file may hold, in the file's bytes: far
// above any waybill record, low enough that reading one line stays cheap.
inline constexpr qint64 kMaxCsvLineBytes = 4 << 20;

// Separates the cells of a logical line.
inline const QString kCellSeparator = QString(2, QChar(0xDBFF));

// The text with every surrogate that has no partner replaced by U+FFFD.
QString WellFormed(QString text);
// How many characters equal to ch follow one another in s from position
// start (0-based); 0 when the character at start differs or start is out.
qsizetype CountRun(const QString &s, QChar ch, qsizetype start);
// Non-overlapping occurrences of sub in s, searched from the left.
qsizetype CountOccurrences(const QString &s, const QString &sub);

// One physical or joined line (well-formed text) in the separated form;
// nullopt while a quoted cell is still open at the end. A doubled quote inside a cell is one quote;
// a cell written as just two quotes is empty; a cell of only doubled quotes
// holds half as many.
std::optional<QString> SplitCsvLineChecked(const QString &line);
// The same with "" for an open cell (and for an empty line).
QString SplitCsvLine(const QString &line);

// How much of a file's line positions a CsvFile keeps, so its memory is
// bounded whatever the file (millions of short or empty lines included):
// the start of every stride-th line, at most `marks` of them (when one more
// is due, every other one goes and the stride doubles; it begins at
// `window`), and the starts and ends of the `window` lines around the line
// last asked for (and of the line after them). At most marks × 8 +
// (window + 1) × 16 bytes: 512 KiB and 4 KiB as usual.
struct CsvIndexSize
{
    qint64 window = 256; // at least 1
    qint64 marks = 1 << 16; // at least 1
};

// A CSV file read line by line as records ask for its lines, so a big file
// is never held whole, decoded whole or split whole. Opening it reads the
// file once: it settles the encoding (records/csvencoding.h), counts the
// logical lines and keeps where some of them begin (CsvIndexSize); the
// lines asked for are found again from the nearest kept start before them,
// a window of lines at a time, so lines asked for in order are each found
// once more, and a line before the window costs at most a stride of lines.
// Physical lines end at CR, LF or CR LF (an end at the very end of the file
// opens no further line; an empty file is one empty line); a line whose
// quoted cell stays open takes the next lines, joined by CR LF. Quotes,
// commas, CR and LF are single bytes that no multi-byte character of UTF-8
// or GB18030 contains, and single units in UTF-16, so a line is open
// exactly when it has an odd number of odd-length quote runs, as the
// splitter counts them.
class CsvFile
{
public:
    explicit CsvFile(CsvIndexSize size = {})
        : m_size(size)
    { }
    // False for a path that does not end in ".csv" (any case), for
    // anything but an ordinary file (a named pipe, a device, a folder: at
    // once, without waiting), for a file that cannot be read, and for a
    // file refused (Refusal() says why): one of nothing but NUL bytes, or
    // one with a logical line longer than kMaxCsvLineBytes (found as soon
    // as the line passes the limit, so the rest is never read). With
    // maxLines >= 0 only the first maxLines lines are found and measured
    // (the encoding still takes the whole file).
    bool Open(const QString &path, qint64 maxLines = -1);
    // Why the last Open refused the file, for the user; "" when it did not
    // (also when the file merely could not be read).
    QString Refusal() const;
    CsvEncoding encoding() const { return m_encoding; }
    qint64 Lines() const { return m_lines; }
    // Lines up to the last one that is not empty.
    qint64 UsedLines() const { return m_used; }
    // Logical line i (0-based) as text, its inner line ends as CR LF; a
    // last line still open at the end of the file is closed with a quote.
    // "" for a line that is no longer there (the file shrank since Open).
    QString Line(qint64 i);
    // Whether the file ends inside a quoted cell.
    bool LastLineOpen() const { return m_lastOpen; }

private:
    QString decode(const QByteArray &bytes) const;
    // Finds the window of lines that holds line i; false when the file no
    // longer holds it.
    bool findWindow(qint64 i);
    enum class Refused { No, OnlyNulBytes, LineTooLong, Stopped };
    CsvIndexSize m_size;
    QFile m_file;
    QString m_path;
    Refused m_refused = Refused::No;
    qint64 m_refusedLine = 0; // 1-based
    CsvEncoding m_encoding = CsvEncoding::CodePage936;
    bool m_lastOpen = false;
    qint64 m_start = 0; // the first byte after the byte-order mark
    qint64 m_lines = 0, m_used = 0;
    qint64 m_stride = 1;
    std::vector<qint64> m_marks; // the start of line j × m_stride at j
    struct
    {
        qint64 first = -1; // -1: none found
        std::vector<qint64> begin, end;
    } m_window;
};

// What ReadCsvData did: true when it read; otherwise the grid is as it
// was, and `refusal` says why the file was refused ("" for an interval
// that gives no record count, which the caller says in its own words).
struct CsvReadResult
{
    bool read = false;
    QString refusal;
    explicit operator bool() const { return read; }
};

// ReadCsvData: shapes DataGrid for records of rows first..last, `interval`
// rows each, and fills it through the maps. Records that begin past the
// file's last non-empty line are dropped (an empty or unreadable file
// keeps the count, its records holding only the quoted texts). Nothing is
// read, and the grid is left, for an interval that gives no record count
// and for a file Open refuses.
CsvReadResult ReadCsvData(GridModel &grid, const QString &path, qint64 first, qint64 last,
                          const ColumnMaps &maps, qint64 interval, PageControls &page,
                          const QString &lineBreakMarker);

// PreviewCsv: the first rows of a CSV file into a preview grid, line r in
// row r, cell c - 1 in column c. A file that cannot be read leaves it. The
// whole file is read once for its encoding (so the preview shows what the
// import reads), but only the lines shown are found and decoded. Returns
// why the file was refused (CsvFile::Refusal), "" when it was not.
QString PreviewCsv(GridModel &grid, const QString &path);

} // namespace imp
