#include "platform/codepage.h"
#include "records/csvreader.h"
#include "support/gridcontrols.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

using namespace imp;

namespace {

// The split form with "|" for the separator, "<open>" for an open cell.
QString Shown(const QString &line)
{
    const std::optional<QString> t = SplitCsvLineChecked(line);
    return t ? QString(*t).replace(kCellSeparator, QStringLiteral("|")) : QStringLiteral("<open>");
}

} // namespace

TEST(CsvSplit, Cases)
{
    const char *cases[][2] = {
        {"a,b,c", "a|b|c"},
        {"\"x,\"\"y\"\"\"", "x,\"y\""}, // a quoted cell holding x, a comma and "y" in doubled quotes
        {"a,\"\",b", "a||b"}, // an empty quoted cell is empty
        {"\"\"", ""},
        {"a,\"\"\"\",b", "a|\"\"|b"}, // only doubled quotes: half as many
        {"a,\"open", "<open>"},
        {"ζζ,ξ,\"ζ,ξ\"", "ζζ|ξ|ζ,ξ"}, // the Greek letters are plain text
        {",", "|"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Shown(QString::fromUtf8(c[0])), QString::fromUtf8(c[1])) << c[0];
    EXPECT_EQ(CountRun(QStringLiteral("a\"\"\"b"), u'"', 1), 3);
    EXPECT_EQ(CountRun(QStringLiteral("a\"\"\"b"), u'"', 0), 0);
    EXPECT_EQ(CountOccurrences(QStringLiteral("aaaa"), QStringLiteral("aa")), 2);
}

TEST(CsvSplit, LogicalLines)
{
    // A quoted cell over three physical lines (CR LF, lone LF) is one line;
    // empty lines stay; a final line end opens no line.
    const QString text = QStringLiteral("h1,h2\r\n1,\"a\r\nb\nc\"\r\n\r\n2,x\n");
    const QStringList lines = CsvLogicalLines(text);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("1") + kCellSeparator + QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(lines[2], QString());
    EXPECT_EQ(lines[3], QStringLiteral("2") + kCellSeparator + QStringLiteral("x"));
    EXPECT_EQ(CsvLogicalLines(QString()), QStringList {QString()});
    // An open cell at the end is closed there and kept.
    EXPECT_EQ(CsvLogicalLines(QStringLiteral("a,\"b\r\nc")),
              QStringList {QStringLiteral("a") + kCellSeparator + QStringLiteral("b\r\nc")});
}

class CsvFiles : public DataDirTest
{
};

TEST_F(CsvFiles, EncodingsAndMultiLineCellsIntoDataGrid)
{
    const QString body = QStringLiteral("姓名,地址,备注\r\n张三,\"北京市\r\n朝阳区\",ζ与ξ\r\n"
                                        "李四,\"上海,浦东\",\"说\"\"好\"\"\"\r\n");
    struct File
    {
        const char *name;
        QByteArray bytes;
    };
    const File files[] = {
        {"gbk.csv", cp936::Encode(body)},
        {"bom.CSV", "\xEF\xBB\xBF" + body.toUtf8()},
        {"utf8.csv", body.toUtf8()},
    };
    // GBK has ζ and ξ, so its file holds them too.
    ASSERT_EQ(cp936::Decode(cp936::Encode(body)), body);
    GridControls page;
    page.Add(0, QStringLiteral("收件人"));
    page.Add(0, QStringLiteral("地址"));
    page.Add(0, QStringLiteral("备注"));
    const ColumnMaps maps {
        {QStringLiteral("A"), QStringLiteral("\"地址：\",B"), QStringLiteral("C")}};
    for (const File &f : files) {
        ASSERT_TRUE(WriteBytes(path(QString::fromUtf8(f.name)), f.bytes));
        GridModel grid;
        grid.setRows(2);
        grid.setCols(1);
        grid.setFixedRows(2);
        grid.setFixedCols(1);
        ASSERT_TRUE(ReadCsvData(grid, path(QString::fromUtf8(f.name)), 2, 3, maps, 1, page,
                                QStringLiteral("//")));
        ASSERT_EQ(grid.rows(), 4) << f.name;
        EXPECT_EQ(grid.text(2, 1), QStringLiteral("张三")) << f.name;
        EXPECT_EQ(grid.text(2, 2), QStringLiteral("地址：北京市//朝阳区")) << f.name;
        EXPECT_EQ(grid.text(2, 3), QStringLiteral("ζ与ξ")) << f.name;
        EXPECT_EQ(grid.text(3, 2), QStringLiteral("地址：上海,浦东")) << f.name;
        EXPECT_EQ(grid.text(3, 3), QStringLiteral("说\"好\"")) << f.name;
    }
    GridModel grid;
    grid.setRows(2);
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    EXPECT_FALSE(ReadCsvData(grid, path(QStringLiteral("gbk.csv")), 2, 3, maps, 0, page,
                             QStringLiteral("//")));
}

TEST_F(CsvFiles, Preview)
{
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("p.csv")),
                           cp936::Encode(QStringLiteral("a,b\r\n\r\n\"x\r\ny\",z\r\n"))));
    GridModel grid;
    grid.setRows(20);
    grid.setCols(60);
    PreviewCsv(grid, path(QStringLiteral("p.csv")));
    EXPECT_EQ(grid.text(1, 2), QStringLiteral("b"));
    EXPECT_EQ(grid.text(2, 1), QString());
    EXPECT_EQ(grid.text(3, 1), QStringLiteral("x\r\ny"));
    EXPECT_EQ(grid.text(3, 2), QStringLiteral("z"));
}
