#include "fakehost.h"

#include "core/settings.h"
#include "platform/numtext.h"
#include "properties/ctlaccessors.h"
#include "properties/ui/editctl.h"
#include "properties/ui/prodialogs.h"
#include "properties/ui/propertydialogs.h"
#include "support/testenv.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using fmtgrid::ControlRow;
using props::EditCtl;
using props::PropertyDialogs;

namespace {

ControlRow Box(qint32 cls, qint64 id, const QString &prompt, double x, double y)
{
    ControlRow r;
    r.cls = cls;
    r.id = id;
    r.prompt = prompt;
    r.side = 1;
    r.x = x;
    r.y = y;
    r.w = 30 + x;
    r.h = 6;
    r.font.name = QStringLiteral("宋体");
    r.font.size = 9 + x / 10;
    r.color = 0x0000FF;
    return r;
}

// Types into a field as the user does: everything selected, then the keys.
void Type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Key events that carry their text, so that Chinese can be typed too.
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
    }
}

// Picks a list item with the mouse: open the list, click the item.
void Pick(QComboBox *list, int item)
{
    list->showPopup();
    QAbstractItemView *view = list->view();
    const QRect r = view->visualRect(view->model()->index(item, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    list->hidePopup();
}

void Click(QAbstractButton *b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

class DialogTest : public DataDirTest
{
protected:
    FakeHost host;
    PropertyDialogs dialogs {host, nullptr};
};

} // namespace

// A change to one field reaches the current control and every selected
// control of the class, and nothing else; untouched fields (including the
// font) keep each control's own value.
TEST_F(DialogTest, InputBoxLeftEdgeReachesSelectedBoxesOnly)
{
    const qint32 a = host.Add(Box(0, 5, QStringLiteral("收件人"), 10, 20));
    const qint32 b = host.Add(Box(0, 6, QStringLiteral("电话"), 40, 30), true);
    const qint32 c = host.Add(Box(0, 7, QStringLiteral("地址"), 70, 50), true);
    const qint32 d = host.Add(Box(0, 8, QStringLiteral("备注"), 90, 60));
    const qint32 chk = host.Add(Box(1, 9, QStringLiteral("勾"), 5, 5), true);
    const ControlRow before[] = {host.Row(a), host.Row(b), host.Row(c), host.Row(d), host.Row(chk)};

    auto *dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[a]));
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("添加/修改控件"));
    EXPECT_EQ(dlg->Field(0)->text(), QStringLiteral("收件人"));
    EXPECT_FALSE(dlg->Changed());
    Type(dlg->Field(1), QStringLiteral("12mm"));
    Click(dlg->OkButton());

    for (qint32 i : {a, b, c}) {
        ControlRow want = before[i == a ? 0 : i == b ? 1 : 2];
        want.x = 12; // the leading number of "12mm"
        EXPECT_EQ(host.Row(i), want) << i;
    }
    EXPECT_EQ(host.Row(d), before[3]);
    EXPECT_EQ(host.Row(chk), before[4]);
    EXPECT_EQ(host.applied, (std::vector<qint32> {host.rows[a], host.rows[b], host.rows[c]}));
    // Closing hands the box to TT_LostFocus.
    EXPECT_EQ(host.left, std::vector<qint32> {a});
    EXPECT_EQ(dialogs.Open(0), nullptr);
}

TEST_F(DialogTest, ChosenFontGoesToEveryAffectedBoxCancelledFontToNone)
{
    const qint32 a = host.Add(Box(0, 5, QStringLiteral("甲"), 10, 20));
    const qint32 b = host.Add(Box(0, 6, QStringLiteral("乙"), 40, 30), true);
    const ControlRow b0 = host.Row(b);

    // A cancelled font dialog changes nothing, so OK writes nothing.
    auto *dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[a]));
    Click(dlg->FontButton());
    EXPECT_FALSE(dlg->Changed());
    Click(dlg->OkButton());
    EXPECT_EQ(host.Row(b), b0);
    EXPECT_TRUE(host.applied.empty());

    dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[a]));
    QFont f(QStringLiteral("黑体"));
    f.setPointSizeF(10.5);
    f.setBold(true);
    f.setStrikeOut(true);
    dlg->Sample(); // the sample shows the box's font before the choice
    EXPECT_EQ(dlg->Sample()->SampleFont().size, host.Row(a).font.size);
    this->dlg.Queue(ScriptedDialogs::FontChoice {f, QColor(Qt::black)});
    Click(dlg->FontButton());
    EXPECT_EQ(this->dlg.shown().back().text, QStringLiteral("宋体"));
    Click(dlg->OkButton());
    for (qint32 i : {a, b}) {
        const ControlRow r = host.Row(i);
        EXPECT_EQ(r.font.name, QStringLiteral("黑体"));
        EXPECT_EQ(r.font.size, 10.5);
        EXPECT_TRUE(r.font.bold && r.font.strikeOut && !r.font.italic && !r.font.underline);
        EXPECT_EQ(r.color, 0);
        // Black is kept in the cell as 0x010101.
        EXPECT_EQ(host.grid.backColor(host.rows[i], fmtgrid::ColColor), 0x010101);
    }
    EXPECT_EQ(host.Row(b).x, 40);
}

// What each data type shows and enables, and what OK stores after a pick or
// a typed cell count.
TEST_F(DialogTest, DataTypeListAndAlignmentTable)
{
    struct Case
    {
        qint32 code;
        int pick; // list item picked by the user, -1 none
        const char *cells; // typed cell count, nullptr none
        const char16_t *item, *caption, *cashNum;
        bool cashEnabled, spacings, align;
        qint32 stored;
    };
    const Case cases[] = {
        {7, -1, nullptr, u"011｜小写金额(对格)", u"小写金额格数：", u"7", true, false, false, 7},
        {7, -1, "120", u"011｜小写金额(对格)", u"小写金额格数：", u"11", true, false, false, 11},
        {7, -1, "0", u"011｜小写金额(对格)", u"小写金额格数：", u"11", true, false, false, 11},
        {206, -1, nullptr, u"211｜数字(对格)", u"数字格数：", u"6", true, false, true, 206},
        {206, 9, nullptr, u"011｜小写金额(对格)", u"小写金额格数：", u"11", true, false, false, 11},
        {103, -1, nullptr, u"103｜大写金额", u"数据类型代码：", u"103", false, true, true, 103},
        {0, 20, nullptr, u"114｜大写金额(仅数字)", u"数据类型代码：", u"114", false, true, false,
         114},
        {0, 10, nullptr, u"211｜数字(对格)", u"数字格数：", u"11", true, false, true, 211},
        {0, 10, "8", u"211｜数字(对格)", u"数字格数：", u"8", true, false, true, 208},
        {150, -1, nullptr, u"000｜普通文本", u"数据类型代码：", u"150", false, true, true, 150},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.code * 100 + k.pick);
        FakeHost h;
        ControlRow r = Box(0, 5, QStringLiteral("金额"), 10, 20);
        r.cash = k.code;
        const qint32 i = h.Add(r);
        PropertyDialogs opener(h, nullptr);
        auto *dlg = static_cast<EditCtl *>(opener.Show(0, h.rows[i]));
        if (k.pick >= 0)
            Pick(dlg->DataTypeList(), k.pick);
        if (k.cells) {
            Type(dlg->CashNum(), QString::fromLatin1(k.cells));
            dlg->CheckCellCount(); // leaving the field
        }
        EXPECT_EQ(dlg->DataTypeList()->currentText(), QString::fromUtf16(k.item));
        EXPECT_EQ(dlg->CodeCaption()->text(), QString::fromUtf16(k.caption));
        EXPECT_EQ(dlg->CashNum()->text(), QString::fromUtf16(k.cashNum));
        EXPECT_EQ(dlg->CashNum()->isEnabled(), k.cashEnabled);
        EXPECT_EQ(dlg->Field(5)->isEnabled(), k.spacings);
        EXPECT_EQ(dlg->Field(6)->isEnabled(), k.spacings);
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(dlg->AlignOption(a)->isEnabled(), k.align);
        Click(dlg->OkButton());
        EXPECT_EQ(h.Row(i).cash, k.stored);
        // Without a pick or a typed count the row is not written at all.
        EXPECT_EQ(h.applied.empty(), k.pick < 0 && !k.cells);
    }
}

// The cell count is checked at OK too, not only when leaving its field.
TEST_F(DialogTest, CellCountCheckedAtOk)
{
    ControlRow r = Box(0, 5, QStringLiteral("金额"), 10, 20);
    r.cash = 7;
    const qint32 i = host.Add(r);
    auto *dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[i]));
    Type(dlg->CashNum(), QStringLiteral("120"));
    Click(dlg->OkButton());
    EXPECT_EQ(host.Row(i).cash, 11);
}

TEST_F(DialogTest, LineSpacingAlignmentAndPromptSide)
{
    ControlRow r = Box(0, 5, QStringLiteral("寄件人"), 10, 20);
    r.packedL = -2002.5;
    r.side = 3;
    const qint32 i = host.Add(r);
    auto *dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[i]));
    EXPECT_EQ(dlg->Field(6)->text(), QStringLiteral("-2"));
    EXPECT_TRUE(dlg->AlignOption(2)->isChecked());
    EXPECT_TRUE(dlg->SideOption(3)->isChecked());
    // The preview label sits below the sample box and follows the text.
    EXPECT_GT(dlg->Preview()->Label()->y(), dlg->Preview()->Box()->y());
    Type(dlg->Field(0), QStringLiteral("寄件人姓名"));
    EXPECT_EQ(dlg->Preview()->Label()->text(), QStringLiteral("寄件人姓名"));
    Click(dlg->SideOption(1));
    EXPECT_LT(dlg->Preview()->Label()->x(), dlg->Preview()->Box()->x());
    Click(dlg->AlignOption(1));
    Click(dlg->OkButton());
    const ControlRow got = host.Row(i);
    EXPECT_EQ(got.packedL, -1002); // the shown spacing -2 with right alignment
    EXPECT_EQ(got.side, 1);
    EXPECT_EQ(got.prompt, QStringLiteral("寄件人姓名"));
}

TEST_F(DialogTest, RelatedAndSumBoxLists)
{
    ControlRow t = Box(0, 12, QStringLiteral("合计"), 10, 20);
    const qint32 target = host.Add(t);
    host.Add(Box(0, NewTempCtlID(host.grid), QStringLiteral("未保存"), 20, 20));
    ControlRow r = Box(0, 13, QStringLiteral("单价"), 30, 20);
    r.sumId = -12;
    const qint32 i = host.Add(r);
    auto *dlg = static_cast<EditCtl *>(dialogs.Show(0, host.rows[i]));
    // Unsaved boxes and the edited box itself are not offered.
    ASSERT_EQ(dlg->RelatedList()->count(), 2);
    EXPECT_EQ(dlg->RelatedList()->currentIndex(), 0);
    EXPECT_EQ(dlg->RelatedList()->itemText(0), QStringLiteral("000000｜没有相关联输入框"));
    EXPECT_EQ(dlg->SumList(0)->currentText(), QStringLiteral("000012｜合计"));
    EXPECT_TRUE(dlg->SumOption(1)->isChecked());
    EXPECT_TRUE(dlg->SumOption(2)->isChecked());

    // Typing into the related list does nothing; a pick and "累加" are stored.
    QTest::keyClicks(dlg->RelatedList(), QStringLiteral("0"));
    QTest::keyClick(dlg->RelatedList(), Qt::Key_Down);
    EXPECT_FALSE(dlg->Changed());
    Pick(dlg->RelatedList(), 1);
    Click(dlg->SumOption(0));
    Click(dlg->OkButton());
    EXPECT_EQ(host.Row(i).rctl, 12);
    EXPECT_EQ(host.Row(i).sumId, 12);
    EXPECT_EQ(host.Row(i).sumId1, 0);
    EXPECT_EQ(host.Row(target).rctl, 0);
}

TEST_F(DialogTest, CustomDateFormatStoredUnderTypeKey)
{
    ControlRow r = Box(0, 5, QStringLiteral("日期"), 10, 20);
    r.cash = 119;
    const qint32 i = host.Add(r);
    auto *ed = static_cast<EditCtl *>(dialogs.Show(0, host.rows[i]));
    EXPECT_EQ(ed->DataTypeList()->currentText(), QStringLiteral("119｜自定义日期："));
    Pick(ed->DataTypeList(), 19);
    ASSERT_TRUE(ed->CustomButton()->isEnabled());
    dlg.Queue(QStringLiteral("YYYY/MM/DD"));
    Click(ed->CustomButton());
    EXPECT_EQ(dlg.shown().back().text, QStringLiteral("请输入自定义数据格式信息(类型编号119)："));
    EXPECT_EQ(ReadParam(QStringLiteral("自定义类型119")), QStringLiteral("YYYY/MM/DD"));
    EXPECT_EQ(ed->DataTypeList()->currentText(), QStringLiteral("119｜自定义日期：YYYY/MM/DD"));
    // An empty answer keeps the stored format.
    dlg.Queue(QString());
    Click(ed->CustomButton());
    EXPECT_EQ(ReadParam(QStringLiteral("自定义类型119")), QStringLiteral("YYYY/MM/DD"));
    ed->close();

    auto *again = static_cast<EditCtl *>(dialogs.Show(0, host.rows[i]));
    EXPECT_EQ(again->DataTypeList()->currentText(), QStringLiteral("119｜自定义日期：YYYY/MM/DD"));
    EXPECT_FALSE(again->CustomButton()->isEnabled());
}

TEST_F(DialogTest, CancelAndCloseBoxWriteNothing)
{
    const qint32 a = host.Add(Box(4, 5, QStringLiteral("标签"), 10, 20), true);
    const ControlRow a0 = host.Row(a);
    auto *lbl = static_cast<props::ProLBL *>(dialogs.Show(4, host.rows[a]));
    Type(lbl->Field(0), QStringLiteral("新标签"));
    Click(lbl->CancelButton());
    EXPECT_EQ(dialogs.Open(4), nullptr);
    lbl = static_cast<props::ProLBL *>(dialogs.Show(4, host.rows[a]));
    Type(lbl->Field(0), QStringLiteral("新标签"));
    lbl->close();
    EXPECT_EQ(host.Row(a), a0);
    EXPECT_TRUE(host.applied.empty());
}

// A dialog left open while the controls are rebuilt writes into no row.
TEST_F(DialogTest, RebuiltControlsLeaveRowsAlone)
{
    const qint32 a = host.Add(Box(2, 5, QStringLiteral("条码"), 10, 20));
    const ControlRow a0 = host.Row(a);
    auto *pic = static_cast<props::ProPic *>(dialogs.Show(2, host.rows[a]));
    Type(pic->Field(3), QStringLiteral("50"));
    ++host.generation;
    Click(pic->OkButton());
    EXPECT_EQ(host.Row(a), a0);
    EXPECT_TRUE(host.redrawn.empty());
    ASSERT_EQ(dlg.messages().size(), 1);
}

TEST_F(DialogTest, PictureBoxWidthRedrawsEachAffectedBoxOnce)
{
    const qint32 a = host.Add(Box(2, 5, QStringLiteral("条码1"), 10, 20));
    const qint32 b = host.Add(Box(2, 6, QStringLiteral("条码2"), 30, 40), true);
    const qint32 c = host.Add(Box(2, 7, QStringLiteral("条码3"), 50, 60), true);
    const qint32 d = host.Add(Box(2, 8, QStringLiteral("图片"), 70, 80));
    const ControlRow d0 = host.Row(d);
    // OK without an edit writes and redraws nothing.
    auto *pic = static_cast<props::ProPic *>(dialogs.Show(2, host.rows[a]));
    EXPECT_EQ(pic->windowTitle(), QStringLiteral("添加/修改图像框"));
    Click(pic->OkButton());
    EXPECT_TRUE(host.redrawn.empty());

    pic = static_cast<props::ProPic *>(dialogs.Show(2, host.rows[a]));
    Type(pic->Field(3), QStringLiteral("55"));
    Click(pic->SideOption(2));
    Click(pic->OkButton());
    EXPECT_EQ(host.redrawn, (std::vector<qint32> {a, b, c}));
    for (qint32 i : {a, b, c}) {
        EXPECT_EQ(host.Row(i).w, 55);
        EXPECT_EQ(host.grid.text(host.rows[i], fmtgrid::ColDir), QStringLiteral("右边"));
    }
    EXPECT_EQ(host.Row(b).x, 30);
    EXPECT_EQ(host.Row(c).prompt, QStringLiteral("条码3"));
    EXPECT_EQ(host.Row(d), d0);
}

TEST_F(DialogTest, CheckBoxTopOnly)
{
    const qint32 a = host.Add(Box(1, 5, QStringLiteral("易碎"), 10, 20), true);
    const qint32 b = host.Add(Box(1, 6, QStringLiteral("保价"), 30, 40), true);
    const qint32 c = host.Add(Box(1, 7, QStringLiteral("代收"), 50, 60), true);
    auto *chk = static_cast<props::ProChk *>(dialogs.Show(1, host.rows[b]));
    EXPECT_EQ(chk->windowTitle(), QStringLiteral("修改可选框属性"));
    Type(chk->Field(2), QStringLiteral("33.5"));
    Click(chk->OkButton());
    for (qint32 i : {a, b, c})
        EXPECT_EQ(host.Row(i).y, 33.5);
    EXPECT_EQ(host.Row(a).x, 10);
    EXPECT_EQ(host.Row(c).prompt, QStringLiteral("代收"));
    EXPECT_EQ(host.Row(c).font.size, 14);
}

TEST_F(DialogTest, LineStyleThicknessAndColour)
{
    ControlRow l = Box(3, 5, QStringLiteral("线条"), 10, 20);
    l.cash = 0; // no item: the list keeps its text
    l.font.size = 1;
    const qint32 a = host.Add(l);
    ControlRow m = Box(3, 6, QStringLiteral("线条"), 30, 40);
    m.cash = 3;
    const qint32 b = host.Add(m, true);
    auto *line = static_cast<props::ProLine *>(dialogs.Show(3, host.rows[a]));
    EXPECT_EQ(line->StyleList()->currentText(), QStringLiteral("1 - 实线"));
    Type(line->Field(0), QStringLiteral("3"));
    EXPECT_EQ(line->Sample()->LineWidth(), 3);
    Click(line->OkButton());
    EXPECT_EQ(host.Row(a).cash, 0);
    EXPECT_EQ(host.Row(b).cash, 3);
    EXPECT_EQ(host.Row(b).font.size, 3);

    host.selected.insert(a); // now both lines are selected
    line = static_cast<props::ProLine *>(dialogs.Show(3, host.rows[b]));
    EXPECT_EQ(line->StyleList()->currentText(), QStringLiteral("3 - 点画线"));
    Pick(line->StyleList(), 1);
    dlg.Queue(QColor(Qt::black));
    Click(line->ColorButton());
    Click(line->OkButton());
    for (qint32 i : {a, b}) {
        EXPECT_EQ(host.Row(i).cash, 2);
        EXPECT_EQ(host.grid.backColor(host.rows[i], fmtgrid::ColColor), 0x010101);
    }
    EXPECT_EQ(host.Row(a).x, 10);
    EXPECT_EQ(host.Row(b).x, 30);
}

TEST_F(DialogTest, LabelAlignmentAndTextOnTwoSelected)
{
    ControlRow l = Box(4, 5, QStringLiteral("发货"), 10, 20);
    l.packedL = 2003;
    const qint32 a = host.Add(l, true);
    const qint32 b = host.Add(Box(4, 6, QStringLiteral("收货"), 30, 40), true);
    auto *lbl = static_cast<props::ProLBL *>(dialogs.Show(4, host.rows[a]));
    EXPECT_EQ(lbl->windowTitle(), QStringLiteral("标签属性修改"));
    EXPECT_EQ(lbl->Field(6)->text(), QStringLiteral("3"));
    EXPECT_TRUE(lbl->AlignOption(2)->isChecked());
    Click(lbl->AlignOption(0));
    Type(lbl->Field(0), QStringLiteral("寄"));
    lbl->SaveChang();
    for (qint32 i : {a, b}) {
        EXPECT_EQ(host.Row(i).prompt, QStringLiteral("寄"));
        EXPECT_EQ(host.Row(i).packedL, 3);
        EXPECT_EQ(host.Row(i).font.size, i == a ? 10 : 12);
    }
    EXPECT_EQ(host.Row(b).x, 30);
}

TEST_F(DialogTest, AddOpensTheDialogOnTheNewRow)
{
    auto *dlg = dialogs.AddAndShow(2);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->CtlRow(), host.grid.rows() - 1);
    EXPECT_EQ(dialogs.Open(2), dlg);
    // Opening for another control reloads the open dialog.
    const qint32 other = host.Add(Box(2, 9, QStringLiteral("另一个"), 5, 5));
    EXPECT_EQ(dialogs.Show(2, host.rows[other]), dlg);
    EXPECT_EQ(static_cast<props::ProPic *>(dlg)->Field(0)->text(), QStringLiteral("另一个"));
}
