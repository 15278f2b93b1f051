#pragma once
// Reading CSV files into DataGrid. A file is read as UTF-8 when it begins
// with a UTF-8 byte-order mark or when ICU's charset detector is sure it is
// UTF-8; otherwise as code page 936 (GB18030). It becomes logical lines: one per spreadsheet row, a
// quoted cell that runs over several physical lines joined with CR LF, the
// cells of a line separated by kCellSeparator. The splitter marks quotes and
// quoted commas with characters that text decoded from a file can never
// hold (lone UTF-16 surrogates), so files that contain any character at
// all, "ζ" and "ξ" included, come through unchanged.

#include "records/columnmap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class GridModel;
class PageControls;

namespace imp {

// Marks an opening or closing quote while a line is split.
inline constexpr QChar kQuoteMark = QChar(0xDFFE);
// Stands for a comma inside a quoted cell while a line is split.
inline constexpr QChar kCommaMark = QChar(0xDFFD);
// Separates the cells of a logical line: the quote mark twice.
inline const QString kCellSeparator = QString(2, kQuoteMark);

// How many characters equal to ch follow one another in s from position
// start (0-based); 0 when the character at start differs or start is out.
qsizetype CountRun(const QString &s, QChar ch, qsizetype start);
// Non-overlapping occurrences of sub in s, searched from the left.
qsizetype CountOccurrences(const QString &s, const QString &sub);

// One physical or joined line in the separated form; nullopt while a quoted
// cell is still open at the end. A doubled quote inside a cell is one quote;
// a cell written as just two quotes is empty; a cell of only doubled quotes
// holds half as many.
std::optional<QString> SplitCsvLineChecked(const QString &line);
// The same with "" for an open cell (and for an empty line).
QString SplitCsvLine(const QString &line);

// The text of a CSV file's bytes by the encoding rule above. Plain ASCII
// and texts whose only non-ASCII bytes are two-byte UTF-8 sequences (which
// are code page 936 pairs as well) read as code page 936.
QString DecodeCsvBytes(const QByteArray &bytes);

// Logical lines of a file's text: physical lines end at CR, LF or CR LF
// (an end at the very end of the text opens no further line; an empty text
// is one empty line); a line whose quoted cell stays open takes the next
// lines after CR LF. A last record still open at the end of the text is
// closed there and kept. Empty lines stay empty. At most maxLines lines
// are made (-1: all).
QStringList CsvLogicalLines(const QString &text, qsizetype maxLines = -1);

// ReadCsvLines: the logical lines of a .csv file (any case of the ending);
// a file that cannot be read gives no lines.
QStringList ReadCsvLines(const QString &path);

// ReadCsvData: shapes DataGrid for records of rows first..last, `interval`
// rows each, and fills it through the maps. Records that begin past the
// file's last non-empty line are dropped (an empty or unreadable file
// keeps the count, its records holding only the quoted texts). False (nothing read, the grid
// as far as it came) for an interval that gives no record count; the
// caller shows "CSV文件导入错误！".
bool ReadCsvData(GridModel &grid, const QString &path, qint64 first, qint64 last,
                 const ColumnMaps &maps, qint64 interval, PageControls &page,
                 const QString &lineBreakMarker);

// PreviewCsv: the first rows of a CSV file into a preview grid, line r in
// row r, cell c - 1 in column c. A file that cannot be read leaves it.
void PreviewCsv(GridModel &grid, const QString &path);

} // namespace imp
