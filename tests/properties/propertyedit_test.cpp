#include "core/controlrow.h"
#include "core/formatgrid.h"
#include "properties/propertyedit.h"

#include <gtest/gtest.h>

using namespace props;

TEST(PropertyEdit, LineSpacingShownFromColumnNine)
{
    const struct
    {
        double packed;
        const char *shown;
    } cases[] = {{-2002.5, "-2"}, {1000, "0"}, {2003, "3"}, {2.5, "2"}, {3.5, "4"}, {-0.4, "-0"}};
    for (const auto &c : cases)
        EXPECT_EQ(LineSpacingText(c.packed), QString::fromLatin1(c.shown)) << c.packed;
}

// Spacing and alignment are packed together; the part not edited stays.
TEST(PropertyEdit, EditsKeepTheUntouchedHalfOfColumnNine)
{
    fmtgrid::ControlRow r;
    r.packedL = -2002.5; // spacing -2.5, centred
    RowEdits e;
    e.alignment = 1;
    e.ApplyTo(r);
    EXPECT_EQ(r.packedL, -1002.5);
    RowEdits s;
    s.lineSpacing = 4;
    s.ApplyTo(r);
    EXPECT_EQ(r.packedL, 1004);
    EXPECT_TRUE(RowEdits().Empty());
}

TEST(PropertyEdit, RelatedBoxItemsPadTheIdAndKeepLongOnes)
{
    GridModel g;
    fmtgrid::LayoutFormatGrid(g);
    fmtgrid::ControlRow r;
    r.id = 12;
    r.prompt = QStringLiteral("收件人");
    fmtgrid::AppendControlRow(g, r);
    r.id = 1234567;
    r.prompt = QStringLiteral("电话");
    fmtgrid::AppendControlRow(g, r);
    r.id = 20;
    r.cls = 1; // a check box is no related box
    fmtgrid::AppendControlRow(g, r);
    const BoxList l = RelatedBoxList(g, -1, -1234567);
    EXPECT_EQ(l.items,
              (QStringList {QStringLiteral("000000｜没有相关联输入框"),
                            QStringLiteral("000012｜收件人"), QStringLiteral("1234567｜电话")}));
    EXPECT_EQ(l.shown, 2);
    EXPECT_EQ(RelatedBoxList(g, -1, 99).shown, 0);
}
