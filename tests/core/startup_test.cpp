#include "core/apppaths.h"
#include "core/settings.h"
#include "core/startup.h"
#include "support/testenv.h"

#include <QDir>
#include <QLockFile>

class StartupTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        m_old = QDir::currentPath();
        QDir::setCurrent(dataDir());
    }
    void TearDown() override
    {
        QDir::setCurrent(m_old);
        DataDirTest::TearDown();
    }
    StartupRecord parse(const QString &line)
    {
        return ParseCommandLine(line.isEmpty() ? QStringList() : line.split(u' '));
    }
    QString m_old;
};

TEST_F(StartupTest, FivePartsWithExistingDataFileFillTheRecord)
{
    ASSERT_TRUE(WriteBytes(path("B"), "x"));
    EXPECT_EQ(parse("A B C D E"), (StartupRecord {"A", "B", 0, 0, true}));

    ASSERT_TRUE(WriteBytes(path("data.xls"), "x"));
    EXPECT_EQ(parse("fmt data.xls 2 10 x"), (StartupRecord {"fmt", "data.xls", 2, 10, true}));
    EXPECT_EQ(parse("fmt data.xls 2.5 3.5 x"), (StartupRecord {"fmt", "data.xls", 2, 4, true}));
    EXPECT_EQ(parse("fmt data.xls  7abc 9 x").FormatName, ""); // two blanks: six parts
    // An argument holding a blank is split like the rest of the line.
    EXPECT_EQ(ParseCommandLine({"fmt", "data.xls", "1", "2 3"}),
              (StartupRecord {"fmt", "data.xls", 1, 2, true}));
    // An empty fifth part: no automatic run.
    EXPECT_EQ(ParseCommandLine({"fmt", "data.xls", "1", "2", ""}),
              (StartupRecord {"fmt", "data.xls", 1, 2, false}));
}

TEST_F(StartupTest, OtherCommandLinesAreIgnored)
{
    ASSERT_TRUE(WriteBytes(path("data.xls"), "x"));
    ASSERT_TRUE(WriteBytes(path(".hidden"), "x"));
    ASSERT_TRUE(QDir(dataDir()).mkdir("folder"));
    const StartupRecord empty;
    EXPECT_EQ(parse(""), empty);
    EXPECT_EQ(parse("fmt"), empty);
    EXPECT_EQ(parse("fmt data.xls 2 10"), empty);
    EXPECT_EQ(parse("fmt data.xls 2 10 x y"), empty);
    EXPECT_EQ(parse("fmt missing.xls 2 10 x"), empty);
    EXPECT_EQ(parse("fmt folder 2 10 x"), empty);
    EXPECT_EQ(parse("fmt .hidden 2 10 x"), empty);
}

TEST_F(StartupTest, CaptionCarriesTheVersion)
{
    EXPECT_EQ(MainCaption(), QStringLiteral("快递单套打 3.02"));
}

TEST_F(StartupTest, PasswordIsCaseSensitiveAndChangeChecksRepetitionFirst)
{
    EXPECT_EQ(SoftwarePassword(), "");
    EXPECT_TRUE(PasswordMatches(""));
    ASSERT_TRUE(SaveParam("软件密码", "Ab"));
    EXPECT_FALSE(PasswordMatches("ab"));
    EXPECT_TRUE(PasswordMatches("Ab"));

    EXPECT_EQ(ChangePassword("wrong", "x", "y"), PasswordChange::NewTextsDiffer);
    EXPECT_EQ(ChangePassword("wrong", "x", "x"), PasswordChange::OldPasswordWrong);
    EXPECT_EQ(SoftwarePassword(), "Ab");
    EXPECT_EQ(ChangePassword("Ab", "新密码", "新密码"), PasswordChange::Changed);
    EXPECT_EQ(SoftwarePassword(), "新密码");
    EXPECT_EQ(ChangePassword("新密码", "", ""), PasswordChange::Changed);
    EXPECT_EQ(SoftwarePassword(), "");
    EXPECT_EQ(ChangePassword("", "n", "n"), PasswordChange::Changed);
    EXPECT_TRUE(dlg.shown().empty());
}

TEST_F(StartupTest, OnlyALockHeldByARunningCopyEndsTheStartSilently)
{
    QLockFile first(path("waybillprinter.lock"));
    EXPECT_EQ(TakeInstanceLock(first), InstanceLock::Taken);
    QLockFile second(path("waybillprinter.lock"));
    EXPECT_EQ(TakeInstanceLock(second), InstanceLock::HeldByRunningCopy);
    // A folder that cannot be written (here: its path runs through a file).
    ASSERT_TRUE(WriteBytes(path("file"), "x"));
    QLockFile blocked(path("file/data/waybillprinter.lock"));
    EXPECT_EQ(TakeInstanceLock(blocked), InstanceLock::Failed);
    EXPECT_TRUE(LockFailedMessage(path("file/data")).contains(path("file/data")));
}

// Test programs run in parallel: each has a data folder of its own, in use
// outside the fixture too (here after the fixture's tests above have run).
TEST(TestProcess, HasADataFolderOfItsOwn)
{
    const QString own = paths::DataDir();
    EXPECT_TRUE(own.startsWith(QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/waybill-test-")))
        << own.toStdString();
    EXPECT_TRUE(QDir(own).exists());
}
