// A workbook that kills FreeXL, through the import windows: the sheet
// window, the mapping window's import button and the automatic import each
// say the workbook cannot be opened, and the records of the earlier import
// stay in DataGrid.

#include "core/globals.h"
#include "records/importfile.h"
#include "records/ui/importwindows.h"
#include "records/xlsreader.h"
#include "support/damagedxls.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

using namespace imp;

class DamagedWorkbook : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        page.Add(0, QStringLiteral("收件人"), 11);
        dataGrid.setFixedRows(2);
        dataGrid.setFixedCols(1);
        dataGrid.setRows(3);
        dataGrid.setCols(2);
        dataGrid.setText(2, 1, QStringLiteral("上次导入"));
        book = path(QStringLiteral("damaged.xls"));
        ASSERT_TRUE(MakeDamagedXls(book));
        host.mainWindow = &main;
        host.page = &page;
        host.dataGrid = &dataGrid;
        host.choice = &choice;
    }
    void ExpectGridKept()
    {
        EXPECT_EQ(dataGrid.rows(), 3);
        EXPECT_EQ(dataGrid.text(2, 1), QStringLiteral("上次导入"));
        EXPECT_TRUE(main.isEnabled());
    }
    GridControls page;
    GridModel dataGrid;
    ImportChoice choice;
    ImportHost host;
    QWidget main;
    QString book;
};

TEST_F(DamagedWorkbook, SheetWindowAndImportButtonSayIt)
{
    const QString cannotOpen = ExcelErrorMessage(ExcelCannotOpen);
    choice.path = book;
    auto *sheets = new SheetsWindow(host, 1);
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("无法打开XLS文件！")});
    EXPECT_TRUE(sheets->Sheets().Names().isEmpty());
    QApplication::processEvents();
    EXPECT_TRUE(choice.sheet.isEmpty());
    EXPECT_TRUE(main.isEnabled());

    dlg.Clear();
    choice.sheet = QStringLiteral("Shipments2026");
    QPointer<InputMapWindow> w = ShowImportMapping(host);
    ASSERT_TRUE(w);
    EXPECT_EQ(dlg.messages(), QStringList {cannotOpen});
    w->M1_Click(1, 4);
    QTest::keyClicks(w->Editor(), QStringLiteral("A"));
    w->T(0)->setText(QStringLiteral("2"));
    w->T(1)->setText(QStringLiteral("30001"));
    w->T(2)->setText(QStringLiteral("1"));
    dlg.Clear();
    w->COM_Click(0);
    QApplication::processEvents();
    EXPECT_EQ(dlg.messages(), QStringList {cannotOpen});
    EXPECT_FALSE(w);
    ExpectGridKept();
}

TEST_F(DamagedWorkbook, AutomaticImportSaysIt)
{
    StartupRecord rec {page.name, book, 2, 30001, true};
    AutoImport(rec, host);
    QApplication::processEvents();
    EXPECT_EQ(dlg.messages(), QStringList {ExcelErrorMessage(ExcelCannotOpen)});
    ExpectGridKept();
}

TEST_F(DamagedWorkbook, AutomaticImportOfAWorkbookWithoutSheets)
{
    // No sheet name was typed, so none is called wrong; nothing more is read.
    const QString sheetless = path(QStringLiteral("sheetless.xls"));
    ASSERT_TRUE(MakeSheetlessXls(sheetless));
    ASSERT_EQ(ReadSheetNames(sheetless).error, ExcelOk);
    StartupRecord rec {page.name, sheetless, 2, 30001, true};
    AutoImport(rec, host);
    QApplication::processEvents();
    EXPECT_EQ(dlg.messages(), QStringList {ExcelErrorMessage(ExcelCannotOpen)});
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<InputMapWindow *>(w)) << "no mapping window is loaded";
    ExpectGridKept();
}
