#include "records/importfile.h"
#include "records/xlsreader.h"
#include "support/damagedxls.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

#include <QElapsedTimer>
#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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
    const XlsSheetNames sheets = ReadSheetNames(book);
    EXPECT_EQ(sheets.error, ExcelOk);
    EXPECT_EQ(sheets.names, (QStringList {"其他", "订单"}));
    const XlsCells cells
        = ReadSheetCells(book, {QStringLiteral("订单"), 2, 65537, {4, 1, 2, 3, 9, 300, 2}});
    ASSERT_EQ(cells.error, ExcelOk);
    EXPECT_TRUE(cells.sheetFound);
    EXPECT_EQ(cells.usedRows, 3);
    EXPECT_EQ(cells.Text(2, 1), QStringLiteral("张三ζξ"));
    EXPECT_EQ(cells.Text(2, 2), QStringLiteral("13800138000"));
    EXPECT_EQ(cells.Text(2, 3), QStringLiteral("0.3"));
    EXPECT_EQ(cells.Text(2, 4), QStringLiteral("2024-1-5"));
    // Numbers shown to the user are never in exponent form.
    EXPECT_EQ(cells.Text(3, 2), QStringLiteral("12345678901234600"));
    EXPECT_EQ(cells.Text(1, 1), QString()); // not asked for
    EXPECT_EQ(cells.Text(9, 9), QString());
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

TEST_F(XlsFiles, DamagedWorkbookIsAFailedReadAndTheGridIsKept)
{
    const QString damaged = path(QStringLiteral("damaged.xls"));
    ASSERT_TRUE(MakeDamagedXls(damaged));
    SheetList sheets;
    EXPECT_EQ(sheets.Load(damaged), ExcelCannotOpen);
    EXPECT_TRUE(sheets.Names().isEmpty());

    // Records of an earlier import stay when the next one cannot read.
    GridModel grid;
    ShapeDataGrid(grid);
    grid.setRows(3);
    grid.setCols(2);
    grid.setText(2, 1, QStringLiteral("旧记录"));
    const ColumnMaps maps {{QStringLiteral("A")}};
    EXPECT_EQ(ReadExcelData(grid, damaged, QStringLiteral("Shipments2026"), 2, 30001, maps, 1,
                            page, QStringLiteral("//")),
              ExcelCannotOpen);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.text(2, 1), QStringLiteral("旧记录"));
    GridModel preview;
    preview.setRows(20);
    preview.setCols(60);
    EXPECT_EQ(PreviewExcel(preview, damaged, QStringLiteral("Shipments2026")), ExcelCannotOpen);
    EXPECT_EQ(ExcelErrorMessage(ExcelCannotOpen),
              QStringLiteral("无法打开Excel文件，请检查后重新输入文件名及路径！"));

    // The same workbook undamaged reads every record.
    const QString whole = path(QStringLiteral("whole.xls"));
    ASSERT_TRUE(MakeBigXls(whole));
    ASSERT_EQ(ReadExcelData(grid, whole, QStringLiteral("Shipments2026"), 2, 30001, maps, 1, page,
                            QStringLiteral("//")),
              ExcelOk);
    ASSERT_EQ(grid.rows(), 2 + 1999);
    EXPECT_EQ(grid.text(2000, 1), QStringLiteral("R1999 C0 text"));
}

TEST_F(XlsFiles, HangIsAFailedRead)
{
    // A file that never ends, as on a stalled network share: a workbook's
    // signature, then nothing while the writer holds the pipe open.
    const QString fifo = path(QStringLiteral("stalled.xls"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = open(QFile::encodeName(fifo).constData(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), 8);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(ReadSheetNames(fifo, QDeadlineTimer(1500)).error, ExcelCannotOpen);
    EXPECT_LT(t.elapsed(), 15000); // ten times the limit; the hang lasts for ever
    close(writer);
}

TEST(XlsReplies, MalformedRepliesAreFailedReads)
{
    const auto frames = [](const QStringList &texts) {
        QByteArray out;
        for (const QString &t : texts)
            AppendFrame(out, t);
        return out;
    };
    const XlsCellRequest asked {QString(), 1, 3, {1, 2}};
    const QByteArray good = frames({"0", "1", "3", "2", "2", "1", "甲"});
    const std::optional<XlsCells> cells = ParseCellsReply(good, asked);
    ASSERT_TRUE(cells);
    EXPECT_EQ(cells->Text(2, 1), QStringLiteral("甲"));
    EXPECT_TRUE(ParseSheetsReply(frames({"0", "甲", ""})));
    const QByteArray bad[] = {
        QByteArray(),
        good.left(good.size() - 1), // cut short
        good + QByteArray("\xff\xff\xff\x7f", 4), // a length past the end
        frames({"0", "1", "3", "2", "2", "1"}), // a cell without its text
        frames({"0", "2", "3", "2"}), // found is neither 0 nor 1
        frames({"0", "1", "3", "2", "0", "1", "x"}), // row 0
        frames({"0", "1", "3", "2", "2", "257", "x"}), // column past the format's
        frames({"0", "1", "3", "2", "2", "2", "x", "2", "1", "y"}), // out of order
        frames({"0", "1", "-3", "2"}),
        frames({" 0", "1", "3", "2"}),
        frames({"7", "1", "3", "2"}), // an error number the helper never gives
        frames({"7"}), // the same alone
        frames({"5", "1"}), // more after a failed open
        frames({"0", "1", "3", "2", "2", "3", "x"}), // a column not asked for
        frames({"0", "1", "9", "2", "4", "1", "x"}), // a row past those asked for
        frames({"0", "1", "3", "2", "2", "1", "x", "2", "1", "x"}), // a cell twice
        // a frame longer than any cell's text, cut off
        frames({"0", "1", "3", "2", "2", "1"}) + QByteArray("\xff\xff\x01\x00", 4),
    };
    for (const QByteArray &b : bad)
        EXPECT_FALSE(ParseCellsReply(b, asked)) << b.toHex().constData();
    EXPECT_TRUE(ParseCellsReply(frames({"5"}), asked));
    EXPECT_FALSE(ParseSheetsReply(frames({"5", "甲"})));
    EXPECT_FALSE(ParseSheetsReply(frames({"x"})));
}
