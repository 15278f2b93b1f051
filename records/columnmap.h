#pragma once
// The column-map language: for every input, check and picture box of the
// open format, a text that says where the box's imported content comes
// from. An entry is parts joined by commas: a quoted literal ("地址："),
// column letters (A, AA) for the cell of the record's first row, or letters,
// "+" and a number (C+1) for a cell that many rows further down. The parts'
// results are joined without separator; an empty entry imports nothing.
// Also the column letters <-> numbers conversion and the record count of an
// import. Parsing is done once per import (CompileMapEntry); evaluation then
// runs per record against any cell reader (workbook, CSV, tests, fuzzer).

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace imp {

// The three maps of an import, one entry per box of its class in index
// order: text[i - 1] is input box i, check[i - 1] check box 1000 + i,
// picture[i - 1] picture box 2000 + i. Their sizes are the class counts.
struct ColumnMaps
{
    QStringList text, check, picture;
    qint32 Count() const { return qint32(text.size() + check.size() + picture.size()); }
};

// The three maps in data-column order: element i - 1 belongs to data column
// FixedCols + i - 1 of DataGrid.
QStringList MergeFieldArrays(const ColumnMaps &maps);

// Normalises one entry: curly quotes become plain ones, the full-width
// comma a comma, outer blanks go, then one leading and one trailing comma.
QString CleanColumnMap(const QString &entry);
void CleanColumnMaps(QStringList &merged);

// Column letters to a number: "A" 1 .. "Z" 26, "AA" 27 .. "ZZ" 702, taken
// blank-trimmed and upper-cased with each character's code in code page
// 936. A result below 1 reads column 1 (a digit or sign reads column A);
// three or more characters give 0 (no column). nullopt (the part fails) for
// an empty text, or when the code arithmetic leaves the 16-bit range.
std::optional<qint16> ColumnNumber(const QString &letters);
// 1 "A", 26 "Z", 27 "AA", 702 "ZZ"; serves columns 1 to 702.
QString ColumnLetters(qint32 n);

// One parsed part of an entry.
struct MapPart
{
    bool literal = false;
    QString text; // the literal's text
    qint32 column = 0; // the column number; 0 = no column (reads nothing)
    bool failed = false; // the part contributes nothing
    double rowOffset = 0; // rows below the record's first row
};
using CompiledMap = std::vector<MapPart>;

// Parses an entry already cleaned. Commas split it before any quote is
// looked at, so a literal cannot hold a comma.
CompiledMap CompileMapEntry(const QString &entry);

// The text of a cell; "" for a cell that cannot be read (outside the
// sheet, a missing cell, row below 1).
using CellReader = std::function<QString(qint64 row, qint32 column)>;

// The value of an entry for a record whose first row is firstRow. Line
// breaks in the result (CR LF, lone LF, lone CR) become the marker.
QString EvaluateMapEntry(const CompiledMap &map, qint64 firstRow, const CellReader &cell,
                         const QString &lineBreakMarker);

// A value that ends with a tab loses that one tab (exported cells end with
// one).
void DropTrailingTab(QString &value);

// The number of records of rows first..last at `interval` rows per record:
// (last - first + 1) / interval, plus one for a positive remainder. nullopt
// for an interval of 0; negative for a reversed or negative range.
std::optional<qint64> RecordCount(qint64 first, qint64 last, qint64 interval);

// The records of an import that begin within the data: a record whose first
// row lies past usedRows (the file's last line, the sheet's last used row)
// is none. usedRows 0 (an empty or missing sheet or file) keeps the count,
// so the map's quoted texts still fill every record; so does a count that
// is not positive or an interval below 1.
qint64 RecordsWithinData(qint64 records, qint64 first, qint64 interval, qint64 usedRows);

} // namespace imp
