#include "records/xlsreader.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

using namespace imp;

namespace {

// Writes a workbook with python3-xlwt; false when that failed.
bool MakeXls(const QString &path, const QString &script)
{
    const QString py = QStringLiteral("import sys, datetime, xlwt\n"
                                      "wb = xlwt.Workbook(encoding='utf-8')\n")
        + script + QStringLiteral("wb.save(sys.argv[1])\n");
    return RunCommand(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, path}) == 0;
}

void ShapeDataGrid(GridModel &g)
{
    g.setRows(2);
    g.setCols(1);
    g.setFixedRows(2);
    g.setFixedCols(1);
}

} // namespace

class XlsFiles : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        book = path(QStringLiteral("订单.xls"));
        ASSERT_TRUE(MakeXls(book, QStringLiteral(R"(ws = wb.add_sheet('其他')
ws = wb.add_sheet('订单')
d = xlwt.easyxf(num_format_str='yyyy-mm-dd')
for c, t in enumerate(['姓名', '电话', '金额', '日期', '地址']):
    ws.write(0, c, t)
ws.write(1, 0, '张三ζξ')
ws.write(1, 1, 13800138000)
ws.write(1, 2, 0.1 + 0.2)
ws.write(1, 3, datetime.date(2024, 1, 5), d)
ws.write(1, 4, '北京\n朝阳')
ws.write(2, 0, '李四')
ws.write(2, 1, 12345678901234567)
)")));
        page.Add(0, QStringLiteral("收件人"));
        page.Add(0, QStringLiteral("电话"));
        page.Add(0, QStringLiteral("其他"));
    }
    QString book;
    GridControls page;
};

TEST_F(XlsFiles, CellsAsExcelShowsThem)
{
    XlsWorkbook wb;
    ASSERT_EQ(wb.Open(book), ExcelOk);
    EXPECT_EQ(wb.SheetNames(), (QStringList {"其他", "订单"}));
    ASSERT_TRUE(wb.SelectSheet(QStringLiteral("订单")));
    EXPECT_EQ(wb.CellText(2, 1), QStringLiteral("张三ζξ"));
    EXPECT_EQ(wb.CellText(2, 2), QStringLiteral("13800138000"));
    EXPECT_EQ(wb.CellText(2, 3), QStringLiteral("0.3"));
    EXPECT_EQ(wb.CellText(2, 4), QStringLiteral("2024-1-5"));
    // Numbers shown to the user are never in exponent form.
    EXPECT_EQ(wb.CellText(3, 2), QStringLiteral("12345678901234600"));
    EXPECT_EQ(wb.CellText(9, 9), QString());
    EXPECT_EQ(wb.CellText(65537, 1), QString());
}

TEST_F(XlsFiles, ReadIntoDataGridAndFailures)
{
    const ColumnMaps maps {
        {QStringLiteral("A"), QStringLiteral("\"T:\",B"), QStringLiteral("E,D")}};
    GridModel grid;
    ShapeDataGrid(grid);
    ASSERT_EQ(ReadExcelData(grid, book, QStringLiteral("订单"), 2, 3, maps, 1, page,
                            QStringLiteral("//")),
              ExcelOk);
    ASSERT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.text(2, 1), QStringLiteral("张三ζξ"));
    EXPECT_EQ(grid.text(2, 2), QStringLiteral("T:13800138000"));
    EXPECT_EQ(grid.text(2, 3), QStringLiteral("北京//朝阳2024-1-5"));
    EXPECT_EQ(grid.text(3, 1), QStringLiteral("李四"));

    ASSERT_TRUE(WriteBytes(path(QStringLiteral("text.xls")), "not a workbook"));
    struct Case
    {
        QString file, sheet;
        qint64 interval;
        int error;
    };
    const Case cases[] = {
        {book, QStringLiteral("订单"), 0, ExcelDivisionByZero},
        {path(QStringLiteral("missing.xls")), QStringLiteral("订单"), 1, ExcelCannotOpen},
        {path(QStringLiteral("text.xls")), QStringLiteral("订单"), 1, ExcelWrongType},
    };
    for (const Case &c : cases) {
        GridModel g;
        ShapeDataGrid(g);
        EXPECT_EQ(
            ReadExcelData(g, c.file, c.sheet, 2, 3, maps, c.interval, page, QStringLiteral("//")),
            c.error)
            << c.file.toStdString();
    }
    EXPECT_EQ(ExcelErrorMessage(9), QStringLiteral("输入表格名称有误，无法打开表格，请重新输入！"));
    EXPECT_EQ(ExcelErrorMessage(11), QStringLiteral("未知错误，错误号： 11　请检查输入值！"));
    EXPECT_EQ(ExcelErrorMessage(-3), QStringLiteral("未知错误，错误号：-3　请检查输入值！"));
}

TEST_F(XlsFiles, RecordsEndWithTheUsedRows)
{
    // 订单 uses rows 1..3; 空 uses none. A wrong or empty sheet reads no
    // cell but keeps the count, so the quoted text still fills each record.
    ASSERT_TRUE(MakeXls(path(QStringLiteral("blank.xls")), QStringLiteral(R"(ws = wb.add_sheet('空')
ws = wb.add_sheet('数据')
for r, t in [(0, '头'), (1, '甲'), (3, '丁'), (4, '戊')]:
    ws.write(r, 0, t)
)")));
    const ColumnMaps maps {{QStringLiteral("\"N\",A")}};
    struct Case
    {
        QString file, sheet;
        qint64 first, last, interval, records;
        const char *second; // the second record's value
    };
    const QString blank = path(QStringLiteral("blank.xls"));
    const Case cases[] = {
        {book, QStringLiteral("订单"), 2, 100, 1, 2, "N李四"},
        {blank, QStringLiteral("数据"), 2, 100, 1, 4, "N"}, // row 3 is blank inside the data
        {blank, QStringLiteral("数据"), 6, 100, 1, 0, ""}, // wholly past the end
        {blank, QStringLiteral("空"), 2, 4, 1, 3, "N"},
        {book, QStringLiteral("没有"), 2, 4, 1, 3, "N"},
    };
    for (const Case &c : cases) {
        GridModel g;
        ShapeDataGrid(g);
        ASSERT_EQ(ReadExcelData(g, c.file, c.sheet, c.first, c.last, maps, c.interval, page,
                                QStringLiteral("//")),
                  ExcelOk)
            << c.sheet.toStdString();
        ASSERT_EQ(g.rows() - 2, c.records) << c.sheet.toStdString();
        for (qint32 r = 2; r < g.rows(); ++r)
            EXPECT_TRUE(g.text(r, 1).startsWith(u'N')) << c.sheet.toStdString();
        if (c.records > 1)
            EXPECT_EQ(g.text(3, 1), QString::fromUtf8(c.second)) << c.sheet.toStdString();
    }
    // The preview still says the sheet name is wrong.
    GridModel preview;
    preview.setRows(20);
    preview.setCols(60);
    EXPECT_EQ(PreviewExcel(preview, book, QStringLiteral("没有")), ExcelNoSuchSheet);
}
