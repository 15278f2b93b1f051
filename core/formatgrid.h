#pragma once
// The format grid: the working model of the open format, one row per design
// control, laid out as 22 columns in the order of the Fmt fields below two
// fixed rows (field names, headers) and two fixed columns (ID, 序号).
//
// Control IDs. A stored control row carries the AutoNumber ID of its record
// in table Fmt; stored IDs stay below 2^30. A row made while the format is
// open carries a temporary ID of -(2^30 + k), k >= 1, unique in the grid.
// References (RCtl, SumID, SumID1) hold a target's ID; SumID and SumID1 hold
// it in adding form (the ID itself) or multiplying form (the negated ID). So
// a reference whose absolute value exceeds 2^30 always names a temporary
// target, and storing the rows rewrites exactly the references to each
// stored row (see SaveGridToFmt).

#include "core/gridhelpers.h"
#include "platform/gridmodel.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace sql {
class Connection;
class Statement;
} // namespace sql

namespace fmtgrid {

enum Column : qint32 {
    ColID = 0,
    ColSerial = 1,
    ColLBL = 2,
    ColDir = 3,
    ColX = 4,
    ColY = 5,
    ColW = 6,
    ColH = 7,
    ColS = 8,
    ColL = 9,
    ColColor = 10,
    ColFName = 11,
    ColFSize = 12,
    ColBold = 13,
    ColItalic = 14,
    ColUnderline = 15,
    ColStrikethru = 16,
    ColClas = 17,
    ColCash = 18,
    ColRCtl = 19,
    ColSumID = 20,
    ColSumID1 = 21,
};

inline constexpr qint32 kColumnCount = 22;
inline constexpr qint32 kFixedRows = 2;
inline constexpr qint32 kFixedCols = 2;
inline constexpr qint32 kBlackCellColor = kGridBlack;

// Temporary IDs lie below -kTempIdBase; stored IDs below kTempIdBase.
inline constexpr qint64 kTempIdBase = qint64(1) << 30;

// The marker in LBL of a format's header row.
QString HeaderMarker();
// Field names (row 0; column 1 has none) and headers (row 1) of the columns.
const QStringList &FieldNames();
const QStringList &Headers();

// Lays the grid out empty: 22 columns, field names and headers, 2 fixed rows
// and columns, row 0 of height 0, Tag "Fmt".
void LayoutFormatGrid(GridModel &grid);

inline bool IsTempId(qint64 id)
{
    return id < -kTempIdBase;
}

// Where a SumID/SumID1 reference points: the target's ID and whether the
// value is multiplied into the target (instead of added).
struct SumTarget
{
    qint64 id = 0; // 0: none
    bool multiply = false;
};
SumTarget DecodeSumRef(qint64 ref);
qint64 EncodeSumRef(qint64 targetId, bool multiply);

// Colour of column 10: black is kept in the cell as 0x010101.
qint32 CellColor(const GridModel &grid, qint32 row);
void SetCellColor(GridModel &grid, qint32 row, qint32 color);

// The class code (0 to 4) of a data row; -1 for a fixed row, a row past the
// end or a class of 5 or more or below 0, which have no control.
qint32 RowClass(const GridModel &grid, qint32 row);
// The first data row whose column 0 holds the ID; -1 when none does.
qint32 RowOfID(const GridModel &grid, qint64 id);

// Prompt-label side names, as shown in column 3.
qint32 DirNameToCode(const QString &name);
QString DirCodeToName(qint64 code);

} // namespace fmtgrid

// A fresh temporary ID that no row of the grid holds.
qint64 NewTempCtlID(const GridModel &grid);

// Text of a fixed-text input box (class 0 without a prompt), for the Mem
// field; nullopt when the row's control is not such a box. The designer
// supplies it through the format host.
using FixedTextLookup = std::function<std::optional<QString>(qint32 row)>;

// Prepared statements kept for the rows of one save, so that each row only
// binds and steps.
class RowStatements
{
public:
    explicit RowStatements(sql::Connection &conn);
    ~RowStatements();
    // Runs the statement with the parameters; false when it failed.
    bool Exec(const QString &sql, const QVariantList &params);
    sql::Connection &connection() const { return m_conn; }

private:
    sql::Connection &m_conn;
    QHash<QString, std::shared_ptr<sql::Statement>> m_cache;
};

// Writes one data row into table Fmt under the format name: updates the
// record with the row's ID when recordId > 0, else inserts a record.
// Columns 19 to 21 are written as they stand. Returns the record's ID, or
// nullopt when the statement failed. Runs inside the caller's transaction.
std::optional<qint64> WriteGridRow(sql::Connection &conn, const GridModel &grid, qint32 row,
                                   const QString &formatName, qint64 recordId,
                                   const FixedTextLookup &fixedText,
                                   RowStatements *statements = nullptr);

// Rewrites the references of every data row after rows were stored: map
// holds old ID -> new ID. RCtl equal to an old ID becomes the new ID; SumID
// and SumID1 in adding form (old) become new, in multiplying form (-old)
// become -new. Every reference is looked up once, by its value before the
// call, so a new ID that equals some other old ID is never rewritten again.
// Column 0 of no row is touched. Returns the rows whose references changed.
QList<qint32> RemapGridReferences(GridModel &grid, const QHash<qint64, qint64> &map);

// The IDs and references (columns ID, RCtl, SumID, SumID1) of every row as
// they stand, to be put back when a store that gave the rows new IDs was
// taken back.
class ControlIdColumns
{
public:
    explicit ControlIdColumns(const GridModel &grid);
    void Restore(GridModel &grid) const;

private:
    QList<QStringList> m_rows;
};

// Stores one row into its record (recordId > 0: update that record; else
// insert one), then makes the grid use the record's ID in place of the row's
// old ID: in column 0 and in every reference to it. Returns the record's ID
// or nullopt when the write failed (the grid is unchanged then). The record
// keeps the references as they stood when written; SaveFormatGrid corrects
// them once every row has its ID.
std::optional<qint64> SaveGridToFmt(sql::Connection &conn, GridModel &grid, qint32 row,
                                    const QString &formatName, qint64 recordId,
                                    const FixedTextLookup &fixedText = {});
