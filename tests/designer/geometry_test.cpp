// Layout arithmetic, ruler grid and the control owner, without widgets.

#include "core/globals.h"
#include "designer/designcontrols.h"
#include "designer/pagegeometry.h"
#include "designer/rulers.h"
#include "platform/gridmodel.h"

#include <gtest/gtest.h>

using namespace dsg;

TEST(PageGeometry, SetPageSizeFollowsFrameWidthAndRatio)
{
    PageGeometry g;
    g.frameWidth = 15000;
    g.frameHeight = 9000;
    ASSERT_TRUE(g.SetPageSize(230, 127));
    EXPECT_DOUBLE_EQ(g.width, 15000);
    EXPECT_NEAR(g.height, 8282.6, 0.05);
    EXPECT_FALSE(g.vs.enabled);
    EXPECT_FALSE(g.phs.enabled);

    // 1.5 times the frame: a third hidden -> 5; three times -> 10.
    g.frameHeight = 10000;
    g.frameWidth = 10000;
    ASSERT_TRUE(g.SetPageSize(100, 150));
    EXPECT_TRUE(g.vs.enabled);
    EXPECT_EQ(g.vs.max, 5);
    ASSERT_TRUE(g.SetPageSize(100, 300));
    EXPECT_EQ(g.vs.max, 10);
    // Exactly as high as the frame: not scrollable, Max keeps its value.
    ASSERT_TRUE(g.SetPageSize(100, 100));
    EXPECT_FALSE(g.vs.enabled);
    EXPECT_EQ(g.vs.max, 10);
    // No ratio: refused, nothing changes.
    EXPECT_FALSE(g.SetPageSize(0, 100));
    EXPECT_FALSE(g.SetPageSize(100, 0));
    EXPECT_DOUBLE_EQ(g.height, 10000);
}

TEST(PageGeometry, ZoomKeepsScrollPositionAndStaysInBounds)
{
    PageGeometry g;
    g.frameWidth = 10000;
    g.frameHeight = 10000;
    ASSERT_TRUE(g.SetPageSize(100, 300)); // 10000 x 30000
    g.SetVScroll(5);
    EXPECT_DOUBLE_EQ(g.top, -20000);
    g.Zoom(0.1);
    EXPECT_NEAR(g.height, 33000, 1e-6);
    EXPECT_EQ(g.vs.max, 10);
    EXPECT_EQ(g.vs.value, 7);
    // Seven fifths of the hidden part would leave the frame empty below the
    // page: the page stops with its bottom edge on the frame's.
    EXPECT_NEAR(g.top, -23000, 1e-6);
    EXPECT_TRUE(g.phs.enabled);
    EXPECT_EQ(g.phs.max, 5);
    EXPECT_EQ(g.phs.value, 0);

    // Back to the frame's width, then below it: left and top go to 0.
    g.Zoom(g.FitFactor());
    EXPECT_NEAR(g.width, 10000, 1e-6);
    EXPECT_FALSE(g.phs.enabled);
    for (int i = 0; i < 40; ++i)
        g.Zoom(-0.1);
    EXPECT_NEAR(g.width, 10000 * kMinZoom, 1e-6);
    EXPECT_NEAR(g.height, 30000 * kMinZoom, 1e-6);
    EXPECT_EQ(g.left, 0);
    for (int i = 0; i < 80; ++i)
        g.Zoom(0.1);
    EXPECT_NEAR(g.width, 10000 * kMaxZoom, 1e-6);
    EXPECT_NEAR(g.height / g.width, 3.0, 1e-9);
}

TEST(PageGeometry, MainFormLayoutAndCentring)
{
    // 19200 x 14400 twips, 40-pixel taskbar at 15 twips per pixel.
    const qint16 taskbar = TaskbarHeight(14400, 960 - 40, 15);
    EXPECT_EQ(taskbar, 600);
    EXPECT_EQ(TaskbarHeight(14400, 960, 15), 0);
    const MainLayout m = ArrangeMainForm(19200, 14400, taskbar);
    EXPECT_EQ(m.form, QRectF(0, 0, 19200, 13800));
    EXPECT_DOUBLE_EQ(m.sst.width(), 19120);
    EXPECT_DOUBLE_EQ(m.sst.height(), 12800);
    EXPECT_EQ(m.pic, QRectF(0, 330, 19120, 12470));
    EXPECT_EQ(CenterPosition(19200, 14400, 600, 6000, 4000), QPointF(6600, 4900));
}

TEST(Rulers, GridOfA230By127Page)
{
    const double s = 56.0; // twips per mm
    const RulerPlan p = PlanRulers(230 * s, 127 * s, 230);
    int vertical = 0, cm = 0, horizontal = 0;
    for (const RulerLine &l : p.lines) {
        if (l.x1 == l.x2) {
            ++vertical;
            cm += l.color == kRulerCmColor;
        } else {
            ++horizontal;
        }
    }
    EXPECT_EQ(vertical, 116);
    EXPECT_EQ(cm, 24);
    EXPECT_EQ(horizontal, 64);
    // Column numbers 0..23 top and bottom, row numbers 1..12 left and right.
    ASSERT_EQ(p.texts.size(), size_t(24 * 2 + 12 * 2));
    EXPECT_EQ(p.texts.front().text, QStringLiteral("0"));
    EXPECT_EQ(p.texts[1].y, qint32(127 * s - 260));
    const RulerText &row9right = p.texts[48 + 2 * 8 + 1];
    EXPECT_EQ(row9right.text, QStringLiteral("9"));
    EXPECT_EQ(row9right.x, qint32(230 * s - 130));
    const RulerText &row10right = p.texts[48 + 2 * 9 + 1];
    EXPECT_EQ(row10right.text, QStringLiteral("10"));
    EXPECT_EQ(row10right.x, qint32(230 * s - 260));

    // 231 mm still ends at 230; 229.5 rounds to 230 and draws its line.
    auto lastX = [](const RulerPlan &pl) {
        double x = 0;
        for (const RulerLine &l : pl.lines)
            if (l.x1 == l.x2)
                x = l.x1;
        return x;
    };
    EXPECT_DOUBLE_EQ(lastX(PlanRulers(231 * s, 100 * s, 231)), 230 * s);
    EXPECT_DOUBLE_EQ(lastX(PlanRulers(229.5 * s, 100 * s, 229.5)), 230 * s);
    EXPECT_TRUE(PlanRulers(0, 100, 100).lines.empty());
    EXPECT_EQ(SmallTextByteCount(QStringLiteral("中文")), 4);
    EXPECT_EQ(SmallTextByteCount(QStringLiteral("12")), 2);
}

TEST(DesignControls, IndexesRangesAndLimit)
{
    DesignControls ctls;
    HookHandle counts = InstallCtlCountProvider([&](int c) { return ctls.Count(c); });
    ctls.ResetCtlCounters();
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(LastCtlID(c), c * 1000);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ctls.LoadElement(InputBox, 2 + i)->index, 1 + i);
    DesignControl *line = ctls.LoadElement(LineCtl, 5);
    EXPECT_EQ(line->index, 3001);
    EXPECT_EQ(ctls.GetCtlByIndex(3001), line);
    EXPECT_EQ(ctls.GetCtlByIndex(3002), nullptr);
    EXPECT_EQ(ctls.GetCtlByIndex(2000), nullptr);
    EXPECT_EQ(ctls.GetCtlByIndex(0), nullptr);
    EXPECT_EQ(LastCtlID(0), 3);
    EXPECT_NE(ctls.Label(3), nullptr);
    EXPECT_EQ(ctls.Label(3001), nullptr);
    // Templates: the line is black, the input box at its designed place.
    EXPECT_EQ(line->borderColor, 0);
    EXPECT_EQ(ctls.GetCtlByIndex(1)->left, 240);
    EXPECT_EQ(ctls.GetCtlByIndex(1)->height, 270);

    // A class holds at most 999 controls: the 1000th is refused, so the
    // index never reaches the check boxes' 1000.
    for (int i = 0; i < 996; ++i)
        ASSERT_NE(ctls.LoadElement(InputBox, 0), nullptr);
    EXPECT_EQ(ctls.Count(InputBox), 999);
    EXPECT_EQ(ctls.LoadElement(InputBox, 0), nullptr);
    EXPECT_EQ(ctls.GetCtlByIndex(999)->cls, InputBox);
    EXPECT_EQ(ctls.GetCtlByIndex(1000), nullptr);

    ctls.UnloadAllControls();
    EXPECT_EQ(LastCtlID(3), 3000);
    EXPECT_EQ(ctls.GetCtlByIndex(1), nullptr);
}

TEST(DesignControls, PromptLabelSides)
{
    DesignControl k;
    k.cls = InputBox;
    k.left = 1000;
    k.top = 500;
    k.width = 800;
    k.height = 300;
    PromptLabel l;
    l.width = 600;
    l.height = 210;
    PlaceLabel(k, l, 1);
    EXPECT_EQ(l.left, 400);
    EXPECT_EQ(l.top, 540);
    PlaceLabel(k, l, 0);
    EXPECT_EQ(l.top, 290);
    PlaceLabel(k, l, 2);
    EXPECT_EQ(l.left, 1800);
    PlaceLabel(k, l, 3);
    EXPECT_EQ(l.top, 800);
    PlaceLabel(k, l, 7); // any other side leaves it
    EXPECT_EQ(l.left, 1000);
    EXPECT_EQ(l.top, 800);
}
