#include "core/textfiles.h"
#include "support/testenv.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>

using TextFilesTest = DataDirTest;

TEST_F(TextFilesTest, WritesGb18030BytesWithCrLfAndNoBom)
{
    const QString f = path("格式.wlq");
    const QString text = QStringLiteral("<沃栎岚印坊格式专用_快递单专用>\r\n顺丰\r\na】★【b\n€");
    EXPECT_EQ(WriteTextFile(text, f), 1);
    const QByteArray expected = QByteArray("<")
        + QByteArray::fromHex("ced6e8dde1b0d3a1b7bbb8f1cabdd7a8d3c35fbfecb5ddb5a5d7a8d3c3")
        + ">\r\n" + QByteArray::fromHex("cbb3b7e1") + "\r\na" + QByteArray::fromHex("a1bfa1efa1be")
        + "b\n" + QByteArray("\x80"); // the euro sign as code page 936 writes it
    EXPECT_EQ(ReadBytes(f).toHex(), expected.toHex());
    EXPECT_EQ(ReadTextFile(f, false), text);
    EXPECT_TRUE(dlg.shown().empty());
}

TEST_F(TextFilesTest, ReplacesTargetRemovesLeftoverTempAndWritesEmptyText)
{
    const QString f = path("a.txt");
    ASSERT_TRUE(WriteBytes(f, "old contents that are longer"));
    ASSERT_TRUE(WriteBytes(f + ".TMP", "leftover"));
    EXPECT_EQ(WriteTextFile("new", f), 1);
    EXPECT_EQ(ReadBytes(f), "new");
    EXPECT_FALSE(QFileInfo::exists(f + ".TMP"));
    EXPECT_EQ(WriteTextFile(QString(), f), 1);
    EXPECT_TRUE(QFileInfo::exists(f));
    EXPECT_EQ(QFileInfo(f).size(), 0);
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files), QStringList {"a.txt"});
}

TEST_F(TextFilesTest, FailedWriteLeavesTargetIntact)
{
    const QString f = path("keep.wlq");
    ASSERT_TRUE(WriteBytes(f, "original"));
    // Files larger than 4 KiB cannot be written while this limit holds.
    struct rlimit old
    {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int rc = WriteTextFile(QString(100000, u'字'), f);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(ReadBytes(f), "original");
    EXPECT_EQ(QDir(dataDir()).entryList(QDir::Files), QStringList {"keep.wlq"});
}

TEST_F(TextFilesTest, RetryWritesOnlyToTheGivenPath)
{
    // The target's folder does not exist: every try fails, and nothing is
    // written under another name.
    const QString f = path("missing/x.wlq");
    EXPECT_FALSE(WriteTextFileRetry("t", f));
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
    EXPECT_TRUE(QDir(dataDir()).entryList(QDir::Files).filter("x.wlq").isEmpty());
    EXPECT_EQ(WriteTextFile("t", f), TextWriteCreateFailed);
    EXPECT_TRUE(WriteTextFileRetry("t", path("x.wlq")));
    EXPECT_FALSE(QFileInfo::exists(path("x.wlq1")));
    EXPECT_TRUE(dlg.shown().empty());
}

TEST_F(TextFilesTest, ReadingEmptyOrMissingFileGivesMessageAndEmptyText)
{
    const QString empty = path("empty.txt");
    ASSERT_TRUE(WriteBytes(empty, ""));
    EXPECT_EQ(ReadTextFile(empty, true), "");
    EXPECT_TRUE(QFileInfo::exists(empty)); // kept after a failed read
    EXPECT_EQ(dlg.messages(), QStringList {QStringLiteral("无法打开下载文档：\r\n") + empty});
    dlg.Clear();
    EXPECT_EQ(ReadTextFile(path("none.txt"), false), "");
    EXPECT_EQ(dlg.messages().size(), 1);
}

TEST_F(TextFilesTest, ReadWithDeleteFlagRemovesTheFile)
{
    const QString f = path("dl.wlq");
    ASSERT_TRUE(WriteBytes(f, QByteArray::fromHex("c4e3bac3") + "\r\n"));
    EXPECT_EQ(ReadTextFile(f, true), QStringLiteral("你好\r\n"));
    EXPECT_FALSE(QFileInfo::exists(f));
}
