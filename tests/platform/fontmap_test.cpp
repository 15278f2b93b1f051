// The one font and pen mapping: Windows faces substituted, the printer's
// drawing styles and a line's border styles (one higher) mapped to Qt pens.

#include "platform/fontmap.h"

#include <gtest/gtest.h>

TEST(FontMap, SubstitutesWindowsFacesOnly)
{
    EXPECT_EQ(fontmap::SubstituteFace(QStringLiteral("宋体")), QStringLiteral("AR PL UMing CN"));
    EXPECT_EQ(fontmap::SubstituteFace(QStringLiteral("SimHei")),
              QStringLiteral("WenQuanYi Zen Hei"));
    EXPECT_EQ(fontmap::SubstituteFace(QStringLiteral("楷体")), QStringLiteral("楷体"));
}

TEST(FontMap, DrawStylesAndLineBorderStyles)
{
    struct Case
    {
        qint32 style;
        int width;
        Qt::PenStyle draw; // printer DrawStyle
        Qt::PenStyle line; // a line's border style
    };
    const Case cases[] = {
        {0, 1, Qt::SolidLine, Qt::NoPen},      {1, 1, Qt::DashLine, Qt::SolidLine},
        {2, 1, Qt::DotLine, Qt::DashLine},     {3, 1, Qt::DashDotLine, Qt::DotLine},
        {5, 1, Qt::NoPen, Qt::DashDotDotLine}, {6, 1, Qt::SolidLine, Qt::SolidLine},
        {2, 3, Qt::SolidLine, Qt::SolidLine}, // dashes only one pixel wide
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fontmap::ToPenStyle(c.style, c.width), c.draw) << c.style;
        EXPECT_EQ(fontmap::LinePenStyle(c.style, c.width), c.line) << c.style;
    }
}
