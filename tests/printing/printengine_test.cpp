// The print engine against the recording surface: offsets and placement,
// contents by class and data type, the ruler grid, the batch range, pages
// and history, failures that store nothing.

#include "platform/numtext.h"
#include "printfixture.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace lengths_literals;

namespace {

std::unique_ptr<RecordingPrinter> Recorder(RecordingSurface &s)
{
    return std::make_unique<RecordingPrinter>(s);
}

std::vector<SurfaceOp> TextsOf(const RecordingSurface &s)
{
    return s.ops(SurfaceOp::Text);
}

} // namespace

TEST(PrintEngine, OffsetsShiftEveryControl)
{
    const struct
    {
        QString ox, oy;
        double dx, dy; // mm the print moves right and down
    } cases[] = {{u"10"_s, u"10"_s, 0, 0}, {u"12"_s, u"10"_s, -2, 0}, {u"9.5"_s, u"13"_s, 0.5, -3}};
    for (const auto &c : cases) {
        PrintRig rig;
        rig.host.offsetX = c.ox;
        rig.host.offsetY = c.oy;
        rig.controls.Add(Box(0, 20, 30, 50, 10), u"甲"_s);
        rig.controls.Add(Box(3, 5, 6, 105, 6)); // a line: W and H are its end
        RecordingSurface s;
        rig.ui.next = Recorder(s);
        ASSERT_TRUE(print::PrintRecord(rig.ctx));
        ASSERT_EQ(TextsOf(s).size(), 1u);
        EXPECT_EQ(TextsOf(s)[0].x1, num::ToLong((20 + c.dx) * kTwipsPerMm));
        EXPECT_EQ(TextsOf(s)[0].y1, num::ToLong((30 + c.dy) * kTwipsPerMm));
        const auto lines = s.ops(SurfaceOp::Line);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_DOUBLE_EQ(lines[0].x1, (5 + c.dx) * kTwipsPerMm);
        EXPECT_DOUBLE_EQ(lines[0].x2, (105 + c.dx) * kTwipsPerMm);
        EXPECT_EQ(rig.stored.size(), 1u);
    }
}

TEST(PrintEngine, PlacementForLengthwiseAndCentringFeeds)
{
    // Printer page 11906 x 16838 twips; the format is 230 x 127 mm.
    const double pw = 11906, ph = 16838, w = 230 * kTwipsPerMm, h = 127 * kTwipsPerMm;
    const double x = 20 * kTwipsPerMm, y = 30 * kTwipsPerMm;
    const struct
    {
        qint32 lengthwise, centred;
        double px, py;
        QPageLayout::Orientation orientation;
    } cases[] = {
        {0, 0, x, y, QPageLayout::Portrait},
        {1, 0, x, y + (ph - h), QPageLayout::Landscape},
        {1, 1, x, y + (ph - h) / 2, QPageLayout::Landscape},
        {0, 1, x - (pw - w) / 2, y,
         QPageLayout::Portrait}, // the sign kept as stored formats expect
    };
    for (const auto &c : cases) {
        PrintRig rig;
        rig.host.options[1] = c.lengthwise;
        rig.host.options[3] = c.centred;
        rig.controls.Add(Box(4, 20, 30, 50, 10)); // a label
        rig.controls.grid.setText(rig.controls.rows.begin()->second, 2, u"标签"_s);
        RecordingSurface s;
        auto p = Recorder(s);
        QPageLayout::Orientation seen = QPageLayout::Portrait;
        p->seenOrientation = &seen;
        rig.ui.next = std::move(p);
        ASSERT_TRUE(print::PrintRecord(rig.ctx));
        ASSERT_FALSE(TextsOf(s).empty());
        EXPECT_NEAR(TextsOf(s)[0].x1, c.px, 0.5);
        EXPECT_NEAR(TextsOf(s)[0].y1, c.py, 0.5);
        EXPECT_EQ(seen, c.orientation);
    }
}

TEST(PrintEngine, ContentsByClassAndCode)
{
    PrintRig rig;
    rig.controls.Add(Box(1, 10, 10, 5, 5), u"1"_s); // ticked: √
    rig.controls.Add(Box(1, 20, 10, 5, 5), u"2"_s); // greyed: nothing
    rig.controls.Add(Box(2, 30, 10, 40, 15), QString()); // empty picture box: nothing
    fmtgrid::ControlRow right = Box(0, 10, 40, 50, 10, 114); // code 114 right-aligns
    right.packedL = 0;
    rig.controls.Add(right, u"壹"_s);
    rig.controls.Add(Box(0, 10, 60, 50, 10, 150), u"不打印"_s); // 120..200: nothing
    rig.controls.Add(Box(0, 10, 80, 60, 10, 205), u"12"_s); // five cells
    RecordingSurface s;
    rig.ui.next = Recorder(s);
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    QStringList printed;
    for (const SurfaceOp &t : TextsOf(s))
        if (t.text != u" "_s)
            printed << t.text;
    EXPECT_EQ(printed, (QStringList {u"壹"_s, u"1"_s, u"2"_s, u"√"_s})); // classes in order
    EXPECT_TRUE(s.ops(SurfaceOp::FilledBox).empty());
    // The right-aligned character ends one twip inside the box (a character
    // is half its size in points times 20 twips wide here).
    const SurfaceOp one = TextsOf(s)[0];
    EXPECT_NEAR(one.x1 + one.font.size * 10, 60 * kTwipsPerMm - 1, 1);
    // Digits over five 12 mm cells, left-aligned: "1" centred in the first.
    for (const SurfaceOp &t : TextsOf(s))
        if (t.text == u"1"_s)
            EXPECT_NEAR(t.x1 + t.font.size * 5, 16 * kTwipsPerMm, 1);

    // History: the ticked and the greyed box, the input boxes with text.
    ASSERT_EQ(rig.stored.size(), 1u);
    ASSERT_EQ(rig.stored[0].size(), 1u);
    QStringList values;
    for (const PageContent &c : rig.stored[0][0])
        values << c.value;
    EXPECT_EQ(values, (QStringList {u"壹"_s, u"不打印"_s, u"12"_s, u"1"_s, u"2"_s}));
}

TEST(PrintEngine, RulerGridCounts)
{
    PrintRig rig;
    rig.view.rulers = true;
    RecordingSurface s; // A4: 210 x 297 mm
    rig.ui.next = Recorder(s);
    ASSERT_TRUE(print::PrintRecord(rig.ctx));
    int vertical = 0, horizontal = 0, major = 0;
    for (const SurfaceOp &l : s.ops(SurfaceOp::Line)) {
        (l.x1 == l.x2 ? vertical : horizontal)++;
        if (l.drawWidth == 2) {
            ++major;
            EXPECT_EQ(l.color, 0);
        } else {
            EXPECT_EQ(l.color, 0x333333);
        }
    }
    EXPECT_EQ(vertical, 105); // 0 to 208 mm
    EXPECT_EQ(horizontal, 148); // 0 to 294 mm
    EXPECT_EQ(major, 21 + 30);
}

TEST(PrintEngine, BatchRanges)
{
    EXPECT_EQ(print::BatchRange(u"0:99999"_s, 40), std::make_pair(1, 40));
    EXPECT_EQ(print::BatchRange(u"5:3"_s, 40), std::make_pair(5, 3));
    EXPECT_EQ(print::BatchRange(u"2.5:7.5"_s, 40), std::make_pair(2, 8));
    EXPECT_EQ(print::BatchRange(u"7"_s, 40), std::make_pair(7, 7));
}

TEST(PrintEngine, BatchPrintsOnePagePerRecord)
{
    const struct
    {
        QString range;
        int pages;
        std::vector<qint32> shown;
    } cases[] = {
        {u"2:4"_s, 3, {3, 4, 5, 3}},
        {u"5:3"_s, 0, {3}}, // nothing printed; the current record shown again
        {u""_s, 0, {}}, // cancelled
    };
    for (const auto &c : cases) {
        PrintRig rig;
        const qint32 box = rig.controls.Add(Box(0, 10, 10, 50, 10));
        std::vector<qint32> shown;
        print::RecordScroll scroll {2, 6, [&](qint32 row) {
                                        shown.push_back(row);
                                        rig.controls.values[box] = u"第%1行"_s.arg(row);
                                    }};
        rig.ui.range = c.range;
        RecordingSurface s;
        rig.ui.next = Recorder(s);
        EXPECT_EQ(print::BatchPrint(rig.ctx, scroll), c.pages);
        EXPECT_EQ(rig.ui.askedValue, 2);
        EXPECT_EQ(rig.ui.askedMax, 6);
        EXPECT_EQ(shown, c.shown) << c.range.toStdString();
        EXPECT_EQ(s.ops(SurfaceOp::PageBreak).size(), size_t(std::max(0, c.pages - 1)));
        EXPECT_EQ(rig.stored.size(), c.pages ? 1u : 0u);
        if (c.pages)
            EXPECT_EQ(rig.stored[0].size(), size_t(c.pages));
        EXPECT_EQ(s.endDocCount(), c.range.isEmpty() ? 0 : 1);
    }
}

TEST(PrintEngine, FailedPrintsStoreNothing)
{
    ScriptedDialogs dlg;
    setDialogs(&dlg);
    PrintRig rig;
    rig.controls.Add(Box(0, 10, 10, 50, 10), u"x"_s);
    EXPECT_FALSE(print::PrintRecord(rig.ctx)); // chooser cancelled
    RecordingSurface s;
    s.failNextEndDoc();
    rig.ui.next = Recorder(s);
    EXPECT_FALSE(print::PrintRecord(rig.ctx));
    EXPECT_TRUE(rig.stored.empty());
    ASSERT_EQ(dlg.messages().size(), 1);
    EXPECT_TRUE(dlg.messages()[0].contains(u"没有记入历史记录"_s));

    // A printer that takes no custom paper: the message, then the current paper.
    dlg.Clear();
    rig.host.setPaper = true;
    RecordingSurface s2;
    auto p = Recorder(s2);
    p->customOk = false;
    rig.ui.next = std::move(p);
    EXPECT_TRUE(print::PrintRecord(rig.ctx));
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].title, u"添加自定义纸张错误！"_s);
    setDialogs(nullptr);
}

TEST(PrintEngine, CustomPaperChoice)
{
    const QList<QPageSize> offered {QPageSize(QPageSize::A4),
                                    QPageSize(QSizeF(180, 100), QPageSize::Millimeter),
                                    QPageSize(QSizeF(283, 510), QPageSize::Point)};
    // An offered paper of the size in whole points (100 × 180 mm is
    // 283.46 × 510.24 pt); a turned one does not count.
    auto p = ChooseCustomPaper(offered, std::nullopt, 100_mm, 180_mm);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->size(QPageSize::Point), QSizeF(283, 510));
    EXPECT_FALSE(ChooseCustomPaper(offered, std::nullopt, 100_mm, 181_mm));
    EXPECT_FALSE(ChooseCustomPaper(offered, std::nullopt, 100.2_mm, 180_mm));
    const CustomPaperRange range {QSizeF(50, 100), QSizeF(230, 300)};
    p = ChooseCustomPaper(offered, range, 230_mm, 127_mm);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->size(QPageSize::Millimeter).width(), 230, 0.01);
    EXPECT_NEAR(p->size(QPageSize::Millimeter).height(), 127, 0.01);
    // At a lower limit that is no whole point: the whole point above it.
    EXPECT_EQ(range.FedPoints(200_mm, 100_mm), QSizeF(567, 284));
    // Outside the range by more than half a point: none.
    EXPECT_FALSE(ChooseCustomPaper(offered, range, 230.2_mm, 127_mm));
    EXPECT_FALSE(ChooseCustomPaper(offered, range, 200_mm, 99.8_mm));
    // A width fixed at 175.75 pt holds no whole point: a side within half a
    // point of it goes at that width.
    const double roll = ToMm(Pt(175.75)).v;
    const CustomPaperRange fixed {QSizeF(roll, 20), QSizeF(roll, 1000)};
    EXPECT_EQ(fixed.FedPoints(62_mm, 150_mm), QSizeF(175.75, 425));
    EXPECT_FALSE(fixed.Holds(61.8_mm, 150_mm));
}
