#include "core/formatgrid.h"

#include "core/fmtcolumns.h"
#include "core/gridhelpers.h"
#include "platform/numtext.h"
#include "platform/sqlitedb.h"

#include <QSet>
#include <cmath>
#include <limits>

namespace fmtgrid {

QString HeaderMarker()
{
    return QStringLiteral("【§单据整体格式参数§】");
}

const QStringList &FieldNames()
{
    static const QStringList names = [] {
        QStringList out;
        for (qint32 c = 0; c < kColumnCount; ++c)
            out << FmtFieldOfGridColumn(c);
        return out;
    }();
    return names;
}

const QStringList &Headers()
{
    static const QStringList headers = {
        QStringLiteral("ID"),
        QStringLiteral("序号"),
        QStringLiteral("标签内容"),
        QStringLiteral("标签位置"),
        QStringLiteral("横向位置(毫米)"),
        QStringLiteral("纵向位置(毫米)"),
        QStringLiteral("宽度(毫米)"),
        QStringLiteral("高度(毫米)"),
        QStringLiteral("字间距(毫米)"),
        QStringLiteral("行距(毫米)"),
        QStringLiteral("字体颜色"),
        QStringLiteral("字体"),
        QStringLiteral("字号"),
        QStringLiteral("黑体"),
        QStringLiteral("斜体"),
        QStringLiteral("下划线"),
        QStringLiteral("删除线"),
        QStringLiteral("类别"),
        QStringLiteral("数据类别"),
        QStringLiteral("关联项"),
        QStringLiteral("累加框"),
        QStringLiteral("累加框1"),
    };
    return headers;
}

void LayoutFormatGrid(GridModel &grid)
{
    SetGridColumns(grid, FieldNames(), Headers());
    grid.setTag(QStringLiteral("Fmt"));
}

SumTarget DecodeSumRef(qint64 ref)
{
    if (ref == 0)
        return {};
    const qint64 a = ref < 0 ? -ref : ref;
    if (a > kTempIdBase) // a temporary target: adding form is the (negative) ID itself
        return {-a, ref > 0};
    return {a, ref < 0};
}

qint64 EncodeSumRef(qint64 targetId, bool multiply)
{
    return multiply ? -targetId : targetId;
}

qint32 CellColor(const GridModel &grid, qint32 row)
{
    return GetCellProperty(grid, row, ColColor, false);
}

void SetCellColor(GridModel &grid, qint32 row, qint32 color)
{
    ::SetCellColor(grid, row, ColColor, color, false);
}

qint32 RowClass(const GridModel &grid, qint32 row)
{
    if (row < grid.fixedRows() || row >= grid.rows())
        return -1;
    const qint32 cls = num::ToLong(grid.text(row, ColClas));
    return cls >= 0 && cls <= 4 ? cls : -1;
}

qint32 RowOfID(const GridModel &grid, qint64 id)
{
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r)
        if (num::Val(grid.text(r, ColID)) == double(id))
            return r;
    return -1;
}

qint32 DirNameToCode(const QString &name)
{
    if (name == QStringLiteral("左边"))
        return 1;
    if (name == QStringLiteral("右边"))
        return 2;
    if (name == QStringLiteral("下方"))
        return 3;
    return 0; // "上方" and any other text
}

QString DirCodeToName(qint64 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("上方");
    case 1:
        return QStringLiteral("左边");
    case 2:
        return QStringLiteral("右边");
    case 3:
        return QStringLiteral("下方");
    default:
        return QString();
    }
}

} // namespace fmtgrid

using namespace fmtgrid;

namespace {

qint64 cellId(const GridModel &grid, qint32 row, qint32 col)
{
    return num::RoundToInt64(num::Val(grid.text(row, col)));
}

} // namespace

qint64 NewTempCtlID(const GridModel &grid)
{
    qint64 candidate = -(kTempIdBase + 1);
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r) {
        const qint64 id = cellId(grid, r, ColID);
        if (id <= candidate)
            candidate = id - 1;
    }
    return candidate;
}

RowStatements::RowStatements(sql::Connection &conn)
    : m_conn(conn)
{ }

RowStatements::~RowStatements() = default;

bool RowStatements::Exec(const QString &sql, const QVariantList &params)
{
    auto &st = m_cache[sql];
    if (!st)
        st = std::make_shared<sql::Statement>(m_conn, sql);
    else
        st->Reset();
    if (!st->ok() || !st->Bind(params))
        return false;
    while (st->Step()) { }
    return !st->failed();
}

std::optional<qint64> WriteGridRow(sql::Connection &conn, const GridModel &grid, qint32 row,
                                   const QString &formatName, qint64 recordId,
                                   const FixedTextLookup &fixedText, RowStatements *statements)
{
    auto exec = [&](const QString &sql, const QVariantList &params) {
        return statements ? statements->Exec(sql, params) : conn.Exec(sql, params);
    };
    const auto value = ReadControlRow(grid, row);
    if (!value)
        return std::nullopt;
    QStringList names = {QStringLiteral("Fmt")};
    QVariantList values = {formatName};
    for (const FmtColumn &c : FmtColumns()) {
        if (c.gridColumn > ColSerial) {
            names << QString::fromLatin1(c.name);
            values << FmtValue(*value, c.gridColumn);
        }
    }
    // A fixed-text input box keeps its text in Mem.
    if (fixedText && value->cls == 0) {
        if (const auto text = fixedText(row)) {
            names << QStringLiteral("Mem");
            values << *text;
        }
    }

    if (recordId > 0) {
        QStringList sets;
        for (const QString &n : names)
            sets << n + QStringLiteral("=?");
        values << recordId;
        if (!exec(QStringLiteral("UPDATE Fmt SET ") + sets.join(u',')
                      + QStringLiteral(" WHERE ID=?"),
                  values)
            || conn.changes() != 1)
            return std::nullopt;
        return recordId;
    }
    QStringList marks;
    for (qsizetype i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    if (!exec(QStringLiteral("INSERT INTO Fmt (") + names.join(u',') + QStringLiteral(") VALUES (")
                  + marks.join(u',') + u')',
              values))
        return std::nullopt;
    return conn.lastInsertId();
}

namespace {
constexpr qint32 kIdColumns[] = {ColID, ColRCtl, ColSumID, ColSumID1};
}

ControlIdColumns::ControlIdColumns(const GridModel &grid)
{
    for (qint32 r = 0; r < grid.rows(); ++r) {
        QStringList row;
        for (const qint32 c : kIdColumns)
            row << grid.text(r, c);
        m_rows << row;
    }
}

void ControlIdColumns::Restore(GridModel &grid) const
{
    for (qint32 r = 0; r < grid.rows() && r < m_rows.size(); ++r)
        for (qsizetype i = 0; i < std::size(kIdColumns); ++i)
            if (grid.text(r, kIdColumns[i]) != m_rows[r].at(i))
                grid.setText(r, kIdColumns[i], m_rows[r].at(i));
}

QList<qint32> RemapGridReferences(GridModel &grid, const QHash<qint64, qint64> &map)
{
    QList<qint32> changed;
    if (map.isEmpty())
        return changed;
    for (qint32 r = grid.fixedRows(); r < grid.rows(); ++r) {
        bool rowChanged = false;
        for (qint32 col : {ColRCtl, ColSumID, ColSumID1}) {
            const qint64 v = cellId(grid, r, col);
            if (v == 0)
                continue;
            qint64 nv = v;
            if (auto it = map.constFind(v); it != map.constEnd())
                nv = it.value();
            else if (col != ColRCtl && v != std::numeric_limits<qint64>::min()) {
                // The lowest value (read from a huge number) has no positive
                // counterpart and names no row.
                if (auto neg = map.constFind(-v); neg != map.constEnd())
                    nv = -neg.value();
            }
            if (nv != v) {
                grid.setText(r, col, num::Str(nv));
                rowChanged = true;
            }
        }
        if (rowChanged)
            changed << r;
    }
    return changed;
}

std::optional<qint64> SaveGridToFmt(sql::Connection &conn, GridModel &grid, qint32 row,
                                    const QString &formatName, qint64 recordId,
                                    const FixedTextLookup &fixedText)
{
    const auto id = WriteGridRow(conn, grid, row, formatName, recordId, fixedText);
    if (!id)
        return std::nullopt;
    const qint64 old = cellId(grid, row, ColID);
    if (old != *id) {
        RemapGridReferences(grid, {{old, *id}});
        grid.setText(row, ColID, num::Str(*id));
    }
    return id;
}
