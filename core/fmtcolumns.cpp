#include "core/fmtcolumns.h"

#include <QStringList>

namespace fmtgrid {

namespace {

constexpr FmtColumn kColumns[] = {
    {"ID", "INTEGER PRIMARY KEY AUTOINCREMENT", FmtType::Whole, ColID, 0},
    {"Fmt", "TEXT COLLATE NOCASE NOT NULL DEFAULT ''", FmtType::Text, -1, -1},
    {"LBL", "TEXT NOT NULL DEFAULT ''", FmtType::Text, ColLBL, 2},
    {"Dir", "INTEGER DEFAULT 0", FmtType::Whole, ColDir, 3},
    {"X", "DOUBLE DEFAULT 0", FmtType::Real, ColX, 4},
    {"Y", "DOUBLE DEFAULT 0", FmtType::Real, ColY, 5},
    {"W", "DOUBLE DEFAULT 0", FmtType::Real, ColW, 6},
    {"H", "DOUBLE DEFAULT 0", FmtType::Real, ColH, 7},
    {"S", "DOUBLE DEFAULT 0", FmtType::Real, ColS, 8},
    {"L", "DOUBLE DEFAULT 0", FmtType::Real, ColL, 9},
    {"Color", "LONG DEFAULT 0", FmtType::Whole, ColColor, 10},
    {"fName", "TEXT", FmtType::Text, ColFName, 11},
    {"fSize", "DOUBLE DEFAULT 0", FmtType::Real, ColFSize, 12},
    {"fBold", "BOOLEAN DEFAULT 0", FmtType::Flag, ColBold, 13},
    {"fItalic", "BOOLEAN DEFAULT 0", FmtType::Flag, ColItalic, 14},
    {"fUnderline", "BOOLEAN DEFAULT 0", FmtType::Flag, ColUnderline, 15},
    {"fStrikethru", "BOOLEAN DEFAULT 0", FmtType::Flag, ColStrikethru, 16},
    {"Clas", "INTEGER DEFAULT 0", FmtType::Whole, ColClas, 1},
    {"Cash", "INTEGER DEFAULT 0", FmtType::Whole, ColCash, 17},
    {"RCtl", "LONG DEFAULT 0", FmtType::Whole, ColRCtl, 18},
    {"SumID", "LONG DEFAULT 0", FmtType::Whole, ColSumID, 20},
    {"SumID1", "LONG DEFAULT 0", FmtType::Whole, ColSumID1, 21},
    {"Mem", "TEXT", FmtType::Text, -1, 19},
    {"RCtl1", "LONG DEFAULT 0", FmtType::Whole, -1, 22},
};

} // namespace

std::span<const FmtColumn> FmtColumns()
{
    return kColumns;
}

const FmtColumn *FmtColumnNamed(const QString &name)
{
    for (const FmtColumn &c : kColumns)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString FmtFieldOfGridColumn(qint32 gridColumn)
{
    for (const FmtColumn &c : kColumns)
        if (c.gridColumn == gridColumn)
            return QString::fromLatin1(c.name);
    return QString();
}

QString FmtCreateStatement()
{
    QStringList parts;
    for (const FmtColumn &c : kColumns)
        parts << QString::fromLatin1(c.name) + u' ' + QString::fromLatin1(c.declaration);
    return QStringLiteral("CREATE TABLE Fmt (") + parts.join(QStringLiteral(", ")) + u')';
}

QVariant FmtValue(const ControlRow &r, qint32 gridColumn)
{
    switch (gridColumn) {
    case ColID:
        return r.id;
    case ColLBL:
        return r.prompt;
    case ColDir:
        return qint64(r.side);
    case ColX:
        return r.x;
    case ColY:
        return r.y;
    case ColW:
        return r.w;
    case ColH:
        return r.h;
    case ColS:
        return r.spacing;
    case ColL:
        return r.packedL;
    case ColColor:
        return qint64(r.color);
    case ColFName:
        return r.font.name;
    case ColFSize:
        return r.font.size;
    case ColBold:
        return r.font.bold;
    case ColItalic:
        return r.font.italic;
    case ColUnderline:
        return r.font.underline;
    case ColStrikethru:
        return r.font.strikeOut;
    case ColClas:
        return qint64(r.cls);
    case ColCash:
        return qint64(r.cash);
    case ColRCtl:
        return r.rctl;
    case ColSumID:
        return r.sumId;
    case ColSumID1:
        return r.sumId1;
    default:
        return QVariant();
    }
}

} // namespace fmtgrid
