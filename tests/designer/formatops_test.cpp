// The format operations on a real database through a fake main window:
// choosing, opening, saving under another name and deleting formats.

#include "core/database.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "core/globals.h"
#include "designer/formatops.h"
#include "designer/formatwindow.h"
#include "platform/numtext.h"
#include "support/testenv.h"
#include "testformat.h"

#include <QFile>

using namespace dsg;
using namespace fmtgrid;

namespace {

class FakeWindow : public FormatWindow
{
public:
    FormatHostState host;
    GridModel data, fmt;
    QStringList calls;
    bool pageVisible = true;
    double pageW = 0, pageH = 0;
    QList<qint32> clicks;
    // Name and the grid's IDs at the time the default record was stored.
    std::vector<std::pair<QString, QList<qint64>>> savedDefaults;
    qint32 rowsAtReload = -1;

    FormatHost &Host() override { return host; }
    QString FormatCaption() const override { return host.formatName; }
    void SetFormatCaption(const QString &name) override
    {
        host.formatName = name;
        calls << QStringLiteral("caption:") + name;
    }
    void SetPageVisible(bool visible) override
    {
        pageVisible = visible;
        calls << (visible ? QStringLiteral("show") : QStringLiteral("hide"));
    }
    void SetPageSize(double w, double h) override
    {
        pageW = w;
        pageH = h;
    }
    GridModel &DataGrid() override { return data; }
    GridModel &FormatGrid() override { return fmt; }
    void ReloadFormat(bool) override
    {
        rowsAtReload = fmt.dataRows();
        calls << QStringLiteral("reload");
    }
    sql::Status SaveDefaultRecord(const QString &name) override
    {
        if (refuseDefault)
            return {sql::Fault::Busy, {}};
        QList<qint64> ids;
        for (qint32 r = fmt.fixedRows(); r < fmt.rows(); ++r)
            ids << num::RoundToInt64(num::Val(fmt.text(r, ColID)));
        savedDefaults.push_back({name, ids});
        return {};
    }
    bool refuseDefault = false; // as when the database refuses the write
    void LoadDefaultRecord(const QString &name) override
    {
        calls << QStringLiteral("loaddefault:") + name;
    }
    void AutoFillDates() override { calls << QStringLiteral("dates"); }
    void O2_Click(int index) override { clicks << index; }
};

struct FmtRow
{
    qint64 id;
    QString lbl;
    qint64 rctl, sum;
};

class FormatOpsTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        SetFormatChoosers({});
        DialogResult.clear();
        // Format A: 200 x 100 mm, two boxes, the second adding into the first.
        testfmt::WriteHeader(kA, 200, 100, 15360, QStringLiteral("True|False|1|0|0|0|1|"));
        a1 = testfmt::WriteRow(kA, {0, QStringLiteral("收件人"), 20, 10, 40, 6});
        a2 = testfmt::WriteRow(kA, {0, QStringLiteral("电话"), 20, 30, 40, 6});
        db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET RCtl=?, SumID=? WHERE ID=?"), {a1, a1, a2});
        // Format B: 230 x 127 mm, one box.
        testfmt::WriteHeader(kB, 230, 127, 15360);
        b1 = testfmt::WriteRow(kB, {0, QStringLiteral("寄件人"), 5, 5, 30, 8});
        w.host.formatName = kA;
        w.host.screenWidth = 15360;
    }
    void TearDown() override
    {
        SetFormatChoosers({});
        DataDirTest::TearDown();
    }

    static std::vector<FmtRow> Rows(const QString &name)
    {
        std::vector<FmtRow> rows;
        const auto rs = db::OpenRecordset(
            QStringLiteral("SELECT ID,LBL,RCtl,SumID FROM Fmt WHERE Fmt=? AND LBL<>? ORDER BY ID"),
            {name, HeaderMarker()});
        for (int i = 0; rs && i < rs->size(); ++i)
            rows.push_back({rs->value(i, 0).toLongLong(), rs->value(i, 1).toString(),
                            rs->value(i, 2).toLongLong(), rs->value(i, 3).toLongLong()});
        return rows;
    }
    static qint64 Count(const QString &table, const QString &name)
    {
        const auto rs = db::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + table
                                              + QStringLiteral(" WHERE Fmt=?"),
                                          {name});
        return rs ? rs->value(0, 0).toLongLong() : -1;
    }
    // The OK messages shown (questions left out).
    QStringList Messages() const
    {
        QStringList out;
        for (const auto &s : dlg.shown())
            if (s.kind == QStringLiteral("message"))
                out << s.text;
        return out;
    }
    static QString LastFormat()
    {
        return num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=?"),
                                           {QString()}, QStringLiteral("LBL")));
    }
    // Opens the window's format A as the main window does at start.
    void OpenA()
    {
        SelectFormat(w, kA, true);
        w.calls.clear();
        w.savedDefaults.clear();
        w.clicks.clear();
    }

    const QString kA = QStringLiteral("顺丰\"标准'单");
    const QString kB = QStringLiteral("EMS");
    qint64 a1 = 0, a2 = 0, b1 = 0;
    FakeWindow w;
};

} // namespace

TEST_F(FormatOpsTest, SelectFormatLeavesTheOldFormatAndOpensTheNewOne)
{
    OpenA();
    EXPECT_EQ(w.fmt.dataRows(), 2);
    EXPECT_EQ(w.host.setPaper, true);
    EXPECT_EQ(w.host.options[4], 1);
    w.data.setCols(3);
    w.data.setFixedRows(1);
    w.data.setRows(4);

    SelectFormat(w, kB, false);
    ASSERT_EQ(w.savedDefaults.size(), 1u);
    EXPECT_EQ(w.savedDefaults[0].first, kA);
    EXPECT_EQ(w.savedDefaults[0].second, (QList<qint64> {a1, a2}));
    EXPECT_EQ(w.FormatCaption(), kB);
    EXPECT_EQ(w.data.dataRows(), 0); // imported records dropped
    EXPECT_DOUBLE_EQ(w.pageW, 230);
    EXPECT_DOUBLE_EQ(w.pageH, 127);
    EXPECT_EQ(w.rowsAtReload, 1); // the controls were built from B's rows
    EXPECT_EQ(w.fmt.text(2, ColLBL), QStringLiteral("寄件人"));
    EXPECT_EQ(w.calls,
              (QStringList {QStringLiteral("caption:") + kB, QStringLiteral("hide"),
                            QStringLiteral("reload"), QStringLiteral("loaddefault:") + kB,
                            QStringLiteral("show"), QStringLiteral("dates")}));
    EXPECT_EQ(w.clicks, (QList<qint32> {0, 1, 2, 3, 4}));
    EXPECT_EQ(LastFormat(), kB);
}

TEST_F(FormatOpsTest, SelectFormatOfTheOpenOneOnlyWithReopen)
{
    OpenA();
    SelectFormat(w, kA, false);
    EXPECT_TRUE(w.calls.isEmpty());

    SelectFormat(w, kA, true);
    EXPECT_TRUE(w.savedDefaults.empty()); // no default record stored first
    EXPECT_TRUE(w.calls.contains(QStringLiteral("reload")));
    EXPECT_FALSE(w.calls.contains(QStringLiteral("caption:") + kA));
}

TEST_F(FormatOpsTest, SelectFormatWithoutNameAsksTheFormatList)
{
    OpenA();
    int asked = 0;
    QString answer;
    SetFormatChoosers({[&](FormatHost &host) {
                           EXPECT_EQ(&host, &w.host);
                           ++asked;
                           return answer;
                       },
                       {}});
    SelectFormat(w, QString(), false); // cancelled
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w.FormatCaption(), kA);
    EXPECT_TRUE(w.calls.isEmpty());

    answer = kB;
    SelectFormat(w, QString(), false);
    EXPECT_EQ(w.FormatCaption(), kB);
    EXPECT_EQ(LastFormat(), kB);
}

TEST_F(FormatOpsTest, SelectingAnUnknownNameGivesAnEmptyPageUnderThatName)
{
    OpenA();
    SelectFormat(w, QStringLiteral("无此格式"), false);
    EXPECT_EQ(w.FormatCaption(), QStringLiteral("无此格式"));
    EXPECT_EQ(w.fmt.dataRows(), 0);
    EXPECT_DOUBLE_EQ(w.pageW, 200); // header values kept
    EXPECT_EQ(LastFormat(), QStringLiteral("无此格式"));
}

TEST_F(FormatOpsTest, SaveFormatAsNewNameCopiesRowsPictureAndReferences)
{
    OpenA();
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(kA), "jpeg-a"));
    const QString copy = QStringLiteral("副本'\"A");
    DialogResult.clear();
    SetFormatChoosers({{}, [&](const FormatHost &, bool typing) {
                           EXPECT_TRUE(typing);
                           return copy;
                       }});
    EXPECT_EQ(SaveFormatAs(w, QString()), SaveOutcome::Saved);

    // Old format untouched, with its own IDs.
    const auto oldRows = Rows(kA);
    ASSERT_EQ(oldRows.size(), 2u);
    EXPECT_EQ(oldRows[0].id, a1);
    EXPECT_EQ(oldRows[1].rctl, a1);

    const auto rows = Rows(copy);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].id, a1);
    EXPECT_EQ(rows[1].lbl, QStringLiteral("电话"));
    EXPECT_EQ(rows[1].rctl, rows[0].id); // references follow the new rows
    EXPECT_EQ(rows[1].sum, rows[0].id);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), copy), 3); // header included
    EXPECT_EQ(w.FormatCaption(), copy);
    EXPECT_EQ(w.fmt.text(2, ColID), num::Str(rows[0].id));
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(copy)), QByteArray("jpeg-a"));
    EXPECT_EQ(LastFormat(), copy);
    // The default record of the format left was stored with its own IDs.
    ASSERT_EQ(w.savedDefaults.size(), 1u);
    EXPECT_EQ(w.savedDefaults[0].first, kA);
    EXPECT_EQ(w.savedDefaults[0].second, (QList<qint64> {a1, a2}));
    EXPECT_TRUE(dlg.shown().empty()); // a new name needs no question
}

// The lowest 64-bit value (read from a huge negative reference) has no
// positive counterpart: saving under a new name keeps it as it is.
TEST_F(FormatOpsTest, SaveFormatAsKeepsAHugeNegativeReference)
{
    OpenA();
    w.fmt.setText(3, ColSumID, QStringLiteral("-99999999999999999999"));
    const QString kept = w.fmt.text(3, ColSumID);
    EXPECT_EQ(SaveFormatAs(w, QStringLiteral("副本")), SaveOutcome::Saved);
    EXPECT_EQ(w.fmt.text(3, ColSumID), kept);
}

// A default record the database refuses would lose what the boxes hold:
// the user is told and the open format stays, whichever command leaves it.
TEST_F(FormatOpsTest, RefusedDefaultRecordKeepsTheOpenFormat)
{
    OpenA();
    w.refuseDefault = true;
    SelectFormat(w, kB, false);
    EXPECT_EQ(SaveFormatAs(w, QStringLiteral("副本")), SaveOutcome::Failed);
    EXPECT_EQ(w.FormatCaption(), kA);
    EXPECT_EQ(w.fmt.dataRows(), 2);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), QStringLiteral("副本")), 0);
    ASSERT_EQ(dlg.messages().size(), 1);
    // The message names what was found, not a full disk.
    EXPECT_TRUE(dlg.messages().front().startsWith(QStringLiteral("页面内容没有保存")));
    EXPECT_TRUE(dlg.messages().front().contains(QStringLiteral("正被其他程序使用")))
        << dlg.messages().front().toStdString();
}

TEST_F(FormatOpsTest, SaveFormatAsExistingNameAnsweredNoChangesNothing)
{
    OpenA();
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(kA), "jpeg-a"));
    dlg.Queue(false);
    EXPECT_EQ(SaveFormatAs(w, kB), SaveOutcome::Cancelled);
    ASSERT_EQ(dlg.shown().size(), 1u);
    EXPECT_EQ(dlg.shown()[0].text, QStringLiteral("该格式已经存在，是否覆盖？"));
    const auto rows = Rows(kB);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].id, b1);
    EXPECT_EQ(Rows(kA).size(), 2u);
    EXPECT_FALSE(QFile::exists(GetBackgroundPicturePath(kB)));
    EXPECT_TRUE(w.savedDefaults.empty());
    EXPECT_EQ(w.FormatCaption(), kA);
    EXPECT_EQ(LastFormat(), kA);
}

TEST_F(FormatOpsTest, SaveFormatAsExistingNameAnsweredYesReplacesIt)
{
    OpenA();
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(kA), "jpeg-a"));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(kB), "jpeg-b"));
    dlg.Queue(true);
    EXPECT_EQ(SaveFormatAs(w, kB), SaveOutcome::Saved);
    const auto rows = Rows(kB);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].lbl, QStringLiteral("收件人"));
    EXPECT_EQ(rows[1].sum, rows[0].id);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kB), 3);
    // The header now holds A's page size.
    EXPECT_EQ(num::Text(db::GetFieldWhere(QStringLiteral("Fmt"), QStringLiteral("Fmt=? AND LBL=?"),
                                          {kB, HeaderMarker()}, QStringLiteral("W"))),
              QStringLiteral("200"));
    // B's own picture is kept.
    EXPECT_EQ(ReadBytes(GetBackgroundPicturePath(kB)), QByteArray("jpeg-b"));
    EXPECT_EQ(w.FormatCaption(), kB);
    EXPECT_EQ(Rows(kA).size(), 2u);
}

TEST_F(FormatOpsTest, SaveFormatAsCancelledChooserDoesNothing)
{
    OpenA();
    EXPECT_EQ(SaveFormatAs(w, QString()), SaveOutcome::Cancelled); // no chooser installed: cancelled
    EXPECT_EQ(w.FormatCaption(), kA);
    EXPECT_TRUE(w.savedDefaults.empty());
}

TEST_F(FormatOpsTest, DeleteFormatRemovesItsRowsAndKeepsDefaultsMappingsAndPicture)
{
    OpenA();
    const auto ins = [](const char *table, const QString &fmt) {
        return db::InsertRow(QString::fromUtf8(table), {{QStringLiteral("Fmt"), fmt}}).has_value();
    };
    for (const QString &f : {kA, kB}) {
        ASSERT_TRUE(ins("历史", f));
        ASSERT_TRUE(ins("映射", f));
        ASSERT_TRUE(ins("默认", f));
    }
    ASSERT_TRUE(ins("淘宝映射", kB + QStringLiteral("_淘宝导入")));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(kB), "jpeg-b"));

    dlg.Queue(false);
    EXPECT_FALSE(DeleteFormat(w, kB));
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kB), 2);

    dlg.Clear();
    dlg.Queue(true);
    EXPECT_TRUE(DeleteFormat(w, kB));
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("删除完成！")});
    EXPECT_EQ(dlg.shown()[0].text, QStringLiteral("您确定要删除格式：“EMS”？"));
    EXPECT_EQ(DialogResult, kB);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kB), 0);
    EXPECT_EQ(Count(QStringLiteral("历史"), kB), 0);
    EXPECT_EQ(Count(QStringLiteral("映射"), kB), 0);
    EXPECT_EQ(Count(QStringLiteral("默认"), kB), 1);
    EXPECT_EQ(Count(QStringLiteral("淘宝映射"), kB + QStringLiteral("_淘宝导入")), 1);
    EXPECT_TRUE(QFile::exists(GetBackgroundPicturePath(kB)));
    // Format A, its records and the settings row stay.
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kA), 3);
    EXPECT_EQ(Count(QStringLiteral("历史"), kA), 1);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), QString()), 1);
}

TEST_F(FormatOpsTest, DeleteFormatRefusesTheOpenFormat)
{
    OpenA();
    EXPECT_FALSE(DeleteFormat(w, kA));
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("此格式为当前格式，不允许删除！")});
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kA), 3);

    // The table does not tell names apart by case: neither may the check.
    SelectFormat(w, kB, false);
    dlg.Clear();
    EXPECT_FALSE(DeleteFormat(w, QStringLiteral("ems")));
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("此格式为当前格式，不允许删除！")});
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kB), 2);
}

TEST_F(FormatOpsTest, DeleteFormatWithQuotesAndThroughTheChooser)
{
    testfmt::WriteHeader(QStringLiteral("O'Neil \"x\""), 100, 50, 15360);
    w.host.formatName = kB;
    SetFormatChoosers({{}, [](const FormatHost &, bool typing) {
                           EXPECT_FALSE(typing);
                           return QStringLiteral("O'Neil \"x\"");
                       }});
    dlg.Queue(true);
    EXPECT_TRUE(DeleteFormat(w, QString()));
    EXPECT_EQ(Count(QStringLiteral("Fmt"), QStringLiteral("O'Neil \"x\"")), 0);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kA), 3);

    SetFormatChoosers({{}, [](const FormatHost &, bool) { return QString(); }});
    dlg.Clear();
    EXPECT_FALSE(DeleteFormat(w, QString()));
    EXPECT_TRUE(dlg.shown().empty());
}

TEST_F(FormatOpsTest, FailedDeleteKeepsEverythingAndSaysSo)
{
    w.host.formatName = kA;
    ASSERT_TRUE(db::InsertRow(QStringLiteral("历史"), {{QStringLiteral("Fmt"), kB}}).has_value());
    // A trigger makes the delete of the format's rows fail after 历史 and 映射.
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral(
        "CREATE TRIGGER NoDelete BEFORE DELETE ON Fmt BEGIN SELECT RAISE(ABORT, 'x'); END")));
    dlg.Queue(true);
    EXPECT_FALSE(DeleteFormat(w, kB));
    EXPECT_EQ(Messages(), QStringList {QStringLiteral("格式：“EMS”删除失败！")});
    EXPECT_EQ(Count(QStringLiteral("历史"), kB), 1); // rolled back
    EXPECT_EQ(Count(QStringLiteral("Fmt"), kB), 2);
}

// A commit refused by a full disk is said in the words of a full disk, as
// 保存格式 says it, and stores nothing.
TEST_F(FormatOpsTest, SaveFormatAsWhoseCommitMeetsAFullDiskSaysSo)
{
    db::CloseConnection();
    const QByteArray data = ReadBytes(path(QStringLiteral("DATA.db")));
    SmallDisk disk(dataDir(), 1 << 20);
    if (!disk.on())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("DATA.db")), data));
    // The copy needs new pages, written only at the commit.
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral("UPDATE Fmt SET LBL=? WHERE ID=?"),
                               {QString(20000, u'长'), a1}));
    OpenA();
    ASSERT_TRUE(disk.LeaveRoom(8192));
    const SaveOutcome out = SaveFormatAs(w, QStringLiteral("副本"));
    EXPECT_EQ(out, SaveOutcome::Failed);
    EXPECT_TRUE(SaveFailedMessage(out.why).endsWith(
        QStringLiteral("数据文件夹所在的磁盘已满！请腾出空间，然后再保存。")))
        << qPrintable(SaveFailedMessage(out.why));
    EXPECT_EQ(Count(QStringLiteral("Fmt"), QStringLiteral("副本")), 0);
    db::CloseConnection();
}

// Only the second pass refused (a rule in the database on the new format's
// rows): the first pass goes back with it, the open format keeps its name,
// its IDs and its rows; and the result says so.
TEST_F(FormatOpsTest, SaveFormatAsRefusedInTheSecondPassChangesNothing)
{
    OpenA();
    QStringList ids;
    for (qint32 r = w.fmt.fixedRows(); r < w.fmt.rows(); ++r)
        ids << w.fmt.text(r, ColID);
    ASSERT_TRUE(db::ExecuteSQL(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE UPDATE OF LBL ON Fmt WHEN NEW.Fmt='副本' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const SaveOutcome out = SaveFormatAs(w, QStringLiteral("副本"));
    EXPECT_EQ(out, SaveOutcome::Failed);
    EXPECT_TRUE(w.calls.contains(QStringLiteral("caption:副本"))); // the first pass was stored
    EXPECT_EQ(w.FormatCaption(), kA);
    EXPECT_EQ(Count(QStringLiteral("Fmt"), QStringLiteral("副本")), 0);
    QStringList after;
    for (qint32 r = w.fmt.fixedRows(); r < w.fmt.rows(); ++r)
        after << w.fmt.text(r, ColID);
    EXPECT_EQ(after, ids);
    EXPECT_EQ(dlg.messages(), QStringList());
}
