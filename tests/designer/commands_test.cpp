// The main window's own commands on a real database: the new format with
// its questions, the line-break marker, the ticked settings and the grid
// row highlight.

#include "core/database.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "core/gridhelpers.h"
#include "core/settings.h"
#include "designer/commands.h"
#include "designer/mainstate.h"
#include "platform/numtext.h"
#include "support/testenv.h"
#include "testformat.h"

using namespace dsg;

namespace {

const QString kFmt = QStringLiteral("韵达");

class CommandsTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        TheStartupRecord = StartupRecord();
        testfmt::WriteHeader(kFmt, 200, 100, 15360);
        idBox = testfmt::WriteRow(kFmt, {0, QStringLiteral("收件人"), 20, 10, 40, 6, "1", 9});
        testfmt::WriteHeader(QStringLiteral("旧"), 100, 100, 15360);
        testfmt::SetLastFormat(kFmt);
        s = std::make_unique<MainState>();
        s->SetScreenWidthTwips(15360);
        s->SetFrameSize(15000, 6000);
        s->Load();
    }
    qint32 Rows(const QString &name)
    {
        auto rs = db::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Fmt WHERE Fmt=?"), {name});
        return rs ? num::ToLong(num::Text(rs->value(0, 0))) : -1;
    }
    QString Default()
    {
        auto rs = db::OpenRecordset(QStringLiteral("SELECT Con FROM 默认 WHERE Fmt=?"), {kFmt});
        return rs && !rs->empty() ? num::Text(rs->value(0, 0)) : QString();
    }

    std::unique_ptr<MainState> s;
    qint64 idBox = 0;
};

} // namespace

TEST_F(CommandsTest, NewFormatRefusesZeroAndBadRatiosThenStoresTheEmptyFormat)
{
    s->GetCtlByIndex(1)->text = QStringLiteral("张三");
    for (const char *a : {"新", "abc", "-5", "201", "10", "200", "10"})
        dlg.Queue(QString::fromUtf8(a));
    ASSERT_EQ(NewFormat(*s), SaveOutcome::Saved);
    QStringList messages;
    for (const auto &sh : dlg.shown())
        if (sh.kind == QStringLiteral("message"))
            messages << sh.text;
    EXPECT_EQ(
        messages,
        (QStringList {QStringLiteral("单据宽度不能为零！"), QStringLiteral("单据宽度不能为零！"),
                      QStringLiteral("单据的宽度与高度比例应为1：20到20：1之间,请重新输入！")}));
    EXPECT_EQ(s->CurrentFormatName(), QStringLiteral("新"));
    EXPECT_EQ(s->PageWidthText(), QStringLiteral("200"));
    EXPECT_EQ(s->PageHeightText(), QStringLiteral("10"));
    EXPECT_EQ(s->Controls().Count(InputBox), 0);
    EXPECT_EQ(Rows(QStringLiteral("新")), 1); // the header only
    EXPECT_EQ(Rows(kFmt), 2); // the old format is untouched
    EXPECT_EQ(Default(), QStringLiteral("张三"));
}

TEST_F(CommandsTest, NewFormatOverAStoredNameAsksFirstAndNoKeepsEverything)
{
    for (const char *a : {"旧", "100", "100"})
        dlg.Queue(QString::fromUtf8(a));
    dlg.Queue(false);
    EXPECT_EQ(NewFormat(*s), SaveOutcome::Cancelled);
    EXPECT_EQ(dlg.shown().back().text, QStringLiteral("该格式已经存在，是否覆盖？"));
    EXPECT_EQ(s->Controls().Count(InputBox), 1);
    EXPECT_EQ(s->CurrentFormatName(), kFmt);
    // An empty size answer ends the command at once.
    dlg.Clear();
    dlg.Queue(QStringLiteral("x"));
    dlg.Queue(QString());
    EXPECT_EQ(NewFormat(*s), SaveOutcome::Cancelled);
    EXPECT_EQ(s->Controls().Count(InputBox), 1);
    // Yes overwrites once, with one question.
    dlg.Clear();
    for (const char *a : {"旧", "200", "100"})
        dlg.Queue(QString::fromUtf8(a));
    dlg.Queue(true);
    EXPECT_EQ(NewFormat(*s), SaveOutcome::Saved);
    int questions = 0;
    for (const auto &sh : dlg.shown())
        questions += sh.kind == QStringLiteral("yesno");
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(s->CurrentFormatName(), QStringLiteral("旧"));
}

TEST_F(CommandsTest, AMarkerTheFullDiskRefusesIsSaid)
{
    dlg.Queue(QStringLiteral("##"));
    SetCrlfChr();
    const QByteArray before = ReadBytes(path(QStringLiteral("settings.ini")));
    const QString answer = OnFullDisk(before.size() + 100, [&] {
        dlg.Clear();
        dlg.Queue(QString(3000, u'长'));
        SetCrlfChr();
        return MessageBoxes(dlg).join(u'|');
    });
    EXPECT_EQ(answer, QStringLiteral("设置没有保存！请检查数据文件夹所在的磁盘是否已满。"));
    EXPECT_EQ(ReadBytes(path(QStringLiteral("settings.ini"))), before);
}

TEST_F(CommandsTest, MarkerAndTicksAreStored)
{
    const auto reg = [](const char *sec, const char *name) {
        return GetRegSetting(QStringLiteral("PQT_V"), QString::fromLatin1(sec),
                             QString::fromLatin1(name), QString());
    };
    dlg.Queue(QString());
    SetCrlfChr();
    EXPECT_EQ(LineBreakMarker, QStringLiteral("//"));
    dlg.Queue(QStringLiteral("##"));
    SetCrlfChr();
    EXPECT_EQ(LineBreakMarker, QStringLiteral("##"));
    EXPECT_EQ(reg("Para", "CrlfChr"), QStringLiteral("##"));

    EXPECT_TRUE(ToggleTick(*s, Tick::PrintRulers));
    EXPECT_EQ(reg("Validate", "mPrintRulers"), QStringLiteral("1"));
    EXPECT_FALSE(ToggleTick(*s, Tick::PrintRulers));
    EXPECT_EQ(reg("Validate", "mPrintRulers"), QString());
    const bool paper = s->SetPaperTicked();
    EXPECT_EQ(ToggleTick(*s, Tick::SetPaper), !paper);
    EXPECT_EQ(s->SetPaperTicked(), !paper);
    EXPECT_EQ(AboutVersionText(QStringLiteral("版本号：[EDITION]")),
              QStringLiteral("版本号：3.02"));
}

TEST(DisplayCurrentRow, HighlightsOneRowSharedAcrossGrids)
{
    GridModel g;
    g.setCols(3);
    g.setRows(5);
    g.setFixedRows(1);
    g.setFixedCols(1);
    qint32 remembered = 0;
    DisplayCurrentRow(g, 2, remembered);
    EXPECT_EQ(g.backColor(2, 1), 0xDDDDDD);
    DisplayCurrentRow(g, 3, remembered);
    EXPECT_EQ(g.backColor(2, 1), 0xFFFFFF);
    EXPECT_EQ(g.backColor(3, 2), 0xDDDDDD);
    EXPECT_EQ(g.row(), 3);
    DisplayCurrentRow(g, 0, remembered); // a fixed row: nothing
    EXPECT_EQ(remembered, 3);
}

// Only the default record refused (a rule in the database, nothing else is
// refused): the new format is not stored and the open one stays on the page.
// A held database fails the first read: one fault, said by the window alone.
TEST_F(CommandsTest, NewFormatEndsAtARefusedDefaultRecordOrAFailedRead)
{
    s->GetCtlByIndex(1)->text = QStringLiteral("张三");
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON 默认 BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    for (const char *a : {"新", "200", "100"})
        dlg.Queue(QString::fromUtf8(a));
    const SaveOutcome refused = NewFormat(*s);
    EXPECT_EQ(refused, SaveOutcome::Failed);
    EXPECT_TRUE(SaveFailedMessage(refused.why).contains(QStringLiteral("refused")));
    EXPECT_EQ(Rows(QStringLiteral("新")), 0);
    EXPECT_EQ(s->CurrentFormatName(), kFmt);
    EXPECT_EQ(s->GetCtlByIndex(1)->text, QStringLiteral("张三"));
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("DROP TRIGGER refuse")));

    auto other = sql::Connection::Open(db::DatabasePath(), db::kDatabasePassword);
    ASSERT_TRUE(other && other->Exec(QStringLiteral("BEGIN EXCLUSIVE")));
    dlg.Clear();
    for (const char *a : {"新", "200", "100"})
        dlg.Queue(QString::fromUtf8(a));
    const SaveOutcome held = NewFormat(*s);
    EXPECT_EQ(held, SaveOutcome::Failed);
    for (const auto &sh : dlg.shown())
        EXPECT_NE(sh.kind, QStringLiteral("message")) << qPrintable(sh.text);
    EXPECT_TRUE(SaveFailedMessage(held.why).contains(QStringLiteral("正被其他程序使用")));
}
