// The format list and the chooser's items and answers, on a real database.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatlist.h"
#include "core/formatstore.h"
#include "support/testenv.h"

using namespace fmtlist;

namespace {

class FormatListTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        for (const auto &[name, w, h] : {std::tuple {QStringLiteral("C'格式"), 100.0, 50.0},
                                         std::tuple {QStringLiteral("A\"格式"), 230.0, 127.0},
                                         std::tuple {QStringLiteral("B格式"), 210.5, 99.0}}) {
            ASSERT_TRUE(db::InsertRow(QStringLiteral("Fmt"),
                                      {{QStringLiteral("Fmt"), name},
                                       {QStringLiteral("LBL"), fmtgrid::HeaderMarker()},
                                       {QStringLiteral("W"), w},
                                       {QStringLiteral("H"), h}}));
            // A control row, which the list leaves out.
            ASSERT_TRUE(db::InsertRow(QStringLiteral("Fmt"),
                                      {{QStringLiteral("Fmt"), name},
                                       {QStringLiteral("LBL"), QStringLiteral("收件人")}}));
        }
    }
    FormatHostState host;
};

} // namespace

TEST_F(FormatListTest, ListsTheStoredFormatsByNameAndTicksTheOpenOne)
{
    host.formatName = QStringLiteral("B格式");
    GridModel g;
    LoadFmtList(g, host.formatName, true);
    EXPECT_EQ(g.tag(), QStringLiteral("Fmt"));
    EXPECT_EQ(g.fixedRows(), 2);
    EXPECT_EQ(g.fixedCols(), 2);
    EXPECT_EQ(g.rowHeight(0), 0);
    EXPECT_EQ(g.text(1, ColName), QStringLiteral("格式名称"));
    ASSERT_EQ(g.dataRows(), 3);
    EXPECT_EQ(g.text(2, ColName), QStringLiteral("A\"格式"));
    EXPECT_EQ(g.text(3, ColName), QStringLiteral("B格式"));
    EXPECT_EQ(g.text(4, ColName), QStringLiteral("C'格式"));
    EXPECT_EQ(g.text(3, ColW), QStringLiteral("210.5"));
    EXPECT_EQ(g.text(3, ColH), QStringLiteral("99"));
    EXPECT_EQ(g.text(3, ColSerial), QStringLiteral("2"));
    EXPECT_EQ(g.text(3, ColTick), QStringLiteral("√"));
    EXPECT_EQ(g.text(2, ColTick), QString());
    EXPECT_EQ(g.row(), 3);
    EXPECT_EQ(g.col(), ColTick);
    EXPECT_EQ(g.colSel(), ColH);
    EXPECT_EQ(g.foreColor(3, ColName), 0x0000FF);
    EXPECT_EQ(g.foreColor(2, ColName), 0);

    GridModel plain;
    LoadFmtList(plain, host.formatName, false);
    EXPECT_EQ(plain.foreColor(3, ColName), 0);

    host.formatName = QStringLiteral("无此格式");
    LoadFmtList(g, host.formatName, true);
    for (qint32 r = 2; r < g.rows(); ++r)
        EXPECT_EQ(g.text(r, ColTick), QString());

    TickFmtListRow(g, 4);
    EXPECT_EQ(g.text(4, ColTick), QStringLiteral("√"));
    TickFmtListRow(g, 2);
    EXPECT_EQ(g.text(4, ColTick), QString());
    EXPECT_EQ(FmtListName(g, 2), QStringLiteral("A\"格式"));
    EXPECT_EQ(FmtListName(g, 1), QString());
}

TEST_F(FormatListTest, ChooserItemsAndAnswers)
{
    EXPECT_EQ(SelFormatItems(QString::fromUtf8(kModeFormat)),
              (QStringList {QStringLiteral("A\"格式"), QStringLiteral("B格式"),
                            QStringLiteral("C'格式")}));
    EXPECT_EQ(SelFormatItems(QString::fromUtf8(kModeCtlClas)).at(2), QStringLiteral("2｜图像框"));
    EXPECT_TRUE(SelFormatItems(QStringLiteral("other")).isEmpty());
    EXPECT_TRUE(SelFormatItems(QString::fromUtf8(kModeControl)).isEmpty());

    GridModel fg;
    fmtgrid::LayoutFormatGrid(fg);
    fg.addRow({QStringLiteral("17"), QStringLiteral("1"), QStringLiteral("电话")});
    EXPECT_EQ(SelFormatItems(QString::fromUtf8(kModeControl), &fg),
              QStringList {QStringLiteral("17｜1｜电话")});

    EXPECT_EQ(SelFormatAnswer(QStringLiteral("2｜图像框")), QStringLiteral("2"));
    EXPECT_EQ(SelFormatAnswer(QStringLiteral("  新 格式  ")), QStringLiteral("新 格式"));
    EXPECT_EQ(SelFormatAnswer(QStringLiteral("  ")), QString());
}

TEST(FmtPicturePlanTest, ScalesToTheImageWidthAndScrollsWhenHigher)
{
    // A picture twice as high as wide in a frame 3000 wide and 4000 high.
    auto plan = PlanFmtPicture(100, 200, 3000, 4000);
    EXPECT_DOUBLE_EQ(plan.imageHeight, 6000);
    EXPECT_TRUE(plan.scroll);
    EXPECT_EQ(plan.maximum, 15);
    EXPECT_DOUBLE_EQ(FmtPictureTop(10, 4000), -4000);

    plan = PlanFmtPicture(200, 100, 3000, 4000);
    EXPECT_DOUBLE_EQ(plan.imageHeight, 1500);
    EXPECT_FALSE(plan.scroll);
}

TEST_F(FormatListTest, PictureOfAPathOrOfAFormatName)
{
    const QString file = path(QStringLiteral("preview.jpg"));
    ASSERT_TRUE(WriteBytes(file, "x"));
    EXPECT_EQ(FmtPicturePath(file), file);
    EXPECT_EQ(FmtPicturePath(QStringLiteral("a/b")),
              GetBackgroundPicturePath(QStringLiteral("a/b")));
}
