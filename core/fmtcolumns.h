#pragma once
// The columns of table Fmt, in one list: each column's name, its SQL
// declaration, its column in the format grid and its field in a row line of
// the exchange file. The database schema, the grid's layout, the store's
// writing of a grid row and the exchange file all take their columns from
// here, so a column is added or renamed in one place.

#include "core/controlrow.h"

#include <QString>
#include <QVariant>
#include <span>

namespace fmtgrid {

// How a column's value is held (its declared type).
enum class FmtType { Text, Whole, Real, Flag };

struct FmtColumn
{
    const char *name;
    const char *declaration; // SQL type, constraints and default
    FmtType type;
    qint32 gridColumn; // column of the format grid; -1 when the grid has none
    qint32 fileField; // field of an exchange-file row line; -1 when none
};

// Every column of table Fmt in the order of the table.
std::span<const FmtColumn> FmtColumns();
// The column of that name (case-sensitive); nullptr when there is none.
const FmtColumn *FmtColumnNamed(const QString &name);
// The name of the Fmt field shown in a grid column ("" for the serial
// number, which is no field).
QString FmtFieldOfGridColumn(qint32 gridColumn);

// CREATE TABLE Fmt with every column.
QString FmtCreateStatement();

// The value a control row gives the Fmt column shown in that grid column
// (not the ID and the serial number): the side as its code, the colour with
// 0 for black, flags as Booleans.
QVariant FmtValue(const ControlRow &row, qint32 gridColumn);

} // namespace fmtgrid
