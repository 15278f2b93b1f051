// The main window's record tabs offscreen: the history grid loaded when its
// tab is shown, search, apply and delete through the buttons, and the record
// scroll bar stepping through DataGrid.

#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "designer/ui/mainwindow.h"
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
