// The main window's record tabs offscreen: the history grid loaded when its
// tab is shown, search, apply and delete through the buttons, and the record
// scroll bar stepping through DataGrid.

#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "designer/ui/mainwindow.h"
#include "platform/ui/gridview.h"
#include "formatwindowtest.h"
#include "platform/screenscale.h"
#include "records/history.h"
#include "support/testenv.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QAbstractButton>
#include <QHeaderView>
#include <QTableView>
#include <QTest>

using namespace dsg;
using namespace Qt::StringLiterals;

namespace {

const QString kFmt = u"中通"_s;

class RecordTabsTest : public FormatWindowTest
{
protected:
    void SetUp() override
    {
        FormatWindowTest::SetUp();
        WriteFormat(kFmt, {{0, u"收件人"_s, 20, 10, 40, 6, "1", 9}});
    }
};

} // namespace

TEST_F(RecordTabsTest, HistoryTabSearchApplyDelete)
{
    MainWindow w;
    w.show();
    DesignControl *box = w.State().GetCtlByIndex(1);
    ASSERT_TRUE(box);
    for (const QString name : {u"张三"_s, u"李四"_s, u"张五"_s}) {
        box->text = name;
        ASSERT_TRUE(rec::SaveHistoryRecord(w.State(), kFmt));
    }
    w.Tabs()->setCurrentIndex(2);
    GridModel &grid = w.State().HistoryGrid();
    ASSERT_EQ(grid.rows(), 5);
    EXPECT_EQ(grid.text(2, 2), u"张五"_s);

    // Enter in KWord searches: 张五 (row 2) first, then 张三 (row 4).
    w.KeyWord()->setText(u" 张"_s);
    QTest::keyClick(w.KeyWord(), Qt::Key_Return);
    EXPECT_EQ(w.KeyWord()->text(), u"张"_s);
    EXPECT_EQ(grid.row(), 2);
    QTest::mouseClick(w.Com(24), Qt::LeftButton);
    EXPECT_EQ(grid.row(), 4);
    w.KeyWord()->setText(u"王"_s);
    QTest::mouseClick(w.Com(24), Qt::LeftButton);
    EXPECT_EQ(dlg.messages().last(), u"没有查到相关的记录！"_s);

    // Delete the selected row (张三), answering No first, then Yes.
    dlg.Queue(false);
    QTest::mouseClick(w.Com(21), Qt::LeftButton);
    EXPECT_EQ(grid.rows(), 5);
    dlg.Queue(true);
    QTest::mouseClick(w.Com(21), Qt::LeftButton);
    EXPECT_EQ(dlg.shown().back().text, u"您确定要删除第3至第3行？"_s);
    EXPECT_EQ(grid.rows(), 4);

    // Apply row 2 (李四): back on the page tab with the box filled.
    grid.setRow(3);
    QTest::mouseClick(w.Com(20), Qt::LeftButton);
    EXPECT_EQ(w.Tabs()->currentIndex(), 0);
    EXPECT_EQ(box->text, u"李四"_s);

    // Delete all; the tab shows the history again when switched back to.
    w.Tabs()->setCurrentIndex(2);
    EXPECT_EQ(grid.rows(), 4);
    // On a full data folder the delete is refused: said, every record kept.
    dlg.Queue(true);
    {
        FullDiskScope full(0);
        QTest::mouseClick(w.Com(22), Qt::LeftButton);
    }
    EXPECT_EQ(dlg.messages().last(), u"删除历史记录失败，记录未作改动！"_s);
    EXPECT_EQ(grid.rows(), 4);
    dlg.Queue(true);
    QTest::mouseClick(w.Com(22), Qt::LeftButton);
    EXPECT_EQ(dlg.shown().back().text, u"您确定要删除第1至第2行？"_s);
    EXPECT_EQ(grid.rows(), 2);
    auto rs = db::OpenRecordset(u"SELECT COUNT(*) FROM 历史"_s);
    EXPECT_EQ(rs->value(0, 0).toLongLong(), 0);
}

TEST_F(RecordTabsTest, RecordScrollBarStepsThroughDataGrid)
{
    MainWindow w;
    w.show();
    GridModel &data = w.State().DataGrid();
    data.setCols(2);
    data.setRows(2);
    data.setFixedRows(2);
    data.setFixedCols(1);
    data.setText(0, 1, u"1"_s);
    data.addRow({u"1"_s, u"甲"_s});
    w.State().SetupRecordScroll();
    EXPECT_FALSE(w.RecordScroll()->isEnabled());
    EXPECT_FALSE(w.Com(1)->isEnabled());
    EXPECT_EQ(w.RecordLabel(0)->text(), u"1"_s);
    data.addRow({u"2"_s, u"乙"_s});
    data.addRow({u"3"_s, u"丙"_s});
    w.State().SetupRecordScroll();
    EXPECT_TRUE(w.RecordScroll()->isEnabled());
    EXPECT_TRUE(w.Com(1)->isEnabled());
    EXPECT_EQ(w.RecordLabel(0)->text(), u"3"_s);
    EXPECT_EQ(w.RecordLabel(1)->text(), u"1"_s);
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, u"甲"_s);
    w.RecordScroll()->setValue(3);
    EXPECT_EQ(w.RecordLabel(1)->text(), u"3"_s);
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, u"丙"_s);
    // Clearing the records rebinds the bar.
    ClearGridRecords(data, false);
    EXPECT_EQ(w.RecordLabel(0)->text(), u"1"_s);
    EXPECT_FALSE(w.RecordScroll()->isEnabled());
}

namespace {

// Where the style draws a part of the scroll bar, in the bar's coordinates.
QRect PartRect(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
}

// Clicks the scroll bar's part through the window: the widget the window
// finds at that point gets the press, as with a real mouse.
void ClickPart(QWidget &window, QScrollBar *bar, QStyle::SubControl part)
{
    const QRect r = PartRect(bar, part);
    ASSERT_FALSE(r.isEmpty());
    const QPoint at = bar->mapTo(&window, r.center());
    QWidget *hit = window.childAt(at);
    ASSERT_EQ(hit, bar) << "covered by " << (hit ? hit->objectName().toStdString() : "nothing");
    QTest::mouseClick(hit, Qt::LeftButton, {}, r.center());
}

QRect SliderRect(QScrollBar *bar)
{
    return PartRect(bar, QStyle::SC_ScrollBarSlider);
}

} // namespace

TEST_F(RecordTabsTest, RecordBarIsVisibleAndStepsOnArrowClicks)
{
    MainWindow w;
    w.show();
    GridModel &data = w.State().DataGrid();
    data.setCols(2);
    data.setRows(2);
    data.setFixedRows(2);
    data.setFixedCols(1);
    data.setText(0, 1, u"1"_s);
    for (int i = 1; i <= 10; ++i)
        data.addRow({QString::number(i), u"记录%1"_s.arg(i)});
    w.State().SetupRecordScroll();
    w.Tabs()->setCurrentIndex(1);
    QScrollBar *hs = w.RecordScroll();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // Nothing of the tab lies over the bar, and the bar lies inside the tab.
    QWidget *tab = hs->parentWidget();
    EXPECT_TRUE(tab->rect().contains(hs->geometry()));
    for (QWidget *other : tab->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (other != hs && other->isVisible())
            for (QWidget *leaf : other->findChildren<QWidget *>())
                if (leaf->isVisible() && !qobject_cast<QScrollBar *>(leaf))
                    EXPECT_FALSE(QRect(leaf->mapTo(tab, QPoint()), leaf->size())
                                     .intersects(hs->geometry()))
                        << leaf->objectName().toStdString();

    // Record 1: the thumb at the left end.
    const QRect s1 = SliderRect(hs);
    EXPECT_LT(s1.left(), hs->width() / 4);
    ClickPart(w, hs, QStyle::SC_ScrollBarAddLine);
    EXPECT_EQ(hs->value(), 2);
    EXPECT_EQ(w.RecordLabel(1)->text(), u"2"_s);
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, u"记录2"_s);
    EXPECT_GT(SliderRect(hs).left(), s1.left());
    ClickPart(w, hs, QStyle::SC_ScrollBarSubLine);
    EXPECT_EQ(hs->value(), 1);
    EXPECT_EQ(w.RecordLabel(1)->text(), u"1"_s);
    EXPECT_EQ(w.State().GetCtlByIndex(1)->text, u"记录1"_s);
    // A click in the trough right of the thumb moves on.
    ClickPart(w, hs, QStyle::SC_ScrollBarAddPage);
    EXPECT_GT(hs->value(), 1);
    EXPECT_EQ(w.RecordLabel(1)->text(), QString::number(hs->value()));
    // The last record puts the thumb at the right end.
    hs->setValue(10);
    EXPECT_GT(SliderRect(hs).right(), hs->width() * 3 / 4);
}

TEST_F(RecordTabsTest, RecordCounterLabelsLeftToRight)
{
    MainWindow w;
    w.show();
    auto *caption = w.findChild<QLabel *>(u"Label1"_s);
    auto *lk = w.findChild<QLabel *>(u"L_K1"_s);
    ASSERT_TRUE(caption && lk);
    EXPECT_EQ(caption->text(), u"单据数："_s);
    EXPECT_EQ(w.RecordLabel(0)->toolTip(), u"批量导入的单据数量。"_s);
    EXPECT_EQ(w.RecordLabel(1)->toolTip(), u"当前显示单据在的序号。"_s);
    GridModel &data = w.State().DataGrid();
    data.setCols(2);
    data.setRows(2);
    data.setFixedRows(2);
    data.setFixedCols(1);
    for (int i = 1; i <= 120; ++i)
        data.addRow({QString::number(i), QString::number(i)});
    w.State().SetupRecordScroll();
    w.Tabs()->setCurrentIndex(1);
    w.RecordScroll()->setValue(100);
    QApplication::processEvents();
    const int gap = screen::ToPx(30);
    QLabel *shown = w.RecordLabel(1), *count = w.RecordLabel(0);
    EXPECT_EQ(shown->text(), u"100"_s);
    EXPECT_LE(caption->geometry().right(), shown->x());
    EXPECT_EQ(lk->x(), shown->x() + shown->width() + gap);
    EXPECT_EQ(count->x(), lk->x() + lk->width() + gap);
    EXPECT_EQ(shown->y(), count->y());
    // Each label shows its whole text.
    for (QLabel *l : {shown, lk, count})
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text())) << l->text().toStdString();
}

// A search on the history tab selects the whole found row in the view, and
// the row number column's header shows its caption "序号".
TEST_F(RecordTabsTest, HistorySearchSelectsTheWholeRowOnScreen)
{
    WriteFormat(kFmt, {{0, u"收件人"_s, 20, 10, 40, 6, "1", 9},
                       {0, u"地址"_s, 20, 20, 40, 6, "1", 9},
                       {0, u"电话"_s, 20, 30, 40, 6, "1", 9}});
    MainWindow w;
    w.show();
    for (const QString name : {u"张三"_s, u"李四"_s}) {
        w.State().GetCtlByIndex(2)->text = name;
        ASSERT_TRUE(rec::SaveHistoryRecord(w.State(), kFmt));
    }
    w.Tabs()->setCurrentIndex(2);
    auto *view = w.findChild<QTableView *>(u"MSF2"_s);
    ASSERT_TRUE(view);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.KeyWord()->setText(u"张三"_s);
    QTest::mouseClick(w.Com(24), Qt::LeftButton);
    const int columns = view->model()->columnCount();
    ASSERT_GE(columns, 3);
    const QModelIndexList sel = view->selectionModel()->selectedIndexes();
    EXPECT_EQ(sel.size(), columns);
    for (const QModelIndex &i : sel)
        EXPECT_EQ(i.row(), 1);
    // Every cell of the row is painted in the selection colour.
    const QImage shot = view->viewport()->grab().toImage();
    const QColor hl = view->palette().color(QPalette::Active, QPalette::Highlight);
    const int y = view->rowViewportPosition(1) + view->rowHeight(1) / 2;
    for (int c = 0; c < columns; ++c) {
        if (view->columnWidth(c) < 4)
            continue;
        const int x = view->columnViewportPosition(c) + 2;
        EXPECT_EQ(shot.pixelColor(x, y), hl) << c;
    }

    // The corner over the row numbers carries the caption.
    auto *corner = view->findChild<QAbstractButton *>();
    ASSERT_TRUE(corner);
    ASSERT_GE(corner->width(), corner->fontMetrics().horizontalAdvance(u"序号"_s));
    const QImage c = corner->grab().toImage();
    int dark = 0;
    for (int yy = 0; yy < c.height(); ++yy)
        for (int xx = 0; xx < c.width(); ++xx)
            dark += qGray(c.pixel(xx, yy)) < 100;
    EXPECT_GT(dark, 10);
}

// After fitting, no text of a grid is drawn cut short: each column is as
// wide as its widest text in the view's font plus the room the style keeps
// beside a cell's text; so is the caption row and the row number column.
TEST(AutoFitGridColumns, FittedColumnsShowWholeTexts)
{
    screen::SetTwipsPerPixel(15);
    GridModel grid;
    GridView view;
    view.resize(4000, 300);
    view.setGrid(&grid);
    const QStringList seeds = {u"张"_s, u"W"_s, u"i"_s, u"1"_s, u"收件人"_s, u"a."_s, u"地址l"_s};
    const int columns = 60;
    grid.setCols(2 + columns);
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(2);
    grid.setRowHeight(0, 0);
    grid.setText(1, 1, u"序号"_s);
    grid.addRow({});
    for (int c = 0; c < columns; ++c) {
        const QString t = seeds[c % seeds.size()].repeated(1 + c / seeds.size());
        grid.setText(1, 2 + c, c % 3 ? u"列"_s : t + u"标题"_s);
        grid.setText(2, 2 + c, t);
    }
    grid.setText(2, 1, u"1"_s);
    view.show();
    AutoFitGridColumns(view.font(), grid, 2, false);
    QApplication::processEvents();
    const QFontMetrics fm(view.font());
    QStyle *st = view.style();
    const int cellRoom = 2 * (st->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1)
        + (view.showGrid() ? 1 : 0);
    const QFontMetrics hfm(view.horizontalHeader()->font());
    const int headerRoom = 2 * st->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &view);
    for (int c = 0; c < columns; ++c) {
        const QString t = grid.text(2, 2 + c), caption = grid.text(1, 2 + c);
        EXPECT_LE(fm.horizontalAdvance(t), view.columnWidth(c) - cellRoom) << t.toStdString();
        EXPECT_LE(hfm.horizontalAdvance(caption), view.columnWidth(c) - headerRoom)
            << caption.toStdString();
    }
    EXPECT_LE(hfm.horizontalAdvance(u"序号"_s), view.verticalHeader()->width() - headerRoom);
    screen::SetTwipsPerPixel(0);
}
