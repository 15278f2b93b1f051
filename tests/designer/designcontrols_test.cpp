// Fonts between boxes, the font dialog and FormatGrid rows; adding and
// deleting design controls; capturing a selected line.

#include "core/formatgrid.h"
#include "core/globals.h"
#include "designer/designcontrols.h"
#include "designer/mainstate.h"
#include "platform/numtext.h"
#include "support/testenv.h"

#include <QColor>
#include <QFont>

using namespace dsg;
using namespace fmtgrid;

namespace {

class DesignControlsTest : public DataDirTest
{
protected:
    // An opened-looking state: a 200 x 100 mm page in a 15000-twip frame.
    std::unique_ptr<MainState> MakeState()
    {
        auto s = std::make_unique<MainState>();
        s->SetFrameSize(15000, 6000);
        s->SetPageSizeTexts(QStringLiteral("200"), QStringLiteral("100"));
        s->SetPageSize(200, 100);
        return s;
    }

    // Adds a control of class cls with its own new row.
    static DesignControl *Add(MainState &s, int cls)
    {
        int c = cls;
        return s.AddControl(c);
    }
};

} // namespace

TEST_F(DesignControlsTest, ChooseCtlFontAppliesTheChoiceAndKeepsTheBoxOnCancel)
{
    DesignControl box = DesignControls::Template(InputBox);
    box.fontName = QStringLiteral("黑体");
    box.fontSize = 12;
    box.bold = true;
    box.foreColor = 0x0000FF; // red

    // The dialog opens on the box's font; the chosen font comes back, the
    // colour given to the dialog stays with it.
    QFont chosen(QStringLiteral("楷体"));
    chosen.setPointSizeF(15);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    dlg.Queue(chosen);
    ChooseCtlFont(box);
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].kind, QStringLiteral("font"));
    EXPECT_EQ(dlg.shown()[0].text, QStringLiteral("黑体"));
    EXPECT_EQ(box.fontName, QStringLiteral("楷体"));
    EXPECT_DOUBLE_EQ(box.fontSize, 15);
    EXPECT_FALSE(box.bold);
    EXPECT_TRUE(box.italic);
    EXPECT_TRUE(box.underline);
    EXPECT_EQ(box.foreColor, 0x0000FF);

    // A colour chosen in the dialog reaches the box too.
    dlg.Queue(QColor(0, 128, 0));
    ChooseCtlFont(box);
    EXPECT_EQ(box.foreColor, 0x008000);
    EXPECT_EQ(box.fontName, QStringLiteral("楷体"));

    // Cancel: nothing changes.
    const DesignControl before = box;
    dlg.Queue(false);
    ChooseCtlFont(box);
    EXPECT_EQ(box.fontName, before.fontName);
    EXPECT_DOUBLE_EQ(box.fontSize, before.fontSize);
    EXPECT_EQ(box.italic, before.italic);
    EXPECT_EQ(box.foreColor, before.foreColor);

    // A box without a font name opens the dialog on 宋体.
    dlg.Clear();
    box.fontName.clear();
    dlg.Queue(false);
    ChooseCtlFont(box);
    EXPECT_EQ(dlg.shown().back().text, QStringLiteral("宋体"));
}

TEST_F(DesignControlsTest, FontFromDialogSetsTheSmallestSizeForZero)
{
    DesignControl box = DesignControls::Template(LabelCtl);
    FontDialogState d;
    d.size = 0;
    EXPECT_TRUE(FontFromDialog(d, box, false, true));
    EXPECT_DOUBLE_EQ(box.fontSize, 0.1);
}

TEST_F(DesignControlsTest, RowFontToSampleBoxAndBackWithoutZoom)
{
    GridModel g;
    LayoutFormatGrid(g);
    g.setRows(g.fixedRows() + 1);
    const qint32 row = g.fixedRows();
    g.setText(row, ColFName, QStringLiteral("仿宋"));
    g.setText(row, ColFSize, QStringLiteral("10.5"));
    g.setText(row, ColBold, QStringLiteral("√"));
    g.setText(row, ColStrikethru, QStringLiteral("√"));
    SetCellColor(g, row, 0); // black, kept as 0x010101

    DesignControl sample = DesignControls::Template(InputBox);
    sample.italic = true;
    GridFontToCtl(g, row, sample);
    EXPECT_EQ(sample.fontName, QStringLiteral("仿宋"));
    EXPECT_DOUBLE_EQ(sample.fontSize, 10.5);
    EXPECT_TRUE(sample.bold);
    EXPECT_FALSE(sample.italic);
    EXPECT_FALSE(sample.underline);
    EXPECT_TRUE(sample.strikeOut);
    EXPECT_EQ(sample.foreColor, 0);

    sample.fontSize = 16;
    sample.bold = false;
    sample.underline = true;
    sample.foreColor = 0xFF0000;
    CtlFontToGrid(g, row, sample);
    EXPECT_EQ(g.text(row, ColFSize), QStringLiteral("16"));
    EXPECT_EQ(g.text(row, ColBold), QString());
    EXPECT_EQ(g.text(row, ColUnderline), QStringLiteral("√"));
    EXPECT_EQ(g.text(row, ColStrikethru), QStringLiteral("√"));
    EXPECT_EQ(CellColor(g, row), 0xFF0000);
    sample.foreColor = 0;
    CtlFontToGrid(g, row, sample);
    EXPECT_EQ(g.backColor(row, ColColor), kBlackCellColor);

    // Fixed rows and rows beyond the grid are left alone.
    CtlFontToGrid(g, 0, sample);
    EXPECT_NE(g.text(0, ColFName), QStringLiteral("仿宋"));
}

TEST_F(DesignControlsTest, CapturingASelectedLineKeepsItsStoredColour)
{
    auto s = MakeState();
    DesignControl *line = Add(*s, LineCtl);
    ASSERT_TRUE(line);
    const qint32 row = line->Row();
    line->borderColor = 0x00FF00;
    s->CtlToGridRow(*line);
    EXPECT_EQ(CellColor(s->FormatGrid(), row), 0x00FF00);

    line->selected = true;
    line->borderColor = kSelectedGrey;
    line->x2 = 3000;
    s->CtlToGridRow(*line);
    EXPECT_EQ(CellColor(s->FormatGrid(), row), 0x00FF00);
    EXPECT_EQ(num::Val(s->FormatGrid().text(row, ColW)),
              num::Val(num::Str(3000 / s->TwipsPerMm())));
}

TEST_F(DesignControlsTest, AddControlAsksForTheClassAndPlacesTheLabel)
{
    auto s = MakeState();
    int asked = 0;
    QString answer;
    s->SetControlClassChooser([&] {
        ++asked;
        return answer;
    });

    // Cancelled choice: no control, no row.
    const qint32 rows = s->FormatGrid().rows();
    int cls = -1;
    EXPECT_EQ(s->AddControl(cls), nullptr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(cls, -1);
    EXPECT_EQ(s->FormatGrid().rows(), rows);

    answer = QStringLiteral("2");
    cls = -1;
    DesignControl *pic = s->AddControl(cls);
    ASSERT_TRUE(pic);
    EXPECT_EQ(cls, 2);
    EXPECT_EQ(DialogResult, QStringLiteral("2"));
    EXPECT_EQ(pic->index, 2001);
    EXPECT_EQ(pic->Row(), rows);
    EXPECT_EQ(s->FormatGrid().rows(), rows + 1);
    EXPECT_EQ(s->FormatGrid().text(pic->Row(), ColClas), QStringLiteral("2"));
    // The template's place, its prompt label on the left (the new row's side).
    EXPECT_EQ(pic->left, 240);
    EXPECT_EQ(pic->top, 1080);
    const PromptLabel *l = s->Controls().Label(2001);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->left, 240 - l->width);
    EXPECT_EQ(l->top, 1080 + 40);

    // A given class asks nothing.
    cls = InputBox;
    DesignControl *box = s->AddControl(cls);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->index, 1);
    EXPECT_EQ(asked, 2);
}

TEST_F(DesignControlsTest, DeleteRowControlsAsksAndRebuilds)
{
    auto s = MakeState();
    GridModel &g = s->FormatGrid();

    // Only fixed rows: nothing is asked.
    s->DeleteRowControls(g, true);
    EXPECT_TRUE(dlg.shown().empty());

    for (int c : {InputBox, InputBox, CheckBox, InputBox})
        ASSERT_TRUE(Add(*s, c));
    const qint32 first = g.fixedRows();
    g.setText(first + 1, ColLBL, QStringLiteral("第二"));
    g.setText(first + 3, ColLBL, QStringLiteral("第四"));
    // Selection from the check box's row up to the second box's row.
    g.setRow(first + 2);
    g.setRowSel(first + 1);

    dlg.Queue(false);
    s->DeleteRowControls(g, true);
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].text,
              QStringLiteral("您确定要删除第%1行至第%2行对应的输入框？").arg(first).arg(first + 1));
    EXPECT_EQ(g.rows(), first + 4);

    dlg.Queue(true);
    s->DeleteRowControls(g, true);
    EXPECT_EQ(g.rows(), first + 2);
    EXPECT_EQ(s->Controls().Count(InputBox), 2);
    EXPECT_EQ(s->Controls().Count(CheckBox), 0);
    // Rebuilt: indexes dense, tags on the remaining rows.
    DesignControl *second = s->GetCtlByIndex(2);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->Row(), first + 1);
    EXPECT_EQ(s->Controls().Label(2)->caption, QStringLiteral("第四"));
}

TEST_F(DesignControlsTest, DeleteSelectedControlsRemovesExactlyTheirRows)
{
    auto s = MakeState();
    GridModel &g = s->FormatGrid();
    // Rows in the order: picture, box, box, box, box, box, box (the
    // selected box's row is above the selected picture's in class order).
    std::vector<DesignControl *> made;
    for (int c : {InputBox, PictureBox, InputBox, InputBox, InputBox, InputBox, InputBox})
        made.push_back(Add(*s, c));
    const qint32 first = g.fixedRows();
    for (qint32 r = first; r < g.rows(); ++r)
        g.setText(r, ColLBL, QStringLiteral("R%1").arg(r - first));
    // Select the picture box (row first + 1) and the last box (row first + 6).
    made[1]->selected = true;
    made[6]->selected = true;

    dlg.Queue(false);
    s->DeleteSelectedControls(*made[0]);
    EXPECT_EQ(dlg.shown().back().text, QStringLiteral("您确定要删除选定的输入框和当前输入框？"));
    EXPECT_EQ(g.rows(), first + 7);

    // The current control (row first) goes with the selected ones.
    dlg.Queue(true);
    s->DeleteSelectedControls(*made[0]);
    EXPECT_TRUE(s->PageVisible());
    ASSERT_EQ(g.rows(), first + 4);
    QStringList left;
    for (qint32 r = first; r < g.rows(); ++r)
        left << g.text(r, ColLBL);
    EXPECT_EQ(left, (QStringList {"R2", "R3", "R4", "R5"}));
    EXPECT_EQ(s->Controls().Count(InputBox), 4);
    EXPECT_EQ(s->Controls().Count(PictureBox), 0);
}
