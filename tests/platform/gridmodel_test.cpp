#include "platform/gridmodel.h"
#include "platform/screenscale.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A grid of 2 fixed rows and 1 fixed column with n data rows whose column 1
// holds the given texts and whose back colour is the row index.
void fill(GridModel &g, const QStringList &texts)
{
    g.setCols(2);
    g.setRows(2);
    g.setFixedRows(2);
    g.setFixedCols(1);
    for (const QString &t : texts) {
        const qint32 r = g.addRow({QString(), t});
        g.setBackColor(r, 1, r);
    }
}

QStringList column(const GridModel &g, qint32 c)
{
    QStringList out;
    for (qint32 r = g.fixedRows(); r < g.rows(); ++r)
        out << g.text(r, c);
    return out;
}

} // namespace

TEST(GridModel, RemoveRowsTakesColoursAndHeightsAlong)
{
    GridModel g;
    fill(g, {"a", "b", "c", "d", "e"});
    g.setRowHeight(5, 600);
    g.setForeColor(5, 0, 0x0000FF);
    g.removeRows(3, 4); // b, c
    EXPECT_EQ(column(g, 1), QStringList({"a", "d", "e"}));
    EXPECT_EQ(g.backColor(3, 1), 5); // d kept its colour
    EXPECT_EQ(g.foreColor(3, 0), 0x0000FF);
    EXPECT_EQ(g.rowHeight(3), 600);
    EXPECT_EQ(g.rowHeight(4), GridModel::kDefaultRowHeight);
    // Out-of-range ends are clamped, a reversed range removes nothing.
    g.removeRows(4, 100);
    EXPECT_EQ(g.rows(), 4);
    g.removeRows(3, 2);
    EXPECT_EQ(g.rows(), 4);
}

TEST(GridModel, AppendedRowsTakeTheColumnCount)
{
    GridModel g;
    fill(g, {"a"});
    QSignalSpy resets(&g, &GridModel::reset);
    std::vector<std::vector<GridModel::Cell>> rows(2);
    rows[0] = {{"", 0, 0}, {"b", 0x0000FF, 0}};
    rows[1] = {{"x"}, {"c"}, {"cut"}};
    g.appendRows(std::move(rows));
    g.appendRows({{}});
    EXPECT_EQ(column(g, 1), QStringList({"a", "b", "c", ""}));
    EXPECT_EQ(g.foreColor(3, 1), 0x0000FF);
    EXPECT_EQ(g.rowCells(4).size(), 2u);
    EXPECT_EQ(g.rowHeight(5), GridModel::kDefaultRowHeight);
    EXPECT_EQ(resets.count(), 2);
}

TEST(GridModel, SortComparesNumbersAsNumbersAndKeepsColours)
{
    GridModel g;
    fill(g, {"10", "9", "abc", "1.5", "", "nan", "Abd", "-2"});
    g.sortByColumn(1, true);
    // Numbers first in numeric order, then texts ("nan" is a text).
    const QStringList asc = column(g, 1);
    EXPECT_EQ(asc.mid(0, 4), QStringList({"-2", "1.5", "9", "10"}));
    EXPECT_EQ(asc.size(), 8);
    EXPECT_TRUE(asc.mid(4).contains("nan"));
    // The colour travelled with its row: "9" was row 3.
    EXPECT_EQ(g.backColor(2 + 2, 1), 3);
    g.sortByColumn(1, false);
    EXPECT_EQ(column(g, 1).mid(4), QStringList({"10", "9", "1.5", "-2"}));
    // Fixed rows never move.
    EXPECT_EQ(g.rows(), 10);
}

TEST(GridModel, FixedCountsStayWithinTheGrid)
{
    GridModel g;
    g.setCols(3);
    g.setRows(3);
    g.setFixedRows(2);
    g.setFixedCols(5);
    EXPECT_EQ(g.fixedCols(), 3);
    g.setRows(1);
    EXPECT_EQ(g.fixedRows(), 1);
    g.setRows(5);
    EXPECT_EQ(g.fixedRows(), 1);
    EXPECT_EQ(g.dataRows(), 4);
    g.setCols(1);
    EXPECT_EQ(g.fixedCols(), 1);
    EXPECT_EQ(g.leftCol(), 1);
}

TEST(GridModel, CurrentCellAndTopRowAreClamped)
{
    GridModel g;
    fill(g, {"a", "b", "c", "d"});
    g.setCurrent(5, 1);
    g.setTopRow(4);
    EXPECT_EQ(g.row(), 5);
    g.setRows(4);
    EXPECT_EQ(g.row(), 3);
    EXPECT_EQ(g.rowSel(), 3);
    EXPECT_EQ(g.topRow(), 3);
    // The top row never falls into the fixed rows, even with no data rows.
    g.setRows(2);
    EXPECT_EQ(g.topRow(), 2);
    g.addRow({"", "x"});
    EXPECT_EQ(g.topRow(), 2);
    // Invalid positions are ignored.
    g.setCurrent(2, 1);
    g.setCurrent(9, 0);
    g.setCol(7);
    EXPECT_EQ(g.row(), 2);
    EXPECT_EQ(g.col(), 1);
}

TEST(GridModel, HiddenGridResetsOnceWhenShown)
{
    GridModel g;
    fill(g, {"a"});
    QSignalSpy resets(&g, &GridModel::reset);
    QSignalSpy cells(&g, &GridModel::cellChanged);
    g.setVisible(false);
    for (int i = 0; i < 100; ++i)
        g.addRow({"", QString::number(i)});
    g.setText(2, 1, "z");
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(cells.count(), 0);
    g.setVisible(true);
    EXPECT_EQ(resets.count(), 1);
    g.setText(2, 1, "y");
    EXPECT_EQ(cells.count(), 1);
}

TEST(ScreenScale, TwipPixelConversion)
{
    screen::SetTwipsPerPixel(15);
    EXPECT_EQ(screen::ToTwips(17), 255);
    EXPECT_EQ(screen::ToPx(255), 17);
    EXPECT_EQ(screen::ToPx(0), 0);
    screen::SetTwipsPerPixel(0);
}
