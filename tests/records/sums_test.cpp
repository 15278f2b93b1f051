// Sums, products and linked boxes over a page of input boxes, with stored
// and not-yet-saved (temporary) IDs alike.

#include "core/formatgrid.h"
#include "records/sums.h"
#include "support/testenv.h"
#include "testpage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using fmtgrid::EncodeSumRef;

namespace {

// IDs of the boxes of one case: stored (101, 102, ...) or temporary.
qint64 Id(bool temp, int n)
{
    return temp ? -(fmtgrid::kTempIdBase + n) : 100 + n;
}

struct Box
{
    qint32 cash = 0;
    QString text;
    int add = 0, add1 = 0; // box numbers added into through SumID / SumID1
    int mul = 0, mul1 = 0; // box numbers multiplied into
    int link = 0; // RCtl
};

struct SumCase
{
    const char *name;
    std::vector<Box> boxes;
    std::vector<QString> expected;
};

void Build(TestPage &page, const std::vector<Box> &boxes, bool temp)
{
    const auto ref = [&](int add, int mul) -> qint64 {
        if (add)
            return EncodeSumRef(Id(temp, add), false);
        if (mul)
            return EncodeSumRef(Id(temp, mul), true);
        return 0;
    };
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Box &b = boxes[i];
        page.Add(Row(0, Id(temp, int(i) + 1), b.cash, b.link ? Id(temp, b.link) : 0,
                     ref(b.add, b.mul), ref(b.add1, b.mul1)),
                 b.text);
    }
}

} // namespace

class Sums : public DataDirTest
{
};

TEST_F(Sums, SumsAndProductsWithStoredAndTemporaryIds)
{
    const std::vector<SumCase> cases = {
        {"two boxes into a money total",
         {{0, u"100"_s, 3}, {0, u"￥1,200.50"_s, 0, 3}, {104, {}}},
         {u"100"_s, u"￥1,200.50"_s, u"￥1,300.50"_s}},
        {"SumID wins over SumID1", {{0, u"5"_s, 2, 3}, {0, {}}, {0, {}}}, {u"5"_s, u"5"_s, {}}},
        {"factors multiply",
         {{0, u"3"_s, 0, 0, 3}, {0, u"2.5"_s, 0, 0, 0, 3}, {0, {}}},
         {u"3"_s, u"2.5"_s, u"7.5"_s}},
        {"an empty factor empties the product",
         {{0, u"3"_s, 0, 0, 3}, {0, {}, 0, 0, 3}, {0, u"9"_s}},
         {u"3"_s, {}, {}}},
        {"one box adds into one target and multiplies into another",
         {{0, u"4"_s, 2, 0, 0, 3}, {0, {}}, {0, {}}, {0, u"2"_s, 0, 0, 0, 3}},
         {u"4"_s, u"4"_s, u"8"_s, u"2"_s}},
        {"a percent counts a hundredth", {{0, u"50%"_s, 2}, {0, {}}}, {u"50%"_s, u"0.5"_s}},
        {"a target that is no box is passed over", {{0, u"7"_s, 9}}, {u"7"_s}},
    };
    for (const bool temp : {false, true})
        for (const SumCase &c : cases) {
            TestPage page;
            Build(page, c.boxes, temp);
            rec::RecalcProducts(page);
            rec::RecalcSums(page);
            for (size_t i = 0; i < c.expected.size(); ++i)
                EXPECT_EQ(page.Text(qint32(i) + 1), c.expected[i])
                    << c.name << (temp ? " (temporary IDs)" : "") << ", box " << i + 1;
        }
}

TEST_F(Sums, UnchangedTotalWritesNothingAndWalksNoChain)
{
    TestPage page;
    // Box 2 is the total, linked to box 3, which stays as it is.
    Build(page, {{0, u"12.5"_s, 2}, {0, u"12.5"_s, 0, 0, 0, 0, 3}, {0, u"old"_s}}, false);
    rec::RecalcSums(page);
    EXPECT_EQ(page.Text(3), u"old"_s);
    page.At(1).value = u"13"_s;
    rec::RecalcSums(page);
    EXPECT_EQ(page.Text(2), u"13"_s);
    EXPECT_EQ(page.Text(3), u"13"_s);
}

TEST_F(Sums, LinkedChains)
{
    // A (103) <-> B (104): each converted once, the capitals handed on as digits.
    {
        TestPage page;
        Build(page, {{103, u"壹佰元整"_s, 0, 0, 0, 0, 2}, {104, {}, 0, 0, 0, 0, 1}}, true);
        rec::ConvertLinkedBoxes(page, 1);
        EXPECT_EQ(page.Text(1), u"壹佰元整"_s);
        EXPECT_EQ(page.Text(2), u"￥100.00"_s);
    }
    // A -> B -> C -> B never returns to A: 101 rounds, then it stops.
    {
        TestPage page;
        Build(page, {{0, u"x"_s, 0, 0, 0, 0, 2}, {0, {}, 0, 0, 0, 0, 3}, {0, {}, 0, 0, 0, 0, 2}},
              false);
        std::vector<qint32> visited;
        rec::WalkLinkedChain(page, 1, true, [&](qint32 i) { visited.push_back(i); });
        EXPECT_EQ(visited.size(), 101u);
        EXPECT_EQ(page.Text(3), u"x"_s);
    }
    // Cells and digits over cells get a border; plain text none.
    {
        TestPage page;
        Build(page, {{5, u"12"_s, 0, 0, 0, 0, 2}, {0, {}}}, false);
        rec::ConvertLinkedBoxes(page, 1);
        EXPECT_EQ(page.At(1).border, 1);
        EXPECT_EQ(page.At(2).border, 0);
        EXPECT_EQ(page.Text(2), u"￥12.00"_s);
    }
}
