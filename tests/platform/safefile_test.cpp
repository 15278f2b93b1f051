#include "platform/safefile.h"
#include "support/killchild.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace {

class SafeFile : public DataDirTest
{
};

// Two files replaced as one: when the second cannot take its place, the
// first gets its old bytes back, or is removed when it did not exist.
TEST_F(SafeFile, PairKeepsBothOldWhenTheSecondCannotBeReplaced)
{
    for (const bool firstExisted : {true, false}) {
        // The second target's folder moves away once its file is written.
        const QString folder = path(QStringLiteral("sub"));
        QDir(folder).removeRecursively();
        QDir(path(QStringLiteral("moved"))).removeRecursively();
        QDir().mkpath(folder);
        const QString blocked = folder + QStringLiteral("/b.jpg");
        const QString first = path(QStringLiteral("a.wlq"));
        QFile::remove(first);
        if (firstExisted)
            ASSERT_TRUE(WriteBytes(first, "OLD"));
        safefile::Together pair(path(QStringLiteral("record")), {first, blocked});
        ASSERT_TRUE(pair.Open() && pair.file(0).Write("NEW") && pair.file(1).Write("PIC"));
        ASSERT_TRUE(QDir().rename(folder, path(QStringLiteral("moved"))));
        EXPECT_FALSE(pair.Commit());
        if (firstExisted)
            EXPECT_EQ(ReadBytes(first), "OLD");
        else
            EXPECT_FALSE(QFile::exists(first));
        EXPECT_EQ(FilesIn(dataDir()),
                  firstExisted ? QStringList {QStringLiteral("a.wlq")} : QStringList {});
    }
}

// A write killed (SIGKILL, injected by strace) as it enters each of its
// file operations, then the next write of that file: the folder holds the
// file with the last write's bytes and nothing else, whether the file
// existed before or not.
TEST_F(SafeFile, AWriteKilledAtAnyFileOperationLeavesNoStrayFile)
{
    const QString folder = path(QStringLiteral("out")), target = folder + QStringLiteral("/t.bin");
    const QStringList operations {"link,linkat", "rename,renameat,renameat2", "unlink,unlinkat",
                                  "fsync,fdatasync", "flock", "fchmod"};
    int kills = 0, stray = 0;
    for (const bool existed : {true, false})
        for (const QString &op : operations)
            for (int when = 1; when <= 2; ++when) {
                QDir(folder).removeRecursively();
                ASSERT_TRUE(QDir().mkpath(folder));
                if (existed)
                    ASSERT_TRUE(WriteBytes(target, "OLD"));
                QProcessEnvironment env;
                env.insert("WAYBILL_WRITE_TARGET", target);
                if (!RunChildKilledAtCall("WriteFileChild.DISABLED_Run", op, when, env))
                    continue; // the write has fewer such operations
                ++kills;
                const QByteArray left = ReadBytes(target);
                EXPECT_TRUE(left == (existed ? "OLD" : "") || left == "NEW") << qPrintable(op);
                ASSERT_TRUE(safefile::WriteFile(target, "NEXT"));
                EXPECT_EQ(ReadBytes(target), "NEXT");
                const bool clean = FilesIn(folder) == QStringList {QStringLiteral("t.bin")};
                EXPECT_TRUE(clean) << qPrintable(op) << " " << when << " "
                                   << qPrintable(FilesIn(folder).join(u' '));
                stray += !clean;
            }
    EXPECT_GT(kills, 4);
    EXPECT_EQ(stray, 0) << "of " << kills;
}

} // namespace

TEST(WriteFileChild, DISABLED_Run)
{
    EXPECT_TRUE(safefile::WriteFile(qEnvironmentVariable("WAYBILL_WRITE_TARGET"), "NEW"));
}
