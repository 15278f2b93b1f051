// A format export over an old .wlq file and its picture, killed (SIGKILL) at
// each of its file operations in turn, then the recovery the program runs at
// its start: the two files are both old or both new, byte for byte, and no
// file of the export is left. The test runs itself as the child:
// ExportChild.DISABLED_Run exports and kills itself before the n-th file
// operation.

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "support/killchild.h"
#include "support/testenv.h"

#include <QDir>

#include <optional>

namespace {

ChildRun runChild(const QString &target, int killAt)
{
    QProcessEnvironment env;
    env.insert("WAYBILL_EXPORT_TARGET", target);
    return RunKilledChild("ExportChild.DISABLED_Run", killAt, env);
}

class ExportKill : public DataDirTest
{
protected:
    // Format "A" with a picture, and the bytes of a whole export of it over
    // the old pair; the number of file operations of a whole run.
    int prepare()
    {
        FormatHostState host;
        GridModel g;
        fmtgrid::LayoutFormatGrid(g);
        QStringList row(fmtgrid::kColumnCount);
        row[fmtgrid::ColID] = QString::number(NewTempCtlID(g));
        row[fmtgrid::ColLBL] = "收件人";
        g.addRow(row);
        EXPECT_TRUE(SaveFormatGrid(host, g, "A"));
        EXPECT_TRUE(WriteBytes(GetBackgroundPicturePath("A"), newPicture));
        db::CloseConnection(); // the child opens its own
        dataFiles = FilesIn(dataDir());

        writeOldPair();
        const ChildRun whole = runChild(out + "/old.wlq", 0);
        EXPECT_FALSE(whole.killed);
        EXPECT_GT(whole.steps, 10);
        newText = ReadBytes(out + "/old.wlq");
        EXPECT_TRUE(newText.startsWith("<"));
        EXPECT_EQ(ReadBytes(out + "/old.jpg"), newPicture);
        return whole.steps;
    }

    QString pairState() const
    {
        const QByteArray text = ReadBytes(out + "/old.wlq"), pic = ReadBytes(out + "/old.jpg");
        if (text == "OLD" && pic == "OLDPIC")
            return QStringLiteral("old");
        if (text == newText && pic == newPicture)
            return QStringLiteral("new");
        return QStringLiteral("mixed");
    }

    void writeOldPair()
    {
        QDir(out).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_TRUE(WriteBytes(out + "/old.wlq", "OLD"));
        ASSERT_TRUE(WriteBytes(out + "/old.jpg", "OLDPIC"));
    }

    const QString out = path("out");
    const QByteArray newPicture = QByteArray(3000, 'P');
    QByteArray newText;
    QStringList dataFiles;
    const QStringList pair {"old.jpg", "old.wlq"};
};

} // namespace

TEST(ExportChild, DISABLED_Run)
{
    int steps = 0;
    ScriptedDialogs dlg;
    setDialogs(&dlg);
    dlg.Queue(qEnvironmentVariable("WAYBILL_EXPORT_TARGET"));
    dlg.Queue(true); // replace
    FormatHostState host;
    const bool ok = ExportFormat(host, "A", KillAtStep(&steps));
    setDialogs(nullptr);
    EXPECT_TRUE(ok);
    ReportSteps(steps);
}

TEST_F(ExportKill, KilledAtAnyFileOperationLeavesBothOldOrBothNewAndNothingElse)
{
    const int steps = prepare();
    int sawOld = 0, sawNew = 0;
    for (int k = 1; k <= steps; ++k) {
        writeOldPair();
        EXPECT_TRUE(runChild(out + "/old.wlq", k).killed) << k;
        EXPECT_TRUE(RecoverFormatExport()) << k;
        const QString state = pairState();
        EXPECT_NE(state, "mixed") << "killed at operation " << k;
        EXPECT_EQ(FilesIn(out), pair) << k;
        EXPECT_EQ(FilesIn(dataDir()), dataFiles) << k;
        sawOld += state == "old";
        sawNew += state == "new";
    }
    // Both outcomes happen: the kill points reach past the last rename.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);

    // Without a start in between, the next export finishes the killed one's
    // business before its own.
    writeOldPair();
    EXPECT_TRUE(runChild(out + "/old.wlq", steps / 2).killed);
    EXPECT_FALSE(runChild(out + "/old.wlq", 0).killed);
    EXPECT_EQ(pairState(), "new");
    EXPECT_EQ(FilesIn(out), pair);
    EXPECT_EQ(FilesIn(dataDir()), dataFiles);
}

// A rollback whose rename back fails (the folder made append-only), in a
// recovery or in the failed commit itself, leaves the old files under their
// hidden names and keeps the record; the next recovery, the folder writable
// again, gives the old pair back.
TEST_F(ExportKill, RollbackThatCannotRenameBackKeepsTheRecord)
{
    const int steps = prepare();
    // The first kill point after which both targets hold the new files is
    // before the run is marked done: the recovery undoes it.
    int k = 1;
    for (; k <= steps; ++k) {
        writeOldPair();
        ASSERT_TRUE(runChild(out + "/old.wlq", k).killed) << k;
        if (pairState() == "new")
            break;
        ASSERT_TRUE(RecoverFormatExport()) << k;
    }
    ASSERT_LE(k, steps);
    safefile::RecoverResult stuck;
    {
        AppendOnlyFolder lock(out);
        if (!lock.on())
            GTEST_SKIP() << "no append-only folders on this file system";
        stuck = RecoverFormatExport();
    }
    EXPECT_EQ(stuck.what, safefile::Recovery::Stuck);
    EXPECT_TRUE(QFileInfo(stuck.kept).fileName().startsWith(".old.")) << qPrintable(stuck.kept);
    EXPECT_TRUE(RecoverFormatExport());
    EXPECT_EQ(pairState(), "old");
    EXPECT_EQ(FilesIn(out), pair);
    EXPECT_EQ(FilesIn(dataDir()), dataFiles);

    // The same inside an export: the folder turns append-only once the text
    // is replaced, so the picture cannot be, nor the text put back.
    std::optional<AppendOnlyFolder> lock;
    const safefile::StepHook lockAfterText = [&] {
        if (!lock && ReadBytes(out + "/old.wlq") != "OLD")
            lock.emplace(out);
    };
    dlg.Queue(out + "/old.wlq");
    dlg.Queue(true); // replace
    FormatHostState host;
    EXPECT_FALSE(ExportFormat(host, "A", lockAfterText));
    ASSERT_TRUE(lock && lock->on());
    lock.reset();
    EXPECT_EQ(pairState(), "mixed");
    EXPECT_TRUE(QFileInfo::exists(path("export.pending")));
    EXPECT_TRUE(RecoverFormatExport());
    EXPECT_EQ(pairState(), "old");
    EXPECT_EQ(FilesIn(out), pair);
    EXPECT_EQ(FilesIn(dataDir()), dataFiles);
}

TEST_F(ExportKill, ARecordNameHeldByAFolderIsSaidAsSuch)
{
    prepare();
    writeOldPair();
    ASSERT_TRUE(QDir().mkpath(path("export.pending")));
    dlg.Queue(out + "/old.wlq");
    dlg.Queue(true); // replace
    FormatHostState host;
    EXPECT_FALSE(ExportFormat(host, "A"));
    const QStringList msgs = dlg.messages();
    ASSERT_FALSE(msgs.isEmpty());
    EXPECT_TRUE(msgs.last().contains(path("export.pending") + "”是一个文件夹"))
        << qPrintable(msgs.last());
    EXPECT_FALSE(msgs.join("|").contains("文件保存出错"));
    EXPECT_EQ(pairState(), "old");
}
