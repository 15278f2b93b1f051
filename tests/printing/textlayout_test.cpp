// Text layout on the printer against the recording surface: a character is
// 0.5 x size x 20 twips wide and a line 1.2 x size x 20 high, so at 10
// points a character is 100 twips and a line 240.

#include "printing/textlayout.h"
#include "records/valueconversion.h"
#include "support/recordingsurface.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace lengths_literals;
using namespace layout;

namespace {

struct Printed
{
    QString text;
    double x, y;
};

std::vector<Printed> Texts(const RecordingSurface &s)
{
    std::vector<Printed> out;
    for (const SurfaceOp &op : s.ops(SurfaceOp::Text))
        out.push_back({op.text, op.x1, op.y1});
    return out;
}

RecordingSurface TenPoint()
{
    RecordingSurface s;
    s.SetFontSize(10);
    return s;
}

} // namespace

TEST(TextLayout, PackedValues)
{
    const struct
    {
        double packed;
        qint32 align;
        double spacing;
    } cases[] = {{2003.4, 2, 3}, {-1002, 1, -2}, {0, 0, 0}, {1000, 1, 0}, {-3.5, 0, -4}};
    for (const auto &c : cases) {
        EXPECT_EQ(AlignmentOfPacked(c.packed), c.align) << c.packed;
        EXPECT_EQ(SpacingOfPacked(c.packed), c.spacing) << c.packed;
    }
}

TEST(TextLayout, BlockLinesAndEmptyLine)
{
    RecordingSurface s = TenPoint();
    PrintTextBlock(s, u"AB\r\n\r\nC"_s, 1000_tw, 2000_tw, 5000_tw, 0_tw, 30_tw, 0);
    const auto t = Texts(s);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].text, u"A"_s);
    EXPECT_EQ(t[0].y, 2000);
    EXPECT_EQ(t[1].x, 1100);
    EXPECT_EQ(t[2].text, u"C"_s);
    EXPECT_EQ(t[2].y, 2000 + 2 * (240 + 30 + 1)); // the empty line takes its height
}

TEST(TextLayout, WrappingAndAlignment)
{
    RecordingSurface s = TenPoint();
    // Three characters with two gaps of 10 fit 320 exactly: no wrap.
    EXPECT_EQ(WrapText(s, u"ABC"_s, 320_tw, 10_tw), QStringList {u"ABC"_s});
    EXPECT_EQ(WrapText(s, u"ABC"_s, 319_tw, 10_tw), (QStringList {u"AB"_s, u"C"_s}));
    // A box narrower than a character still takes one per line.
    EXPECT_EQ(WrapText(s, u"中文"_s, 50_tw, 0_tw), (QStringList {u"中"_s, u"文"_s}));

    const struct
    {
        qint32 align;
        double firstX;
    } cases[] = {{0, 1000}, {1, 1000 + 1000 - 200 - 2 * 10 - 1}, {2, 1000 + 390}};
    for (const auto &c : cases) {
        RecordingSurface r = TenPoint();
        PrintTextBlock(r, u"AB"_s, 1000_tw, 0_tw, 1000_tw, 10_tw, 0_tw, c.align);
        ASSERT_FALSE(Texts(r).empty());
        EXPECT_EQ(Texts(r)[0].x, c.firstX) << c.align; // centre: CLng(779 / 2) = 390
        EXPECT_EQ(Texts(r)[1].x, c.firstX + 110);
    }
}

TEST(TextLayout, TextInCells)
{
    // Six cells of 200 twips from x = 0; each character centred in its cell.
    const struct
    {
        QString text;
        qint32 align;
        double firstX; // left of the first printed character (spaces included)
    } cases[] = {
        {u"12345"_s, 1, 250}, // the first cell stays empty
        {u"12345"_s, 2, 50}, // Int(1 / 2) = 0 spaces
        {u"1234567"_s, 1, -150}, // starts one cell left of the box
        {u"1234567"_s, 0, 50},
    };
    for (const auto &c : cases) {
        RecordingSurface s = TenPoint();
        PrintTextInCells(s, c.text, 0_tw, 0_tw, 1200_tw, 6, c.align);
        double first = 1e9;
        for (const auto &t : Texts(s))
            if (t.text != u" "_s)
                first = std::min(first, t.x);
        EXPECT_EQ(first, c.firstX) << c.text.toStdString() << " " << c.align;
    }
}

TEST(TextLayout, AmountsOverCells)
{
    const auto money = [](const QString &t) { return conv::FormatMoney(t); };
    const struct
    {
        QString value;
        qint32 cells;
        QString printed; // the non-blank characters in order
        double firstX; // where the first of them sits (cells of 100 from 0)
    } cases[] = {
        {u"12.5"_s, 7, u"￥1250"_s, 200}, // the last five of seven cells
        {u"123456.78"_s, 8, u"12345678"_s, 0}, // "￥" dropped first
        {u"1234567.89"_s, 8, u"123456789"_s, -100}, // one digit left of the box
    };
    for (const auto &c : cases) {
        RecordingSurface s = TenPoint();
        PrintAmountInCells(s, c.value, 0_tw, 0_tw, Twips(100.0 * c.cells), c.cells, money);
        QString printed;
        double first = 1e9;
        for (const auto &t : Texts(s))
            if (t.text != u" "_s) {
                printed += t.text;
                first = std::min(first, t.x);
            }
        EXPECT_EQ(printed, c.printed);
        // A character fills its 100-twip cell here ("￥" as well).
        EXPECT_EQ(first, c.firstX) << c.value.toStdString();
    }
    RecordingSurface e = TenPoint();
    PrintAmountInCells(e, QString(), 0_tw, 0_tw, 700_tw, 7, money);
    EXPECT_TRUE(e.ops().empty());
}

TEST(TextLayout, FontFittingIsClosestAndNeverNegative)
{
    // The sample is 12 characters: 120 twips per point; 0.1-point steps
    // from where the coarse search stops come within 0.05 point.
    const struct
    {
        double target, size;
    } cases[] = {{1212, 10.1}, {1200, 10}, {3000, 25}, {500, 4.2}, {0, 0}};
    for (const auto &c : cases) {
        RecordingSurface s;
        const double size = FitPrinterFontSize(s, Twips(c.target), true);
        EXPECT_NEAR(size, c.size, 0.05) << c.target;
        EXPECT_GE(size, 0);
        EXPECT_TRUE(s.Font().bold);
    }
}
