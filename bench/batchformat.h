#pragma once
// The batch benchmarks' waybill format, stored in the database of the data
// folder in use: 230 x 127 mm, five input boxes of Chinese text (two
// addresses that wrap over two lines), a Code 39 and an EAN-13 picture box,
// a line and a label; and DataGrid filled with N records in the layout an
// import leaves, so that each record reaches the page through ShowGridRow.
// Shared by bench_batchprint and the batch reference test.

#include "bench/benchsupport.h"
#include "core/database.h"
#include "core/formatgrid.h"
#include "designer/mainstate.h"
#include "records/columnmap.h"
#include "records/datagrid.h"

namespace batchbench {

inline void InsertControl(const QString &fmt, const QString &lbl, qint32 cls, double x, double y,
                          double w, double h, qint32 cash = 0, double size = 10.5)
{
    db::InsertRow(QStringLiteral("Fmt"),
                  {{QStringLiteral("Fmt"), fmt},
                   {QStringLiteral("LBL"), lbl},
                   {QStringLiteral("Dir"), 1},
                   {QStringLiteral("X"), x},
                   {QStringLiteral("Y"), y},
                   {QStringLiteral("W"), w},
                   {QStringLiteral("H"), h},
                   {QStringLiteral("fName"), QStringLiteral("宋体")},
                   {QStringLiteral("fSize"), size},
                   {QStringLiteral("Clas"), cls},
                   {QStringLiteral("Cash"), cash}});
}

// The header row of a format of 230 x 127 mm with its options (Mem).
inline void InsertHeader(const QString &fmt, const QString &mem)
{
    db::InsertRow(QStringLiteral("Fmt"),
                  {{QStringLiteral("Fmt"), fmt},
                   {QStringLiteral("LBL"), fmtgrid::HeaderMarker()},
                   {QStringLiteral("W"), 230},
                   {QStringLiteral("H"), 127},
                   {QStringLiteral("X"), 10},
                   {QStringLiteral("Y"), 10},
                   {QStringLiteral("Mem"), mem}});
}

// Stores the format under the name and makes it the one opened at start;
// false when the database cannot be opened.
inline bool CreateFormat(const QString &name)
{
    sql::Connection *conn = db::Connection();
    if (!conn)
        return false;
    sql::Transaction tx(*conn);
    InsertHeader(name, QStringLiteral("True|False|1|0|0|0|0|"));
    InsertControl(name, QStringLiteral("收件人"), 0, 20, 15, 40, 6);
    InsertControl(name, QStringLiteral("收件地址"), 0, 20, 25, 50, 12);
    InsertControl(name, QStringLiteral("寄件人"), 0, 130, 15, 40, 6);
    InsertControl(name, QStringLiteral("寄件地址"), 0, 130, 25, 50, 12);
    InsertControl(name, QStringLiteral("物品"), 0, 20, 45, 60, 6);
    InsertControl(name, QStringLiteral("运单号"), 2, 20, 60, 80, 20, 0, 9);
    InsertControl(name, QStringLiteral("商品码"), 2, 130, 60, 60, 25, 0, 9);
    InsertControl(name, QStringLiteral("线条"), 3, 10, 55, 220, 55, 1, 1);
    InsertControl(name, QStringLiteral("快递公司"), 4, 180, 110, 40, 8);
    tx.Commit();
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE Fmt=''"), {name});
    return true;
}

// Fills DataGrid with n records in its import layout (row 0 the target
// indexes, one record a row, shown columns) and sets the record scroll bar.
inline void FillDataGrid(dsg::MainState &state, qint32 n)
{
    GridModel &grid = state.DataGrid();
    imp::ColumnMaps maps;
    for (qint32 i = 0; i < state.ControlCount(0); ++i)
        maps.text << QStringLiteral("A");
    for (qint32 i = 0; i < state.ControlCount(2); ++i)
        maps.picture << QStringLiteral("A");
    if (grid.fixedRows() != 2 || grid.fixedCols() != 1) {
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
    }
    imp::PrepareDataGrid(grid, n, maps, state);
    for (qint32 c = grid.fixedCols(); c < grid.cols(); ++c)
        grid.setColWidth(c, 1500); // shown columns, as after an import
    for (qint32 r = 0; r < n; ++r) {
        const auto texts = RecordTexts(r);
        for (qsizetype i = 0; i < qsizetype(texts.size()); ++i)
            grid.setText(grid.fixedRows() + r, grid.fixedCols() + qint32(i), texts[size_t(i)]);
    }
    state.SetupRecordScroll();
}

} // namespace batchbench
