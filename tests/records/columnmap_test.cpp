#include "records/columnmap.h"
#include "records/datagrid.h"
#include "support/gridcontrols.h"

#include <gtest/gtest.h>

using namespace imp;

namespace {

// Cells read as their own address ("C3"); column 30 holds tabs and column
// 31 line breaks, so the value rules can be seen.
QString Address(qint64 row, qint32 col)
{
    if (col == 30)
        return row == 1 ? QStringLiteral("x\t") : QStringLiteral("x\t\t");
    if (col == 31)
        return QStringLiteral("a\r\nb\nc\rd");
    return ColumnLetters(col) + QString::number(row);
}

QString Eval(const QString &entry, qint64 row)
{
    QString v = EvaluateMapEntry(CompileMapEntry(CleanColumnMap(entry)), row, Address,
                                 QStringLiteral("//"));
    DropTrailingTab(v);
    return v;
}

} // namespace

TEST(ColumnMap, LanguageCases)
{
    struct Case
    {
        const char *entry;
        qint64 row;
        const char *expected;
    };
    const Case cases[] = {
        {"A,\"地址：\",E", 2, "A2地址：E2"},
        {"D,“//”,F", 3, "D3//F3"}, // curly quotes cleaned
        {" ，A,B， ", 1, "A1B1"}, // full-width commas, one leading and trailing comma go
        {"C+1", 2, "C3"},
        {"C+", 4, "C4"}, // a bare "+" reads the record's first row
        {"C+1.5", 2, "C4"}, // 3.5 rounds to the even 4
        {"C+1.5", 1, "C2"}, // 2.5 rounds to the even 2
        {"c + 2", 1, "C3"},
        {"\"a,b\"", 1, "A1V1"}, // a literal is cut at its comma; the pieces read as columns
        {"ABC", 1, ""}, // three letters: no column
        {"1", 5, "A5"}, // a digit reads column A
        {"AA,ZZ", 1, "AA1ZZ1"},
        {"\"", 1, ""}, // a lone quote is neither a literal nor a column
        {"A,,B", 1, "A1B1"}, // an empty part adds nothing
        {"\"\"", 1, ""},
        {"AD", 1, "x"}, // one trailing tab goes
        {"AD", 2, "x\t"}, // of two, one stays
        {"AE", 1, "a//b//c//d"}, // CR LF, LF and CR all become the marker
        {"", 1, ""},
        {"A+-5", 3, ""}, // above the first row reads nothing
    };
    for (const Case &c : cases)
        EXPECT_EQ(Eval(QString::fromUtf8(c.entry), c.row), QString::fromUtf8(c.expected))
            << c.entry;
}

TEST(ColumnMap, ColumnNumbersAndLetters)
{
    EXPECT_EQ(ColumnNumber(QStringLiteral("A")), 1);
    EXPECT_EQ(ColumnNumber(QStringLiteral(" z ")), 26);
    EXPECT_EQ(ColumnNumber(QStringLiteral("AA")), 27);
    EXPECT_EQ(ColumnNumber(QStringLiteral("AZ")), 52);
    EXPECT_EQ(ColumnNumber(QStringLiteral("ZZ")), 702);
    EXPECT_EQ(ColumnNumber(QStringLiteral("9")), 1);
    EXPECT_EQ(ColumnNumber(QStringLiteral("ABC")), 0);
    EXPECT_EQ(ColumnNumber(QString()), std::nullopt);
    EXPECT_EQ(ColumnNumber(QStringLiteral("地址")), std::nullopt); // 16-bit overflow
    for (qint32 n : {1, 26, 27, 52, 53, 702})
        EXPECT_EQ(ColumnNumber(ColumnLetters(n)), n) << n;
    EXPECT_EQ(ColumnLetters(1), QStringLiteral("A"));
    EXPECT_EQ(ColumnLetters(59), QStringLiteral("BG"));
    EXPECT_EQ(ColumnLetters(702), QStringLiteral("ZZ"));
}

TEST(ColumnMap, RecordCounts)
{
    EXPECT_EQ(RecordCount(2, 100, 1), 99);
    EXPECT_EQ(RecordCount(2, 100, 2), 50);
    EXPECT_EQ(RecordCount(1, 1, 1), 1);
    EXPECT_EQ(RecordCount(2, 100, 0), std::nullopt);
    EXPECT_LT(*RecordCount(2, 100, -1), 0);
}

TEST(DataGridLayout, PreparedAndFilledByInterval)
{
    GridControls page;
    page.Add(0, QStringLiteral("收件人"));
    page.Add(1, QStringLiteral("代收"));
    page.Add(0, QStringLiteral("电话"));
    page.Add(2, QStringLiteral("条码"));
    GridModel grid;
    grid.setRows(2);
    grid.setCols(3);
    grid.setFixedRows(2);
    grid.setFixedCols(1);
    grid.setRows(9); // rows of an earlier import must not survive
    grid.setText(5, 1, QStringLiteral("old"));

    ColumnMaps maps {
        {QStringLiteral("C+1"), QString()}, {QStringLiteral("A")}, {QStringLiteral("\"P\",B")}};
    PrepareDataGrid(grid, 3, maps, page);
    FillDataGrid(grid, MergeFieldArrays(maps), 2, 2, Address, QStringLiteral("//"), false);

    ASSERT_EQ(grid.rows(), 5);
    ASSERT_EQ(grid.cols(), 5);
    EXPECT_EQ(grid.rowHeight(0), 0);
    const QStringList indexes {grid.text(0, 1), grid.text(0, 2), grid.text(0, 3), grid.text(0, 4)};
    EXPECT_EQ(indexes, (QStringList {"1", "2", "1001", "2001"}));
    EXPECT_EQ(grid.text(1, 2), QStringLiteral("电话"));
    EXPECT_EQ(grid.text(1, 3), QStringLiteral("代收"));
    for (qint32 k = 0; k < 3; ++k) {
        const qint32 r = 2 + k;
        EXPECT_EQ(grid.text(r, 0), QString::number(k + 1));
        EXPECT_EQ(grid.text(r, 1), QStringLiteral("C%1").arg(3 + 2 * k)); // C3, C5, C7
        EXPECT_EQ(grid.text(r, 2), QString());
        EXPECT_EQ(grid.text(r, 3), QStringLiteral("A%1").arg(2 + 2 * k));
        EXPECT_EQ(grid.text(r, 4), QStringLiteral("PB%1").arg(2 + 2 * k));
    }
}
