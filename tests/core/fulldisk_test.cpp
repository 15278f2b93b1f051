// Writes onto a full disk (a file-size limit in a child process), and
// settings writes killed on the way: the old file keeps its bytes, no
// temporary file is left and a failure is said.

#include "core/exchangefile.h"
#include "core/formatgrid.h"
#include "core/formathost.h"
#include "core/formatstore.h"
#include "core/database.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "core/textfiles.h"
#include "support/killchild.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <cerrno>

namespace {

class FullDiskWrites : public DataDirTest
{
};

TEST_F(FullDiskWrites, TextFileSmallerThanTheWriteBuffer)
{
    const QString f = path(QStringLiteral("keep.wlq"));
    ASSERT_TRUE(WriteBytes(f, "original"));
    // 3000 characters: 6000 bytes, held in the write buffer until the end.
    const QString answer = OnFullDisk(4096, [&] {
        return QString::number(WriteTextFile(QString(3000, u'字'), f));
    });
    EXPECT_LT(answer.toInt(), 0) << qPrintable(answer);
    EXPECT_EQ(ReadBytes(f), "original");
    EXPECT_EQ(FilesIn(dataDir()), QStringList {QStringLiteral("keep.wlq")});
}

TEST_F(FullDiskWrites, SettingsFileKeepsItsValues)
{
    const auto save = [](const QString &key, const QString &value) {
        return SaveRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Para"), key, value);
    };
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(save(QStringLiteral("K%1").arg(i), QString(20, u'设')));
    const QString ini = path(QStringLiteral("settings.ini"));
    const QByteArray before = ReadBytes(ini);
    ASSERT_GT(before.size(), 1000);
    // 200 bytes: not even the copy fits; a little above the old size: the
    // copy does, the value of 3,000 characters does not.
    for (const qint64 limit : {qint64(200), qint64(before.size() + 100)}) {
        const QString answer = OnFullDisk(limit, [&] {
            return save(QStringLiteral("K0"), QString(3000, u'长')) ? QStringLiteral("saved")
                                                                     : QStringLiteral("failed");
        });
        EXPECT_EQ(answer, QStringLiteral("failed")) << limit;
        EXPECT_EQ(ReadBytes(ini), before) << limit;
        EXPECT_EQ(QSettings(ini, QSettings::IniFormat).allKeys().size(), 40) << limit;
        EXPECT_EQ(FilesIn(dataDir()), QStringList {QStringLiteral("settings.ini")}) << limit;
    }
}

// A settings write killed as it enters each rename, removal, link or sync,
// then a start: the file holds the old value or the new one, and only the
// write's own working copies are gone (a file of a like name stays).
TEST_F(FullDiskWrites, SettingsWriteKilledOnTheWayLeavesNothingAfterTheNextStart)
{
    const QString ini = path(QStringLiteral("settings.ini"));
    const QStringList kept {QStringLiteral("settings.ini"), QStringLiteral("settings.ini.newer")};
    int kills = 0;
    for (const QString op : {"rename,renameat,renameat2", "unlink,unlinkat", "link,linkat",
                             "fsync,fdatasync", "flock"})
        for (int when = 1; when <= 3; ++when) {
            for (const QString &f : FilesIn(dataDir()))
                QFile::remove(path(f));
            ASSERT_TRUE(SaveRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Para"),
                                       QStringLiteral("K"), QStringLiteral("old")));
            ASSERT_TRUE(WriteBytes(path(QStringLiteral("settings.ini.newer")), "mine"));
            if (!RunChildKilledAtCall("SettingsWriteChild.DISABLED_Run", op, when))
                continue;
            ++kills;
            RemoveLeftSettingsCopies();
            const QString value = QSettings(ini, QSettings::IniFormat).value("PQT_V/Para/K").toString();
            EXPECT_TRUE(value == "old" || value == "new") << qPrintable(op) << when;
            EXPECT_EQ(FilesIn(dataDir()), kept) << qPrintable(op) << when;
            EXPECT_EQ(ReadBytes(path(QStringLiteral("settings.ini.newer"))), "mine");
        }
    EXPECT_GT(kills, 4);
}

TEST_F(FullDiskWrites, FormatExportKeepsTheOldFileAndPicture)
{
    FormatHostState host;
    GridModel g;
    fmtgrid::LayoutFormatGrid(g);
    QStringList row;
    for (int c = 0; c < fmtgrid::kColumnCount; ++c)
        row << QString();
    row[fmtgrid::ColID] = QString::number(NewTempCtlID(g));
    row[fmtgrid::ColLBL] = QString(1000, u'收'); // 2000 bytes in the file
    g.addRow(row);
    ASSERT_TRUE(SaveFormatGrid(host, g, QStringLiteral("A")));
    ASSERT_TRUE(WriteBytes(GetBackgroundPicturePath(QStringLiteral("A")), QByteArray(30000, 'P')));
    const QString target = path(QStringLiteral("out/old.wlq"));
    QDir().mkpath(path(QStringLiteral("out")));
    ASSERT_TRUE(WriteBytes(target, "OLD"));
    ASSERT_TRUE(WriteBytes(path(QStringLiteral("out/old.jpg")), "OLDPIC"));
    db::CloseConnection(); // the child opens its own

    struct Case
    {
        qint64 limit;
        const char *what;
    };
    // 1000 bytes: the record in the data folder can be written, the text
    // cannot; 8000: the text can, the picture not.
    for (const Case &c : {Case {1000, "text"}, Case {8000, "picture"}}) {
        const QString answer = OnFullDisk(c.limit, [&] {
            dlg.Clear();
            dlg.Queue(target);
            dlg.Queue(true); // replace
            const bool ok = ExportFormat(host, QStringLiteral("A"));
            return QString::number(ok) + u'|' + MessageBoxes(dlg).join(u'|');
        });
        EXPECT_EQ(answer, QStringLiteral("0|文件保存出错！文件夹“") + path(QStringLiteral("out"))
                      + QStringLiteral("”所在的磁盘已满！请腾出空间，然后再导出。"))
            << qPrintable(answer) << c.what;
        EXPECT_EQ(ReadBytes(target), "OLD") << c.what;
        EXPECT_EQ(ReadBytes(path(QStringLiteral("out/old.jpg"))), "OLDPIC") << c.what;
        EXPECT_EQ(FilesIn(path(QStringLiteral("out"))),
                  (QStringList {QStringLiteral("old.jpg"), QStringLiteral("old.wlq")}))
            << c.what;
    }
}

// A format's picture copy that fails after its record is written: the
// cause said is the failed step's own, not that of the undo after it. Here
// the old picture takes no second name (an append-only file takes no new
// links).
TEST_F(FullDiskWrites, PictureCopyNamesTheFailedStepsCause)
{
    const QString from = path(QStringLiteral("new.jpg")), target = GetBackgroundPicturePath("B");
    ASSERT_TRUE(WriteBytes(from, "PIC") && WriteBytes(target, "OLD"));
    const QStringList before = FilesIn(dataDir());
    {
        AppendOnlyFolder lock(target);
        if (!lock.on())
            GTEST_SKIP() << "no append-only files on this file system";
        PictureCopy copy;
        EXPECT_EQ(copy.Copy(from, target, true).text,
                  QStringLiteral("底图“") + target + QStringLiteral("”复制出错：") + SystemErrorText(EPERM));
    }
    EXPECT_EQ(ReadBytes(target), "OLD");
    EXPECT_EQ(FilesIn(dataDir()), before);
}

TEST_F(FullDiskWrites, DatabaseCommitNamesTheFullDisk)
{
    SmallDisk disk(dataDir(), 1 << 20);
    if (!disk.on())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_NE(db::Connection(), nullptr);
    // Room for the journal, none for the new pages of the long value: the
    // commit fails and SQLite rolls the transaction back itself.
    ASSERT_TRUE(disk.LeaveRoom(8192));
    const sql::Status why = db::RunInTransaction([](sql::Connection &c) {
        return c.Exec(QStringLiteral("INSERT INTO 参数 (Var, Con) VALUES ('长', ?)"),
                      {QString(6000, u'值')});
    });
    EXPECT_EQ(db::WriteFaultText(why, QStringLiteral("保存")).toStdString(),
              "数据文件夹所在的磁盘已满！请腾出空间，然后再保存。");
    EXPECT_EQ(db::GetFieldWhere(QStringLiteral("参数"), QStringLiteral("Var=?"),
                                {QStringLiteral("长")}, QStringLiteral("Con")),
              QVariant(QString()));
    db::CloseConnection();
}

} // namespace

TEST(SettingsWriteChild, DISABLED_Run)
{
    EXPECT_TRUE(SaveRegSetting(QStringLiteral("PQT_V"), QStringLiteral("Para"), QStringLiteral("K"),
                               QStringLiteral("new")));
}
