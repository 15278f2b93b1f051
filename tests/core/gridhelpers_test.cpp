#include "core/database.h"
#include "core/gridhelpers.h"
#include "core/progress.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "support/testenv.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace {

QStringList column(const GridModel &g, qint32 c)
{
    QStringList out;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r)
        out << g.text(r, c);
    return out;
}

// A bound grid with the row number column and one text column filled by hand.
void boundGrid(GridModel &g, const QStringList &texts)
{
    SetGridColumns(g, {"ID", "", "Name"}, {"编号", "序号", "名称"});
    for (const QString &t : texts) {
        const qint32 r = g.addRow();
        g.setText(r, 1, num::Str(r - 1));
        g.setText(r, 2, t);
    }
}

// A column fitted to a text of textPx pixels shows it whole with the room
// the view keeps beside it, and is no more than a pixel wider.
void expectFitted(qint32 widthTwips, double textPx)
{
    const double room = textPx + GridModel::kTextRoomPx;
    EXPECT_GE(widthTwips, screen::ToTwips(room));
    EXPECT_LE(widthTwips, screen::ToTwips(room + 1));
}

} // namespace

class GridHelpersTest : public DataDirTest
{
};

TEST_F(GridHelpersTest, SetGridColumnsLaysOutTheBoundGrid)
{
    GridModel g;
    boundGrid(g, {"x"});
    SetGridColumns(g, {"A", "B", "C"}, {"甲", "乙"}); // unequal: unchanged
    EXPECT_EQ(g.cols(), 3);
    EXPECT_EQ(g.rows(), 3);
    EXPECT_EQ(g.text(0, 2), "Name");

    SetGridColumns(g, {"A", "B", "C", "D"}, {"甲", "乙", "丙", "丁"});
    EXPECT_EQ(g.cols(), 4);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(g.fixedRows(), 2);
    EXPECT_EQ(g.fixedCols(), 2);
    EXPECT_EQ(g.rowHeight(0), 0);
    EXPECT_EQ(g.text(0, 3), "D");
    EXPECT_EQ(g.text(1, 3), "丁");
    EXPECT_EQ(g.colAlignment(0), 0);
    EXPECT_EQ(g.colAlignment(1), 2);
    EXPECT_TRUE(g.isVisible());
}

TEST_F(GridHelpersTest, FillGridFromTableAppliesBindings)
{
    ASSERT_TRUE(db::ExecuteSQL("CREATE TABLE T1 (ID INTEGER PRIMARY KEY, Name TEXT, Dat DATETIME,"
                               " Flag BOOLEAN, Amount DOUBLE, Color LONG, PID LONG)"));
    ASSERT_TRUE(db::InsertRow("Pro", {{"Name", "苹果"}, {"Price", 3.5}}).has_value());
    const qint64 pid = *db::InsertRow("Pro", {{"Name", "香蕉"}, {"Price", 2.0}});
    const QDateTime d(QDate(2023, 7, 9), QTime(13, 5));
    ASSERT_TRUE(db::ExecuteSQL("INSERT INTO T1 (ID, Name, Dat, Flag, Amount, Color, PID) VALUES"
                               " (1, ?, ?, 1, 2.345, 255, ?), (2, 'b', NULL, 0, 2.355, 0, 99),"
                               " (3, 'c', NULL, 1, 10, NULL, 1)",
                               {QStringLiteral("甲'乙"), d.toString("yyyy-MM-dd HH:mm:ss"), pid}));
    GridModel g;
    SetGridColumns(
        g,
        {"ID", "", "Name", "Dat", "Flag", "Amount", "Color", "Pro:PID:Name", "Pro:PID", "Missing"},
        {"编号", "序号", "名称", "日期", "标志", "金额", "颜色", "产品", "短", "无"});
    g.setTag("T1");
    FillGridFromTable(g, "ID<>?", "ID", {2});
    EXPECT_TRUE(dlg.messages().isEmpty());
    ASSERT_EQ(g.rows(), 4);
    EXPECT_EQ(g.fixedCols(), 2);
    EXPECT_EQ(column(g, 0), QStringList({"1", "3"}));
    EXPECT_EQ(column(g, 1), QStringList({"1", "2"}));
    EXPECT_EQ(column(g, 2), QStringList({"甲'乙", "c"}));
    EXPECT_EQ(column(g, 3), QStringList({"2023.07.09", ""}));
    EXPECT_EQ(column(g, 4), QStringList({"√", "√"}));
    EXPECT_EQ(column(g, 5), QStringList({"2.34", "10"})); // half to even
    EXPECT_EQ(column(g, 6), QStringList({"", ""}));
    EXPECT_EQ(g.backColor(2, 6), 255);
    EXPECT_EQ(g.backColor(3, 6), 0);
    EXPECT_EQ(column(g, 7), QStringList({"香蕉", "苹果"}));
    EXPECT_EQ(column(g, 8), QStringList({"", ""}));
    EXPECT_EQ(column(g, 9), QStringList({"", ""}));
    // Row 2 with its 2.355 and no product.
    FillGridFromTable(g, "ID=?", "", {2});
    ASSERT_EQ(g.rows(), 3);
    EXPECT_EQ(g.text(2, 5), "2.36");
    EXPECT_EQ(g.text(2, 4), "");
    EXPECT_EQ(g.text(2, 7), "");
    // Widths: hidden fixed column, fitted others, and 50 for an all-empty column.
    EXPECT_EQ(g.colWidth(0), 0);
    EXPECT_GT(g.colWidth(2), 100);
    EXPECT_EQ(g.colWidth(6), 50);
    EXPECT_TRUE(g.isVisible());
}

TEST_F(GridHelpersTest, FillWithoutRowNumberCaptionOrRecords)
{
    ASSERT_TRUE(db::ExecuteSQL("CREATE TABLE T2 (ID INTEGER PRIMARY KEY, LongFieldName TEXT)"));
    GridModel g;
    SetGridColumns(g, {"ID", "X", "LongFieldName"}, {"a", "b", "c"});
    g.setFixedCols(1);
    g.setTag("T2");
    FillGridFromTable(g, "", "");
    EXPECT_EQ(g.fixedCols(), 1); // no "序号": unchanged
    EXPECT_EQ(g.rows(), 2);
    // No records: binding and caption rows are measured.
    expectFitted(g.colWidth(2), QFontMetricsF(GridFont()).horizontalAdvance("LongFieldName"));

    // A failing query shows the message and leaves the grid shown and empty.
    g.setTag("NoSuchTable");
    FillGridFromTable(g, "", "");
    EXPECT_EQ(dlg.messages().size(), 1);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_TRUE(g.isVisible());
}

TEST_F(GridHelpersTest, AutoFitCapsAtHalfTheGridAndShowsProgressAbove200Rows)
{
    GridModel g;
    boundGrid(g, {QString(200, u'W'), "", ""});
    g.setText(2, 0, "hidden");
    g.setWidth(3000);
    AutoFitGridColumns(GridFont(), g, 2, true);
    EXPECT_EQ(g.colWidth(0), 0);
    EXPECT_EQ(g.colWidth(2), 1500);
    EXPECT_FALSE(IndicatorShown());
    // 201 rows with progress: the indicator runs once through the columns.
    while (g.rows() <= 200)
        g.addRow();
    qint32 total = -1;
    struct Spy : IndicatorView
    {
        qint32 *total;
        void Load() override { }
        void Refresh(const IndicatorState &s, bool) override { *total = s.total; }
        void Unload() override { }
    } spy;
    spy.total = &total;
    SetIndicatorView(&spy);
    AutoFitGridColumns(GridFont(), g, 2, true);
    SetIndicatorView(nullptr);
    EXPECT_EQ(total, 3);
    EXPECT_FALSE(IndicatorShown());
}

TEST_F(GridHelpersTest, AutoFitFindsTheWidestOfManyTexts)
{
    // Thousands of rows of the same length; the widest is one narrow-looking
    // text of wide characters, and one with a character outside the BMP.
    GridModel g;
    boundGrid(g, {"", "", ""});
    for (int r = 0; r < 3000; ++r)
        g.addRow({QString(), QString::number(r), QStringLiteral("iiiiiiiiii")});
    g.setText(1500, 2, QStringLiteral("WWWWWWWWW"));
    g.setText(1600, 1, QStringLiteral("12\U0001F600"));
    AutoFitGridColumns(GridFont(), g, 2, false);
    const QFontMetricsF fm(GridFont());
    for (qint32 c = 1; c <= 2; ++c) {
        double widest = 0; // every text measured, the header included
        for (qint32 r = 1; r < g.rows(); ++r)
            widest = std::max(widest, fm.horizontalAdvance(g.text(r, c)));
        SCOPED_TRACE(c);
        expectFitted(g.colWidth(c), widest);
    }
}

TEST_F(GridHelpersTest, DeleteGridRowsMovesWholeRows)
{
    GridModel g;
    boundGrid(g, {"a", "b", "c", "d", "e", "f", "g", "h"}); // rows 2..9
    for (qint32 r = 2; r < 10; ++r)
        g.setForeColor(r, 2, 0x100 + r);
    qint32 first = 7, last = 3;
    dlg.Queue(false);
    DeleteGridRows(g, first, last, true);
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].text, "您确定要删除第2至第6行？");
    EXPECT_EQ(g.rows(), 10);
    EXPECT_TRUE(g.isVisible());

    dlg.Queue(true);
    DeleteGridRows(g, first, last, true);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(column(g, 2), QStringList({"a", "g", "h"}));
    EXPECT_EQ(column(g, 1), QStringList({"1", "2", "3"}));
    EXPECT_EQ(g.foreColor(3, 2), 0x100 + 8); // "g"'s colour went with it
    EXPECT_EQ(g.foreColor(4, 2), 0x100 + 9);

    // Clamped to the data rows, no question.
    first = 0;
    last = 100;
    DeleteGridRows(g, first, last, false);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 4);
    // Nothing to delete.
    DeleteGridRows(g, first, last, true);
    EXPECT_EQ(dlg.shown().size(), 2u);
}

TEST_F(GridHelpersTest, ClearGridRecordsAsksAndCallsTheScrollHook)
{
    GridModel g;
    boundGrid(g, {"a", "b"});
    int hooked = 0;
    HookHandle scroll = InstallRecordScrollHook([&](GridModel &grid) {
        EXPECT_EQ(&grid, &g);
        ++hooked;
    });
    dlg.Queue(false);
    ClearGridRecords(g, true);
    EXPECT_EQ(g.rows(), 4);
    EXPECT_EQ(hooked, 0);
    EXPECT_EQ(dlg.shown().at(0).text, "您确定要清除所有记录？");
    ClearGridRecords(g, false);
    EXPECT_EQ(g.rows(), 2);
    EXPECT_EQ(hooked, 1);
}

TEST_F(GridHelpersTest, HeaderClicksSortAndToggleMarks)
{
    GridModel g;
    SetGridColumns(g, {"ID", "", "A", "B"}, {"编号", "序号", "名称", "数"});
    const QStringList a = {"b", "a", "c"}, b = {"10", "9", "x"};
    for (int i = 0; i < 3; ++i) {
        const qint32 r = g.addRow({QString::number(i), num::Str(i + 1), a[i], b[i]});
        g.setBackColor(r, 3, 0x10 + i);
    }
    for (qint32 c = 0; c < 4; ++c)
        g.setColWidth(c, 1000);
    g.setColWidth(0, 0);
    // Header is 255 twips high (row 0 has height 0); fixed columns 1000 wide.
    const QFont f = GridFont();
    SortGridByColumn(f, g, 2500, 300); // below the header: nothing
    EXPECT_EQ(g.text(1, 2), "名称");
    SortGridByColumn(f, g, 1500, 100); // column 2
    EXPECT_EQ(g.text(1, 2), "名称△");
    EXPECT_EQ(column(g, 2), QStringList({"a", "b", "c"}));
    EXPECT_EQ(column(g, 1), QStringList({"1", "2", "3"}));
    EXPECT_EQ(g.col(), 2);
    SortGridByColumn(f, g, 1500, 100);
    EXPECT_EQ(g.text(1, 2), "名称▽");
    EXPECT_EQ(column(g, 2), QStringList({"c", "b", "a"}));
    SortGridByColumn(f, g, 2500, 100); // column 3: numbers as numbers
    EXPECT_EQ(g.text(1, 2), "名称");
    EXPECT_EQ(g.text(1, 3), "数△");
    EXPECT_EQ(column(g, 3), QStringList({"9", "10", "x"}));
    EXPECT_EQ(g.backColor(2, 3), 0x11); // colours travel with rows
    EXPECT_EQ(column(g, 0), QStringList({"1", "0", "2"}));
    // Beyond the last column: nothing; on the fixed columns: widths fitted.
    SortGridByColumn(f, g, 9000, 100);
    EXPECT_EQ(g.text(1, 3), "数△");
    SortGridByColumn(f, g, 1000, 100);
    EXPECT_EQ(g.colWidth(0), 0);
    EXPECT_NE(g.colWidth(2), 1000);
    // Scrolled right by one column: the first shown scrolling column is 3.
    for (qint32 c = 0; c < 4; ++c)
        g.setColWidth(c, 1000);
    g.setLeftCol(3);
    SortGridByColumn(f, g, 3500, 100); // past the last shown column
    EXPECT_EQ(g.text(1, 3), "数△");
    SortGridByColumn(f, g, 2500, 100);
    EXPECT_EQ(g.text(1, 3), "数▽");
}

TEST_F(GridHelpersTest, GridRowFromYFollowsTopRowAndHeights)
{
    GridModel g;
    boundGrid(g, {"a", "b", "c", "d"}); // rows 2..5 of 255 twips, header 255
    EXPECT_EQ(GridRowFromY(g, 0), 1);
    EXPECT_EQ(GridRowFromY(g, 254), 1);
    EXPECT_EQ(GridRowFromY(g, 255), 2);
    EXPECT_EQ(GridRowFromY(g, 255 + 255), 3);
    EXPECT_EQ(GridRowFromY(g, 100000), 5);
    g.setRowHeight(3, 1000);
    EXPECT_EQ(GridRowFromY(g, 255 + 255 + 999), 3);
    g.setTopRow(4);
    EXPECT_EQ(GridRowFromY(g, 100), 3); // header: top row - 1
    EXPECT_EQ(GridRowFromY(g, 300), 4);
}

TEST_F(GridHelpersTest, CellSearchColoursAndSwap)
{
    GridModel g;
    boundGrid(g, {"a", "b", "b"});
    EXPECT_EQ(GridCellText(g, 2, 0, 4, 2, "b"), (GridCellPos {3, 2}));
    EXPECT_EQ(GridCellText(g, 2, 0, 4, 1, "b"), (GridCellPos {-1, -1}));
    EXPECT_EQ(GridCellText(g, 0, 0, 1, 2, "名称"), (GridCellPos {1, 2}));

    g.setCurrent(3, 2);
    qint32 color = 0;
    SetCellColor(g, 2, 2, color, false);
    EXPECT_EQ(color, 0x010101);
    EXPECT_EQ(g.backColor(2, 2), 0x010101);
    EXPECT_EQ(GetCellProperty(g, 2, 2, false), 0);
    color = 0xFF;
    SetCellColor(g, 2, 2, color, true);
    EXPECT_EQ(GetCellProperty(g, 2, 2, true), 0xFF);

    SetRowBackColor(g, 1, 0xDDDDDD); // header: nothing
    EXPECT_EQ(g.backColor(1, 2), 0);
    SetRowBackColor(g, 3, 0xDDDDDD);
    EXPECT_EQ(g.backColor(3, 1), 0);
    EXPECT_EQ(g.backColor(3, 2), 0xDDDDDD);
    SetCellForeColor(g, 4, 0xFF);
    EXPECT_EQ(g.foreColor(4, 0), 0xFF);
    EXPECT_EQ(g.foreColor(4, 2), 0xFF);
    SelectGridRow(g, 0);
    for (qint32 r = 2; r < 5; ++r)
        EXPECT_EQ(g.foreColor(r, 2), 0);
    EXPECT_EQ(g.row(), 3);
    EXPECT_EQ(g.col(), 2);

    qint32 hi = 3, lo = 7;
    SwapIfGreater(hi, lo);
    EXPECT_EQ(hi, 7);
    EXPECT_EQ(lo, 3);
    double x = 5, y = 1;
    SwapIfGreater(x, y);
    EXPECT_EQ(x, 5);
}
