// Editing on the page through the handlers, called with twips as the
// window delivers them: selection, rubber band, drags, line hit test,
// control operations, pop-up menu items and input boxes in use.

#include "core/controlrow.h"
#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/settings.h"
#include "designer/controlops.h"
#include "designer/linehit.h"
#include "designer/mainstate.h"
#include "designer/pageeditor.h"
#include "designer/popupmenu.h"
#include "designer/selection.h"
#include "platform/numtext.h"
#include "platform/screenscale.h"
#include "properties/ctlaccessors.h"
#include "support/testenv.h"
#include "testformat.h"

using namespace dsg;

namespace {

const QString kFmt = QStringLiteral("中通");

class EditingTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        screen::SetTwipsPerPixel(15);
        TheStartupRecord = StartupRecord();
        // 200 x 100 mm in a 15000-twip frame: 75 twips per mm, page 15000 x 7500.
        testfmt::WriteHeader(kFmt, 200, 100, 15360);
        idA = testfmt::WriteRow(kFmt, {0, QStringLiteral("收件人1"), 20, 10, 40, 6, "1", 9});
        idB = testfmt::WriteRow(kFmt, {0, QStringLiteral("电话"), 20, 30, 12, 6, "1", 9, 11});
        idC = testfmt::WriteRow(kFmt, {0, QStringLiteral("地址"), 20, 50, 16, 6, "1", 9, 115});
        testfmt::WriteRow(kFmt, {1, QStringLiteral("到付"), 100, 10, 4, 4, "2"});
        testfmt::WriteRow(kFmt, {2, QStringLiteral("条码"), 120, 40, 60, 20, "3"});
        testfmt::WriteRow(kFmt, {3, QStringLiteral("线条"), 10, 80, 190, 80, "0", 1});
        testfmt::WriteRow(kFmt, {4, QStringLiteral("寄件"), 150, 5, 30, 8, "0", 14});
        testfmt::SetLastFormat(kFmt);
        s = std::make_unique<MainState>();
        s->SetScreenWidthTwips(15360);
        s->SetFrameSize(15000, 6000);
        s->Load();
        ed = std::make_unique<PageEditor>(*s);
    }
    void TearDown() override
    {
        ed.reset();
        s.reset();
        screen::SetTwipsPerPixel(0);
        DataDirTest::TearDown();
    }
    DesignControl &C(qint32 i) { return *s->GetCtlByIndex(i); }
    fmtgrid::ControlRow Row(qint32 i)
    {
        return *fmtgrid::ReadControlRow(s->FormatGrid(), C(i).Row());
    }
    void Select(std::initializer_list<qint32> indexes)
    {
        for (qint32 i : indexes)
            SetControlSelected(*s, C(i), false);
    }
    std::vector<qint32> Selected()
    {
        std::vector<qint32> v;
        s->Controls().ForEach([&](DesignControl &c) {
            if (IsControlSelected(c))
                v.push_back(c.index);
        });
        return v;
    }

    std::unique_ptr<MainState> s;
    std::unique_ptr<PageEditor> ed;
    qint64 idA = 0, idB = 0, idC = 0;
};

DesignControl Line(qint32 x1, qint32 y1, qint32 x2, qint32 y2, qint32 width = 1)
{
    DesignControl l = DesignControls::Template(LineCtl);
    l.x1 = x1, l.y1 = y1, l.x2 = x2, l.y2 = y2, l.borderWidth = width;
    return l;
}

} // namespace

TEST(LineHit, CodesAroundHorizontalVerticalAndWideLines)
{
    const DesignControl h = Line(1000, 1000, 3000, 1000), v = Line(1000, 1000, 1000, 3000);
    const DesignControl wide = Line(1000, 1000, 3000, 1000, 4);
    struct Case
    {
        const DesignControl *line;
        double x, y;
        int code;
    } cases[] = {
        {&h, 2000, 1030, kLineBody},      {&h, 2000, 1031, kLineMiss},
        {&h, 1030, 970, kLineFirstEnd},   {&h, 3030, 1030, kLineSecondEnd},
        {&h, 969, 1000, kLineMiss},       {&v, 1020, 2000, kLineBody},
        {&v, 1000, 3020, kLineSecondEnd}, {&v, 1031, 2000, kLineMiss},
        {&wide, 2000, 1060, kLineBody},   {&wide, 2000, 1061, kLineMiss},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsPointOnLine(*c.line, c.x, c.y, 15), c.code) << c.x << "," << c.y;
    EXPECT_EQ(LineTolerance(1, 15), 30);
    EXPECT_EQ(LineTolerance(4, 15), 60);
}

TEST(Selection, RectangleMeetsBoxesByTouchAndLinesByEndPoints)
{
    DesignControl box = DesignControls::Template(InputBox);
    box.left = 1000, box.top = 1000, box.width = 500, box.height = 300;
    EXPECT_TRUE(ControlInRect(box, 1500, 900, 2000, 1100)); // touches the right edge
    EXPECT_TRUE(ControlInRect(box, 2000, 1100, 1500, 900)); // drawn the other way
    EXPECT_FALSE(ControlInRect(box, 1501, 900, 2000, 1100));
    const DesignControl l = Line(0, 2000, 5000, 2000);
    EXPECT_FALSE(ControlInRect(l, 2000, 1900, 3000, 2100)); // crosses the middle only
    EXPECT_TRUE(ControlInRect(l, 4000, 2100, 5000, 1900));
}

TEST_F(EditingTest, BandReplacesOrAddsToTheSelection)
{
    // Over the three input boxes (x 1500.., y 750..4200), not the rest.
    SelectInRect(*s, {1400, 700, 2000, 4000}, 0);
    EXPECT_EQ(Selected(), (std::vector<qint32> {1, 2, 3}));
    EXPECT_EQ(CountSelected(s->Controls()), 3);
    // With Ctrl a band over nothing changes nothing; without, it clears.
    SelectInRect(*s, {100, 7000, 200, 7100}, 2);
    EXPECT_EQ(Selected().size(), 3u);
    SelectInRect(*s, {100, 7000, 200, 7100}, 0);
    EXPECT_TRUE(Selected().empty());
    Select({1001, 3001});
    EXPECT_EQ(CountSelected(s->Controls()), 0); // check boxes and lines do not count
    // A deselected line takes its stored colour back.
    SetControlSelected(*s, C(3001), true);
    EXPECT_EQ(C(3001).borderColor, Row(3001).color);
}

TEST_F(EditingTest, MovesAndSizesStayOnThePageAndReachTheRow)
{
    DesignControl &a = C(1);
    MoveCtl(*s, 20000, 0, a, kPointerDefault);
    EXPECT_EQ(a.left, 15000 - 3000);
    EXPECT_DOUBLE_EQ(Row(1).x, 160); // 12000 twips at 75 per mm
    Select({1, 2});
    C(2).left = 0;
    MoveSelectedCtls(*s, -10, 0, -1, kPointerDefault);
    EXPECT_EQ(a.left, 11990);
    EXPECT_EQ(C(2).left, 0);
    SizeCtl(*s, 0, -10000, a);
    EXPECT_EQ(a.height, 0);
    SizeCtl(*s, 0, 100000, a);
    EXPECT_EQ(a.top + a.height, 7500);
    // Pointer 8 moves only the line's second end point.
    DesignControl &l = C(3001);
    const qint32 x1 = l.x1, x2 = l.x2;
    MoveCtl(*s, -100, 0, l, kPointerSize);
    EXPECT_EQ(l.x1, x1);
    EXPECT_EQ(l.x2, x2 - 100);
    EXPECT_NEAR(Row(3001).w, (x2 - 100) / 75.0, 0.001);
}

TEST_F(EditingTest, ArrowKeysMoveSizeAndStepTheFont)
{
    Select({1, 1001, 3001});
    const qint32 w = C(1).width, cw = C(1001).width, top = C(1).top;
    CtlKeyMove(*s, 37, 1, 0); // Shift+Left
    EXPECT_EQ(C(1).width, w - 10);
    EXPECT_EQ(C(1001).width, cw);
    CtlKeyMove(*s, 40, 0, 0); // Down
    EXPECT_EQ(C(1).top, top + 10);
    CtlKeyMove(*s, 38, 2, 0); // Ctrl+Up
    EXPECT_DOUBLE_EQ(Row(1).font.size, 8.5);
    EXPECT_DOUBLE_EQ(Row(3001).font.size, 0.5); // the line's width column
    CtlKeyMove(*s, 39, 2, 0); // Ctrl+Right
    EXPECT_DOUBLE_EQ(Row(3001).font.size, 1);
    CtlKeyMove(*s, 37, 4, 0); // Alt does nothing
    EXPECT_EQ(C(1).width, w - 10);
    // A step never makes a size of 0 or less.
    for (int i = 0; i < 40; ++i)
        CtlKeyMove(*s, 37, 2, 0);
    EXPECT_DOUBLE_EQ(Row(1).font.size, 0.5);
}

TEST_F(EditingTest, AlignmentAsksProposesAndCancelChangesNothing)
{
    C(1).width = 900;
    C(2).width = 1200;
    Select({1, 2, 1001});
    const qint32 checkWidth = C(1001).width;
    dlg.Queue(std::nullopt);
    AlignSelectedCtls(*s, 4);
    ASSERT_EQ(dlg.shown().back().kind, QStringLiteral("input"));
    EXPECT_EQ(dlg.shown().back().preset, QStringLiteral("16")); // 1200 twips
    EXPECT_EQ(C(1).width, 900);
    dlg.Queue(QString());
    AlignSelectedCtls(*s, 0);
    EXPECT_EQ(C(1).top, 750); // an empty answer moves nothing
    dlg.Queue(QStringLiteral("20"));
    AlignSelectedCtls(*s, 4);
    EXPECT_EQ(C(1).width, 1500);
    EXPECT_EQ(C(2).width, 1500);
    EXPECT_EQ(C(1001).width, checkWidth);
    EXPECT_DOUBLE_EQ(Row(1).w, 20);
    Select({});
    s->Controls().ForEach([&](DesignControl &c) { SetControlSelected(*s, c, true); });
    AlignSelectedCtls(*s, 1);
    EXPECT_EQ(dlg.messages().back(), QStringLiteral("请先选定多个输入框，再操作此功能！"));
}

TEST_F(EditingTest, DragMovesPastTwelveTwipsAndResizesFromTheCorner)
{
    DesignControl &a = C(1);
    const qint32 left = a.left, top = a.top;
    ed->CtlMouseMove(1, 0, 0, 50, 50); // upper-left zone
    EXPECT_EQ(ed->CtlPointer(1), kPointerMove);
    EXPECT_EQ(a.toolTip,
              QStringLiteral("提示：按住鼠标左键(别松开),拖动鼠标,即可移动本输入框位置。"));
    ed->CtlMouseMove(1, 1, 0, 62, 62);
    EXPECT_EQ(a.left, left);
    ed->CtlMouseMove(1, 1, 0, 63, 50);
    EXPECT_EQ(a.left, left + 13);
    EXPECT_EQ(a.top, top);
    // Lower-right: size; a check box is offered no size zone.
    ed->CtlMouseMove(1, 0, 0, 2950, 420);
    EXPECT_EQ(ed->CtlPointer(1), kPointerSize);
    ed->CtlMouseMove(1, 1, 0, 3050, 470);
    EXPECT_EQ(a.width, 3100);
    EXPECT_EQ(a.height, 500);
    ed->CtlMouseMove(1001, 0, 0, 290, 290);
    EXPECT_NE(ed->CtlPointer(1001), kPointerSize);
    // The middle zone: a drag moves nothing.
    ed->CtlMouseMove(1, 0, 0, 1500, 200);
    EXPECT_EQ(ed->CtlPointer(1), kPointerText);
    ed->CtlMouseMove(1, 1, 0, 1800, 200);
    EXPECT_EQ(a.left, left + 13);
    // Locked: the default pointer, the tool tip stays.
    s->SetOption(2, 1);
    const QString tip = a.toolTip;
    ed->CtlMouseMove(1, 0, 0, 50, 50);
    EXPECT_EQ(ed->CtlPointer(1), kPointerDefault);
    EXPECT_EQ(a.toolTip, tip);
}

TEST_F(EditingTest, ClicksFlipOnlyWithCtrlAloneAndRightClickShowsTheClassItems)
{
    for (qint32 i : {1, 1001, 2001, 4001}) {
        ed->CtlMouseDown(i, 1, 0, 10, 10);
        EXPECT_FALSE(IsControlSelected(C(i))) << i;
        ed->CtlMouseDown(i, 1, 3, 10, 10);
        EXPECT_FALSE(IsControlSelected(C(i))) << i;
        ed->CtlMouseDown(i, 1, 2, 10, 10);
        EXPECT_TRUE(IsControlSelected(C(i))) << i;
    }
    C(2).backColor = kChainColor;
    ed->CtlMouseDown(1, 2, 2, 10, 10); // with Ctrl the highlight stays
    EXPECT_EQ(C(2).backColor, kChainColor);
    ed->CtlMouseDown(1, 2, 0, 10, 10);
    EXPECT_EQ(C(2).backColor, kWhite);
    ed->CtlMouseDown(1001, 2, 0, 10, 10);
    ed->CtlMouseDown(2001, 2, 0, 10, 10);
    std::vector<QString> menus;
    for (const auto &sh : dlg.shown())
        if (sh.kind == QStringLiteral("menu"))
            menus.push_back(sh.text);
    ASSERT_EQ(menus.size(), 4u);
    EXPECT_EQ(menus[1], QStringLiteral("设置内容框\n-\n建立关联链\n-\n复制文本\n粘贴文本"));
    EXPECT_EQ(menus[2], QStringLiteral("设置内容框"));
    EXPECT_EQ(menus[3], QStringLiteral("设置内容框\n-\n添加  图片\n输入条形码"));
    EXPECT_EQ(ed->MenuCtl(), 2001);
}

TEST_F(EditingTest, PageBandLineHoverAndLineDrag)
{
    ed->PG_MouseDown(1, 0, 1400, 700);
    ed->PG_MouseMove(1, 0, 1500, 800); // 100 twips: not yet
    EXPECT_FALSE(ed->BandShown());
    ed->PG_MouseMove(1, 0, 2000, 4000);
    EXPECT_TRUE(ed->BandShown());
    EXPECT_EQ(Selected(), (std::vector<qint32> {1, 2, 3}));
    ed->PG_MouseUp(1, 0, 2000, 4000);
    EXPECT_FALSE(ed->BandShown());
    EXPECT_EQ(Selected().size(), 3u);
    // A right click on empty page: the page menu, then the last band again.
    dlg.Queue(-1);
    ed->PG_MouseDown(2, 0, 12000, 7000);
    EXPECT_EQ(dlg.shown().back().text,
              QStringLiteral("自动生成日期\n-\n清空内容框\n-\n更换背景图\n清除背景图"));
    EXPECT_EQ(Selected().size(), 3u);
    ed->PG_MouseDown(1, 0, 12000, 7000); // plain click on empty page clears
    EXPECT_TRUE(Selected().empty());

    // The line runs from (750, 6000) to (14250, 6000).
    DesignControl &l = C(3001);
    ed->PG_MouseMove(0, 0, 760, 6010);
    EXPECT_EQ(ed->PagePointer(), kPointerMove);
    ed->PG_MouseMove(0, 0, 5000, 6000); // onto the body: the end pointer stays
    EXPECT_EQ(ed->PagePointer(), kPointerMove);
    ed->PG_MouseMove(0, 0, 5000, 6500);
    EXPECT_EQ(ed->PagePointer(), kPointerDefault);
    ed->PG_MouseMove(0, 0, 760, 6010);
    ed->PG_MouseDown(1, 0, 760, 6010);
    ed->PG_MouseMove(1, 0, 860, 5810);
    EXPECT_EQ(l.x1, 850);
    EXPECT_EQ(l.y1, 5800);
    EXPECT_EQ(l.x2, 14250); // only the first end
    ed->PG_MouseUp(1, 0, 860, 5810);
    EXPECT_EQ(ed->PagePointer(), kPointerDefault);
    // Locked: moves reset the pointer, presses do nothing.
    s->SetOption(2, 1);
    ed->PG_MouseMove(0, 0, 5000, 6000);
    EXPECT_EQ(ed->PagePointer(), kPointerDefault);
}

TEST_F(EditingTest, CopyControlsNumbersCaptionsAndOffsetsEachCopy)
{
    DesignControl &a = C(1);
    a.left = 3000, a.top = 2000;
    dlg.Queue(QStringLiteral("3"));
    CopyControls(*s, a);
    ASSERT_EQ(s->Controls().Count(InputBox), 6);
    for (qint32 k = 1; k <= 3; ++k) {
        const DesignControl &c = C(3 + k);
        EXPECT_EQ(c.left, 3000 - 200 * k);
        EXPECT_EQ(c.top, 2000 - 200 * k);
        EXPECT_FALSE(IsControlSelected(c));
        EXPECT_EQ(s->Controls().Label(c.index)->caption,
                  NumberedCaption(QStringLiteral("收件人1"), k));
        EXPECT_NEAR(Row(3 + k).x, (3000 - 200 * k) / 75.0, 0.001);
    }
    EXPECT_EQ(s->Controls().Label(4)->caption, QStringLiteral("收件人2"));
    EXPECT_TRUE(IsControlSelected(C(1)));
    EXPECT_EQ(NumberedCaption(QStringLiteral("电话"), 2), QStringLiteral("电话2"));
    dlg.Queue(std::nullopt);
    CopyControls(*s, a);
    EXPECT_EQ(s->Controls().Count(InputBox), 6);
}

TEST_F(EditingTest, LinkChainRingAndHighlightOnFocus)
{
    Select({2, 3});
    BuildLinkChain(*s, C(1));
    EXPECT_EQ(GetCtlRCtl(1), GetCtlID(2).value());
    EXPECT_EQ(GetCtlRCtl(2), GetCtlID(3).value());
    EXPECT_EQ(GetCtlRCtl(3), GetCtlID(1).value());
    Select({});
    s->Controls().ForEach([&](DesignControl &c) { SetControlSelected(*s, c, true); });
    ed->TT_GotFocus(1);
    for (qint32 i : {1, 2, 3})
        EXPECT_EQ(C(i).backColor, kChainColor) << i;
    // A selected box in the chain keeps its grey; focusing a selected box
    // highlights nothing.
    ed->CtlMouseDown(1, 1, 0, 0, 0);
    Select({2});
    ed->TT_GotFocus(1);
    EXPECT_EQ(C(2).backColor, kWhite);
    ed->CtlMouseDown(1, 1, 0, 0, 0);
    ed->TT_GotFocus(2);
    EXPECT_EQ(C(3).backColor, kWhite);
}

TEST_F(EditingTest, InputBoxKeysTicksAndHistoryDropDown)
{
    struct Case
    {
        qint32 box;
        int key;
        bool passes;
    } cases[] = {{2, 'a', false}, {2, '-', false}, {2, '7', true},
                 {2, '.', true},  {2, 8, true},    {1, 'a', true}};
    for (const Case &c : cases) {
        int key = c.key;
        ed->TT_KeyPress(c.box, key);
        EXPECT_EQ(key != 0, c.passes) << c.box << " " << c.key;
    }
    ed->TT_Click(3); // tick-only
    EXPECT_EQ(C(3).text, QStringLiteral("√"));
    ed->TT_Click(3);
    EXPECT_EQ(C(3).text, QString());
    db::ExecuteSQL(QStringLiteral("INSERT INTO 历史 (Fmt, ID, CID, Con) VALUES (?, 1, ?, 'x')"),
                   {kFmt, idA});
    C(1).text = QStringLiteral("张三");
    ed->TT_DblClick(1);
    const HistoryCombo &cb = ed->Combo();
    EXPECT_TRUE(cb.visible);
    EXPECT_EQ(cb.left, C(1).left);
    EXPECT_EQ(cb.top, C(1).top);
    EXPECT_EQ(cb.width, C(1).width + 300);
    EXPECT_EQ(cb.text, QStringLiteral("张三"));
    EXPECT_EQ(cb.controlId, idA);
    ed->COMB_Change(QStringLiteral("李四"));
    EXPECT_EQ(C(1).text, QStringLiteral("李四"));
    ed->PG_MouseDown(1, 0, 100, 7400);
    EXPECT_FALSE(ed->Combo().visible);
}

TEST_F(EditingTest, ClearContentsAndBarCodeCancel)
{
    C(1).text = QStringLiteral("a");
    C(2).text = QStringLiteral("b");
    C(1001).value = 1;
    Select({1});
    ClearContents(*s);
    EXPECT_EQ(C(1).text, QString());
    EXPECT_EQ(C(2).text, QStringLiteral("b"));
    EXPECT_EQ(C(1001).value, 1);
    SetControlSelected(*s, C(1), true);
    ClearContents(*s);
    EXPECT_EQ(C(2).text, QString());
    EXPECT_EQ(C(1001).value, 0);

    DesignControl &pic = C(2001);
    dlg.Queue(QStringLiteral(" 690123456789 "));
    InputBarCode(*s, pic);
    EXPECT_EQ(pic.linkItem, QStringLiteral("690123456789"));
    dlg.Queue(std::nullopt);
    InputBarCode(*s, pic);
    EXPECT_EQ(pic.linkItem, QStringLiteral("690123456789"));
    dlg.Queue(QString());
    InputBarCode(*s, pic);
    EXPECT_EQ(pic.linkItem, QString());
}
