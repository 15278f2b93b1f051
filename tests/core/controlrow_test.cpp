// The typed control row: reading a grid row and writing it back.

#include "core/controlrow.h"
#include "platform/gridmodel.h"

#include <gtest/gtest.h>

using namespace fmtgrid;

namespace {

void OneRowGrid(GridModel &g, const QStringList &cells)
{
    LayoutFormatGrid(g);
    const qint32 r = g.addRow(cells);
    g.setText(r, ColSerial, QStringLiteral("1"));
}

} // namespace

TEST(ControlRow, ReadsNumbersByTheirLeadingNumber)
{
    GridModel g;
    OneRowGrid(g, {"-1073741825", "1", "收件人", "左边", "12.5mm", "", "abc", "30", "0.5",
                   "-2002.5",     "",  "宋体",   "10.5", "√",      "", "x",   "",   "0",
                   "2.5",         "7", "-9",     "3.5"});
    const auto r = ReadControlRow(g, 2);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->id, -1073741825);
    EXPECT_EQ(r->prompt, QStringLiteral("收件人"));
    EXPECT_EQ(r->side, 1);
    EXPECT_DOUBLE_EQ(r->x, 12.5);
    EXPECT_DOUBLE_EQ(r->y, 0);
    EXPECT_DOUBLE_EQ(r->w, 0); // not a number: 0, never a neighbour's value
    EXPECT_EQ(r->Alignment(), 2);
    EXPECT_DOUBLE_EQ(r->LineSpacing(), -2.5);
    EXPECT_TRUE(r->font.bold);
    EXPECT_FALSE(r->font.italic);
    EXPECT_TRUE(r->font.underline); // any non-empty text is true
    EXPECT_EQ(r->cash, 2); // halves to even
    EXPECT_EQ(r->sumId1, 4);
    EXPECT_EQ(r->color, 0);
    EXPECT_FALSE(ReadControlRow(g, 1));
    EXPECT_FALSE(ReadControlRow(g, 3));
}

TEST(ControlRow, WritesBackWhatItRead)
{
    GridModel g;
    OneRowGrid(g, {});
    ControlRow r;
    r.id = 42;
    r.cls = 3;
    r.prompt = QStringLiteral("线条");
    r.x = 12.345;
    r.h = 0.1;
    r.SetLineSpacing(0, 1);
    r.font.size = 2;
    r.cash = 1;
    r.sumId = -1073741826;
    ASSERT_TRUE(WriteControlRow(g, 2, r));
    EXPECT_EQ(g.text(2, ColX), QStringLiteral("12.345"));
    EXPECT_EQ(g.text(2, ColL), QStringLiteral("1000"));
    EXPECT_EQ(g.backColor(2, ColColor), kBlackCellColor);
    EXPECT_EQ(g.text(2, ColDir), QStringLiteral("上方"));
    EXPECT_EQ(ReadControlRow(g, 2), r);
    EXPECT_EQ(AppendControlRow(g, r), 3);
    EXPECT_EQ(g.text(3, ColSerial), QStringLiteral("2"));
}

TEST(ControlRow, WritingBackKeepsTheTextOfUnchangedCells)
{
    GridModel g;
    OneRowGrid(g, {"5",    "1", "", "左边", "1.50", "", "",  "", "", "", "",
                   "宋体", "9", "", "",     "",     "", "0", "", "", "", ""});
    auto r = ReadControlRow(g, 2);
    ASSERT_TRUE(r);
    r->y = 2;
    ASSERT_TRUE(WriteControlRow(g, 2, *r));
    EXPECT_EQ(g.text(2, ColX), QStringLiteral("1.50")); // same value: text kept
    EXPECT_EQ(g.text(2, ColY), QStringLiteral("2"));
    EXPECT_EQ(g.text(2, ColS), QStringLiteral("0")); // empty cells get their value
    EXPECT_EQ(g.text(2, ColDir), QStringLiteral("左边"));
}
