// The real program started over a format export that was killed half way
// (a .wlq file and its picture partly replaced, left by a real export
// process killed between its file operations): the start completes or
// undoes the export before anything else, so the pair is both old or both
// new and none of the export's files is left.

#include "apprun.h"

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "support/testenv.h"

#include <QDir>
#include <string>

#include <gtest/gtest.h>

namespace {

// The format export of tests/core/exportkill_test.cpp, run by test_core over
// this data folder and killed before its killAt-th file operation (0: none).
bool ExportKilledAt(const QString &target, int killAt)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAYBILL_EXPORT_TARGET"), target);
    env.insert(QStringLiteral("WAYBILL_KILL_AT"), QString::number(killAt));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CORE_TESTS_EXE),
            {QStringLiteral("--gtest_also_run_disabled_tests"),
             QStringLiteral("--gtest_filter=ExportChild.DISABLED_Run")});
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitStatus() == QProcess::CrashExit;
}

class AppExportAtStart : public DataDirTest
{
protected:
    void writeOldPair()
    {
        ASSERT_TRUE(WriteBytes(out + QStringLiteral("/old.wlq"), "OLD"));
        ASSERT_TRUE(WriteBytes(out + QStringLiteral("/old.jpg"), "OLDPIC"));
    }
    std::string pairState() const
    {
        const QByteArray text = ReadBytes(out + QStringLiteral("/old.wlq")),
                         pic = ReadBytes(out + QStringLiteral("/old.jpg"));
        if (text == "OLD" && pic == "OLDPIC")
            return "old";
        if (text.startsWith('<') && pic == newPicture)
            return "new";
        return "mixed";
    }
    const QString out = path(QStringLiteral("out"));
    const QByteArray newPicture = QByteArray(3000, 'P');
};

} // namespace

TEST_F(AppExportAtStart, AHalfReplacedPairIsMadeWholeByTheNextStart)
{
    // A data folder the program made, with a format to export.
    ASSERT_TRUE(WindowShown(RunApp(dataDir(), QStringLiteral("record"))));
    FormatHostState host;
    GridModel g;
    fmtgrid::LayoutFormatGrid(g);
    QStringList row(fmtgrid::kColumnCount);
    row[fmtgrid::ColID] = QString::number(NewTempCtlID(g));
    row[fmtgrid::ColLBL] = QStringLiteral("收件人");
    g.addRow(row);
    ASSERT_TRUE(SaveFormatGrid(host, g, QStringLiteral("A")));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(QStringLiteral("A")), newPicture));
    db::CloseConnection(); // the export and the program open their own
    ASSERT_TRUE(QDir().mkpath(out));
    const QString target = out + QStringLiteral("/old.wlq");

    // The kill points that leave the pair mixed.
    QList<int> mixed;
    for (int k = 1; k < 100; ++k) {
        writeOldPair();
        if (!ExportKilledAt(target, k))
            break; // the whole export ran
        if (pairState() == "mixed")
            mixed << k;
        RecoverFormatExport(); // each kill point from a clean folder
    }
    ASSERT_FALSE(mixed.isEmpty());
    for (const int k : mixed) {
        writeOldPair();
        ASSERT_TRUE(ExportKilledAt(target, k));
        ASSERT_EQ(pairState(), "mixed");
        const AppRun r = RunApp(dataDir(), QStringLiteral("record"));
        EXPECT_TRUE(WindowShown(r)) << qPrintable(r.errors);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(pairState(), "mixed") << "killed at operation " << k;
        EXPECT_EQ(FilesIn(out).join(u' ').toStdString(), "old.jpg old.wlq") << k;
        EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("export.pending")))) << k;
    }
}
