// The main window's state on a real database: opening a saved format,
// control positions and indexes, zoom, page size, rulers, closing.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/settings.h"
#include "designer/mainstate.h"
#include "designer/recordservices.h"
#include "platform/numtext.h"
#include "properties/ctlaccessors.h"
#include "support/testenv.h"
#include "testformat.h"

#include <QImage>

using namespace dsg;

namespace {

const QString kFmt = QStringLiteral("顺丰'快递");

class MainStateTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        TheStartupRecord = StartupRecord();
        // 200 x 100 mm, screen width 15360 (font scale 1).
        testfmt::WriteHeader(kFmt, 200, 100, 15360);
        idBox1 = testfmt::WriteRow(kFmt, {0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9});
        idBox2 = testfmt::WriteRow(kFmt, {0, QStringLiteral("电话"), 20, 30, 40, 6, "0", 12, 5});
        idCheck = testfmt::WriteRow(kFmt, {1, QStringLiteral("到付"), 100, 10, 4, 4, "2"});
        idPic = testfmt::WriteRow(kFmt, {2, QStringLiteral("条码"), 120, 40, 60, 20, "3"});
        testfmt::WriteRow(kFmt, {3, QStringLiteral("线条"), 10, 50, 190, 50, "0", 1});
        testfmt::WriteRow(kFmt, {4, QStringLiteral("寄件"), 5, 5, 30, 8, "0", 14});
        testfmt::SetLastFormat(kFmt);
    }

    // A state laid out in a frame of 15000 x 6000 twips, opened.
    std::unique_ptr<MainState> Open()
    {
        auto s = std::make_unique<MainState>();
        s->SetScreenWidthTwips(15360);
        s->SetFrameSize(15000, 6000);
        s->Load();
        return s;
    }

    qint64 idBox1 = 0, idBox2 = 0, idCheck = 0, idPic = 0;
};

} // namespace

TEST_F(MainStateTest, OpensTheStoredFormatWithControlsInTwips)
{
    auto s = Open();
    EXPECT_EQ(s->CurrentFormatName(), kFmt);
    EXPECT_EQ(s->PageWidthText(), QStringLiteral("200"));
    EXPECT_EQ(s->PageHeightText(), QStringLiteral("100"));
    // The page is as wide as its frame, at the paper's ratio: 75 twips/mm.
    EXPECT_DOUBLE_EQ(s->Page().width, 15000);
    EXPECT_DOUBLE_EQ(s->Page().height, 7500);
    EXPECT_TRUE(s->Page().vs.enabled);
    EXPECT_EQ(s->Page().vs.max, 5);
    EXPECT_DOUBLE_EQ(s->TwipsPerMm(), 75);

    // Indexes by class in row order (the grid is ordered by class, then ID).
    DesignControl *b1 = s->GetCtlByIndex(1);
    DesignControl *b2 = s->GetCtlByIndex(2);
    ASSERT_TRUE(b1 && b2);
    EXPECT_EQ(s->FormatGrid().text(b1->Row(), fmtgrid::ColID), num::Str(idBox1));
    EXPECT_EQ(b1->left, 1500);
    EXPECT_EQ(b1->top, 750);
    EXPECT_EQ(b1->width, 3000);
    EXPECT_EQ(b1->height, 450);
    EXPECT_DOUBLE_EQ(b1->fontSize, 9);
    // Code 5 prints in cells: single border, right aligned.
    EXPECT_EQ(b2->borderStyle, 1);
    EXPECT_EQ(b2->alignment, 1);
    EXPECT_EQ(b1->borderStyle, 0);

    DesignControl *check = s->GetCtlByIndex(1001);
    ASSERT_TRUE(check);
    EXPECT_EQ(check->left, 7500);
    EXPECT_EQ(check->width, 190); // a check box keeps its template size
    DesignControl *pic = s->GetCtlByIndex(2001);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->width, 4500);
    DesignControl *line = s->GetCtlByIndex(3001);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->x1, 750);
    EXPECT_EQ(line->y1, 3750);
    EXPECT_EQ(line->x2, 14250);
    EXPECT_EQ(line->y2, 3750);
    DesignControl *label = s->GetCtlByIndex(4001);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->caption, QStringLiteral("寄件"));
    EXPECT_EQ(s->GetCtlByIndex(3), nullptr);
    EXPECT_EQ(LastCtlID(0), 2);
    EXPECT_EQ(LastCtlID(4), 4001);

    // Prompt labels: box 1 on the left, the check box on the right.
    PromptLabel *l1 = s->Controls().Label(1);
    ASSERT_TRUE(l1);
    EXPECT_EQ(l1->caption, QStringLiteral("收件人"));
    EXPECT_EQ(l1->left, 1500 - l1->width);
    EXPECT_EQ(l1->top, 790);
    PromptLabel *lc = s->Controls().Label(1001);
    EXPECT_EQ(lc->left, 7500 + check->width);
    EXPECT_EQ(s->Controls().Label(2001)->top, pic->top + pic->height);

    // FindCtlByRow / FindCtlByID go through the grid.
    EXPECT_EQ(s->Controls().FindCtlByID(s->FormatGrid(), qint32(idPic)), pic);
}

TEST_F(MainStateTest, ZoomKeepsContentsIncludingBarCodes)
{
    auto s = Open();
    s->SetControlValue(*s->GetCtlByIndex(1), QStringLiteral("张三//李四"));
    EXPECT_EQ(s->GetCtlByIndex(1)->text, QStringLiteral("张三\r\n李四"));
    s->SetControlValue(*s->GetCtlByIndex(1001), QStringLiteral("0"));
    s->SetControlValue(*s->GetCtlByIndex(2001), QStringLiteral("6901234567892"));
    EXPECT_FALSE(s->GetCtlByIndex(2001)->picture.isNull());

    s->Zm_Click(0);
    EXPECT_DOUBLE_EQ(s->Page().width, 16500);
    EXPECT_TRUE(s->Page().phs.enabled);
    EXPECT_EQ(s->Page().phs.max, 5);
    EXPECT_EQ(s->GetCtlByIndex(1)->left, 1650);
    EXPECT_NEAR(s->GetCtlByIndex(1)->fontSize, 9.9, 1e-9);
    EXPECT_EQ(s->GetCtlByIndex(1)->text, QStringLiteral("张三\r\n李四"));
    EXPECT_EQ(s->GetCtlByIndex(1001)->value, 1);
    EXPECT_EQ(s->GetCtlByIndex(2001)->linkItem, QStringLiteral("6901234567892"));
    EXPECT_FALSE(s->GetCtlByIndex(2001)->picture.isNull());
    EXPECT_TRUE(s->PageVisible());

    s->Zm_Click(1);
    EXPECT_NEAR(s->Page().width, 14850, 1e-6);
    EXPECT_FALSE(s->Page().phs.enabled);
    EXPECT_EQ(s->Page().left, 0);
    s->Zm_Click(2);
    EXPECT_NEAR(s->Page().width, 15000, 1e-6);
    EXPECT_EQ(s->GetCtlByIndex(1)->left, 1500);
    EXPECT_EQ(s->GetCtlByIndex(2)->index, 2);
}

TEST_F(MainStateTest, RulersBackgroundAndLock)
{
    // A background picture under the format's picture name.
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(GetBackgroundPicturePath(kFmt), "JPG"));
    EXPECT_TRUE(GetBackgroundPicturePath(kFmt).endsWith(QStringLiteral("顺丰'快递.jpg")));
    EXPECT_TRUE(GetBackgroundPicturePath(QStringLiteral("a*b?c<d>e/f\\g:h|i\"j"))
                    .endsWith(QStringLiteral("a0b1c2d3e4f5g6h7i8j.jpg")));

    auto s = Open();
    EXPECT_FALSE(s->BackgroundPicture().isNull());
    EXPECT_FALSE(s->Drawing().rulers);
    EXPECT_FALSE(s->Drawing().background);
    EXPECT_TRUE(s->Controls().Label(1)->visible);

    s->SetOption(0, 1);
    EXPECT_TRUE(s->Drawing().rulers);
    // 200 mm wide: 101 vertical lines, 50 mm high: 51 horizontal ones.
    EXPECT_EQ(s->Drawing().plan.lines.size(), size_t(101 + 51));
    s->SetOption(4, 1);
    EXPECT_TRUE(s->Drawing().background);
    EXPECT_FALSE(s->Controls().Label(1)->visible);
    EXPECT_FALSE(s->Controls().Label(2001)->visible);
    s->SetOption(0, 0);
    EXPECT_FALSE(s->Drawing().rulers);
    EXPECT_TRUE(s->Drawing().background);
    s->SetOption(4, 0);
    EXPECT_TRUE(s->Controls().Label(1)->visible);

    EXPECT_TRUE(s->LockedItemsEnabled());
    s->SetOption(2, 1);
    EXPECT_FALSE(s->LockedItemsEnabled());
    s->SetOption(2, 0);
    EXPECT_TRUE(s->LockedItemsEnabled());
}

TEST_F(MainStateTest, PageSizeDialogRules)
{
    auto s = Open();
    // A height of 0, a width of 0 and negative sizes are refused.
    EXPECT_FALSE(s->ConfirmPageSize(QStringLiteral("180"), QStringLiteral("0")));
    EXPECT_FALSE(s->ConfirmPageSize(QString(), QStringLiteral("100")));
    EXPECT_FALSE(s->ConfirmPageSize(QStringLiteral("-10"), QStringLiteral("-10")));
    EXPECT_FALSE(s->ConfirmPageSize(QStringLiteral("180"), QStringLiteral("8.9")));
    EXPECT_FALSE(s->ConfirmPageSize(QStringLiteral("10"), QStringLiteral("201")));
    ASSERT_EQ(dlg.messages().size(), 5);
    EXPECT_EQ(dlg.messages().at(3), QStringLiteral("单据的宽度与高度比例应为1：20到20：1之间！"));
    EXPECT_EQ(s->PageWidthText(), QStringLiteral("200"));

    // Unchanged values: nothing rebuilt.
    DesignControl *before = s->GetCtlByIndex(1);
    EXPECT_TRUE(s->ConfirmPageSize(QStringLiteral("200.0"), QStringLiteral("100")));
    EXPECT_EQ(s->GetCtlByIndex(1), before);

    // Only the height: the width stays the frame's, controls rebuilt.
    EXPECT_TRUE(s->ConfirmPageSize(QStringLiteral("200 mm"), QStringLiteral("127.5")));
    EXPECT_EQ(s->PageHeightText(), QStringLiteral("127.5"));
    EXPECT_DOUBLE_EQ(s->Page().width, 15000);
    EXPECT_DOUBLE_EQ(s->Page().height, 15000 * 127.5 / 200);
    EXPECT_EQ(s->GetCtlByIndex(1)->left, 1500);
    EXPECT_TRUE(s->ConfirmPageSize(QStringLiteral("180"), QStringLiteral("9")));
    EXPECT_TRUE(s->ConfirmPageSize(QStringLiteral("10"), QStringLiteral("200")));
    EXPECT_DOUBLE_EQ(s->TwipsPerMm(), 1500);
}

TEST_F(MainStateTest, ClosingStoresSettingsAndDefaultRecord)
{
    SaveRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Validate"),
                   QStringLiteral("DefaultSoftSet"), QStringLiteral("1§☆§1§☆§1§☆§1§☆§1§☆§"));
    db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET fName=? WHERE Fmt=''"),
                   {QStringLiteral("0§☆§0§☆§0")});
    {
        auto s = Open();
        // Registry ones, settings-row zeros for 0..2, then the format's
        // header (all zeros) applies last.
        EXPECT_EQ(s->Option(3), 0);
        s->SetOption(3, 1);
        s->SetOption(0, 1);
        s->SetControlValue(*s->GetCtlByIndex(1), QStringLiteral("王五"));
        s->SetControlValue(*s->GetCtlByIndex(1001), QStringLiteral("1"));
        s->Unload();
    }
    EXPECT_EQ(GetRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Validate"),
                            QStringLiteral("DefaultSoftSet")),
              QStringLiteral("1§☆§0§☆§0§☆§1§☆§0§☆§"));
    EXPECT_EQ(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=''"), {},
                                QStringLiteral("LBL"))
                  .toString(),
              kFmt);
    auto rs = db::OpenRecordset(QStringLiteral("SELECT ID, Con FROM 默认 WHERE Fmt=? ORDER BY ID"),
                                {kFmt});
    ASSERT_TRUE(rs);
    ASSERT_EQ(rs->size(), 2);
    EXPECT_EQ(rs->value(0, 0).toLongLong(), idBox1);
    EXPECT_EQ(rs->value(0, 1).toString(), QStringLiteral("王五"));
    EXPECT_EQ(rs->value(1, 1).toString(), QStringLiteral("1"));

    // The next opening puts the default record back.
    auto s = Open();
    EXPECT_EQ(s->GetCtlByIndex(1)->text, QStringLiteral("王五"));
    EXPECT_EQ(s->GetCtlByIndex(1001)->value, 1);
    // The settings row says 1 for option 0, the format's header 0 last.
    EXPECT_EQ(s->Option(0), 0);
}

TEST_F(MainStateTest, CaptureAndApplyRoundTrip)
{
    auto s = Open();
    GridModel &g = s->FormatGrid();
    DesignControl *b1 = s->GetCtlByIndex(1);
    b1->left = 3000;
    b1->top = 1125;
    b1->fontSize = 18;
    s->Zm_Click(2); // factor 1
    b1 = s->GetCtlByIndex(1);
    b1->left = 3000;
    b1->fontSize = 18;
    const qint32 row = s->CtlToGridRow(*b1);
    EXPECT_EQ(row, b1->Row());
    EXPECT_EQ(g.text(row, fmtgrid::ColX), QStringLiteral("40"));
    EXPECT_EQ(g.text(row, fmtgrid::ColFSize), QStringLiteral("18"));

    // At zoom factor 2 a font of 20 on screen is captured as 10.
    s->ZoomPage(1.0);
    b1 = s->GetCtlByIndex(1);
    EXPECT_DOUBLE_EQ(b1->fontSize, 36);
    EXPECT_EQ(b1->left, 6000);
    b1->fontSize = 20;
    s->CtlToGridRow(*b1);
    EXPECT_EQ(g.text(row, fmtgrid::ColFSize), QStringLiteral("10"));

    // A new control gets a new last row with a temporary ID.
    const qint32 rows = g.rows();
    qint32 newRow = 0;
    DesignControl *added = s->LoadNewControl(InputBox, newRow);
    ASSERT_TRUE(added);
    EXPECT_EQ(newRow, rows);
    EXPECT_EQ(added->Row(), rows);
    EXPECT_TRUE(fmtgrid::IsTempId(num::Val(g.text(newRow, fmtgrid::ColID))));
    EXPECT_EQ(g.text(newRow, fmtgrid::ColDir), QStringLiteral("左边"));
    EXPECT_EQ(g.text(newRow, fmtgrid::ColClas), QStringLiteral("0"));

    // Copy the properties of box 2 onto the new box: same look and place.
    s->CopyCtlProperties(*s->GetCtlByIndex(2), *added, true);
    EXPECT_EQ(added->left, s->GetCtlByIndex(2)->left);
    EXPECT_EQ(added->borderStyle, 1);
    EXPECT_EQ(g.text(newRow, fmtgrid::ColLBL), QStringLiteral("电话"));
    EXPECT_NE(g.text(newRow, fmtgrid::ColID), g.text(s->GetCtlByIndex(2)->Row(), 0));
}

TEST_F(MainStateTest, AccessorsReachTheControlsAndOddFormatsOpen)
{
    // A fixed-text box (no prompt) shows the text stored with its record;
    // a format whose header has no size opens at a default size.
    const QString odd = QStringLiteral("无尺寸");
    testfmt::WriteHeader(odd, 0, 0, 15360);
    const qint64 fixedId = testfmt::WriteRow(
        odd, {0, QString(), 10, 10, 30, 6, "1", 9, 0, QStringLiteral("固定文字")});
    auto s = Open();
    EXPECT_EQ(GetCtlID(2).value_or(0), qint32(idBox2));
    EXPECT_EQ(GetCtlCash(2), 5);
    EXPECT_EQ(GetCtlIndexByID(idPic), 2001);
    EXPECT_EQ(FindCtlByRow(s->GetCtlByIndex(1001)->Row()).value_or(0), 1001);

    s->SelectFormat(odd, false);
    EXPECT_EQ(s->CurrentFormatName(), odd);
    EXPECT_EQ(s->PageWidthText(), QStringLiteral("230"));
    EXPECT_EQ(s->PageHeightText(), QStringLiteral("127"));
    EXPECT_NEAR(s->Page().height, 15000 * 127.0 / 230, 1e-6);
    ASSERT_TRUE(s->GetCtlByIndex(1));
    EXPECT_EQ(s->GetCtlByIndex(1)->text, QStringLiteral("固定文字"));
    EXPECT_EQ(s->FixedInputText(s->GetCtlByIndex(1)->Row()).value_or(QString()),
              QStringLiteral("固定文字"));
    EXPECT_EQ(GetCtlID(1).value_or(0), qint32(fixedId));
    EXPECT_EQ(s->GetCtlByIndex(2), nullptr);
}

TEST_F(MainStateTest, TheThousandthControlOfAClassIsRefused)
{
    auto s = Open();
    const qint32 before = s->Controls().Count(CheckBox);
    for (qint32 i = before; i < kMaxCtlPerClass; ++i) {
        qint32 row = 0;
        ASSERT_TRUE(s->LoadNewControl(CheckBox, row));
    }
    EXPECT_EQ(s->GetCtlByIndex(1999)->cls, CheckBox);
    const qint32 rows = s->FormatGrid().rows();
    qint32 row = 0;
    EXPECT_EQ(s->LoadNewControl(CheckBox, row), nullptr);
    EXPECT_EQ(s->FormatGrid().rows(), rows); // no row for the refused control
    ASSERT_EQ(dlg.messages().size(), 1);
    EXPECT_EQ(dlg.messages().front(), QStringLiteral("每类内容框最多只能有999个，无法再添加！"));
    EXPECT_EQ(s->GetCtlByIndex(2001)->cls, PictureBox);
}
