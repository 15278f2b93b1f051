#include "platform/numtext.h"
#include "platform/ui/gridview.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The bound layout: row 0 hidden (bindings), row 1 captions, fixed columns
// 0 (hidden) and 1 (row numbers).
void layout(GridModel &g, qint32 dataRows)
{
    g.setVisible(false);
    g.setCols(4);
    g.setRows(2);
    g.setFixedRows(2);
    g.setFixedCols(2);
    g.setRowHeight(0, 0);
    const QStringList captions = {"编号", "序号", "名称", "数量"};
    for (qint32 c = 0; c < 4; ++c) {
        g.setText(0, c, QStringLiteral("F%1").arg(c));
        g.setText(1, c, captions[c]);
        g.setColWidth(c, 1500);
    }
    g.setColWidth(0, 0);
    g.setColWidth(1, 600);
    for (qint32 i = 0; i < dataRows; ++i)
        g.addRow({QString::number(1000 + i), QString::number(i + 1), QStringLiteral("名%1").arg(i),
                  QString::number(i * 7)});
    g.setVisible(true);
}

} // namespace

TEST(GridView, ShowsFixedPartsAsHeadersWithTwipGeometry)
{
    GridModel g;
    layout(g, 5);
    GridView v;
    v.setGrid(&g);
    v.resize(600, 300);
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    auto *m = v.model();
    EXPECT_EQ(m->rowCount(), 5);
    EXPECT_EQ(m->columnCount(), 2);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "名称");
    EXPECT_EQ(m->headerData(2, Qt::Vertical, Qt::DisplayRole).toString(), "3");
    EXPECT_EQ(m->data(m->index(1, 0), Qt::DisplayRole).toString(), "名1");
    EXPECT_EQ(v.horizontalHeader()->height(), 17); // 255 twips
    EXPECT_EQ(v.verticalHeader()->width(), 40); // 600 twips
    EXPECT_EQ(v.columnWidth(0), 100); // 1500 twips
    EXPECT_EQ(v.rowHeight(0), 17);
    g.setRowHeight(3, 600);
    EXPECT_EQ(v.rowHeight(1), 40);
    EXPECT_EQ(g.width(), 600 * 15);

    // Colours: 0 is the default, others are 0x00BBGGRR.
    g.setBackColor(2, 2, 0x0000FF);
    g.setForeColor(2, 3, 0xFF0000);
    EXPECT_EQ(m->data(m->index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(m->data(m->index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 255));
    EXPECT_FALSE(m->data(m->index(1, 1), Qt::BackgroundRole).isValid());
    // The painted cell shows the red background (the current cell is elsewhere).
    g.setCurrent(6, 3);
    QTest::qWait(20);
    const QImage shot = v.grab().toImage();
    const QRect cell = v.visualRect(m->index(0, 0)).translated(v.viewport()->pos());
    EXPECT_EQ(QColor(shot.pixel(cell.right() - 3, cell.top() + 2)), QColor(255, 0, 0));
}

TEST(GridView, ClicksMoveTheCurrentCellAndReportTwips)
{
    GridModel g;
    layout(g, 20);
    GridView v;
    v.setGrid(&g);
    v.resize(500, 300);
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    QSignalSpy downs(&v, &GridView::mouseDown);
    const QRect r = v.visualRect(v.model()->index(3, 1));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    EXPECT_EQ(g.row(), 5);
    EXPECT_EQ(g.col(), 3);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].toInt(), 1);
    // y in twips from the grid's top: header 17 px + 3 rows of 17 px + half a row.
    const double y = downs[0][3].toDouble();
    EXPECT_NEAR(y, (17 + 3 * 17 + 8) * 15, 30);
    const double x = downs[0][2].toDouble();
    EXPECT_NEAR(x, (40 + 100 + 50) * 15, 30);

    // Shift-click extends the selection: RowSel/ColSel follow.
    const QRect r2 = v.visualRect(v.model()->index(6, 0));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, Qt::ShiftModifier, r2.center());
    EXPECT_EQ(downs.last()[1].toInt(), 1);
    EXPECT_EQ(g.row(), 8);
    EXPECT_EQ(g.col(), 2);

    // The model's current cell moves the view's.
    g.setCurrent(10, 2);
    EXPECT_EQ(v.currentIndex().row(), 8);
    EXPECT_EQ(v.currentIndex().column(), 0);

    // A press on the header is reported in header coordinates (y < 255).
    QTest::mousePress(v.horizontalHeader()->viewport(), Qt::RightButton, Qt::NoModifier,
                      QPoint(10, 8));
    EXPECT_EQ(downs.last()[0].toInt(), 2);
    EXPECT_LT(downs.last()[3].toDouble(), 255);
    EXPECT_GT(downs.last()[2].toDouble(), 600);
}

TEST(GridView, TopRowFollowsScrolling)
{
    GridModel g;
    layout(g, 200);
    GridView v;
    v.setGrid(&g);
    v.resize(400, 200);
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    EXPECT_EQ(g.topRow(), 2);
    g.setTopRow(50);
    EXPECT_EQ(v.rowAt(0), 48);
    v.scrollTo(v.model()->index(10, 0), QAbstractItemView::PositionAtTop);
    EXPECT_EQ(g.topRow(), 12);
}

TEST(GridView, ThirtyThousandRowsStayResponsive)
{
    GridModel g;
    GridView v;
    v.setGrid(&g);
    v.resize(600, 400);
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    QElapsedTimer t;
    t.start();
    layout(g, 30000);
    QTest::qWait(1);
    g.setCurrent(29000, 2);
    g.setText(29001, 3, "x");
    QApplication::processEvents();
    // Generous bound: only guards against per-cell widgets or per-row work.
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(v.model()->rowCount(), 30000);
    EXPECT_EQ(v.currentIndex().row(), 28998);
}
