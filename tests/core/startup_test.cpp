#include "core/apppaths.h"
#include "core/settings.h"
#include "core/startup.h"
#include "support/testenv.h"
#include "support/testmain.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <functional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    SingleCopyLock first(path("waybillprinter.lock"));
    EXPECT_EQ(first.Take(), InstanceLock::Taken);
    SingleCopyLock second(path("waybillprinter.lock"));
    EXPECT_EQ(second.Take(), InstanceLock::HeldByRunningCopy);
    // A folder that cannot be written (here: its path runs through a file).
    ASSERT_TRUE(WriteBytes(path("file"), "x"));
    SingleCopyLock blocked(path("file/data/waybillprinter.lock"));
    EXPECT_EQ(blocked.Take(), InstanceLock::Failed);
    EXPECT_TRUE(LockFailedMessage(path("file/data")).contains(path("file/data")));
}

namespace {

char OutcomeLetter(InstanceLock outcome)
{
    switch (outcome) {
    case InstanceLock::Taken:
        return 'T';
    case InstanceLock::HeldByRunningCopy:
        return 'H';
    case InstanceLock::Blocked:
        return 'B';
    case InstanceLock::Failed:
        return 'F';
    }
    return '?';
}

// Starts that many processes at the same instant, each taking the lock and
// holding what it got until all have answered; their outcomes, sorted
// ("HT" for one copy running and one ending silently).
std::string SimultaneousStarts(const QString &lockPath, int starters)
{
    int go[2], answers[2], release[2];
    if (pipe(go) != 0 || pipe(answers) != 0 || pipe(release) != 0)
        return "<no pipe>";
    std::vector<pid_t> pids;
    for (int i = 0; i < starters; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            ::close(go[1]);
            ::close(answers[0]);
            ::close(release[1]);
            char c;
            while (::read(go[0], &c, 1) > 0) { }
            {
                SingleCopyLock lock(lockPath);
                c = OutcomeLetter(lock.Take());
                if (::write(answers[1], &c, 1) != 1)
                    _exit(1);
                while (::read(release[0], &c, 1) > 0) { }
            }
            _exit(0);
        }
        pids.push_back(pid);
    }
    ::close(go[0]);
    ::close(answers[1]);
    ::close(release[0]);
    ::close(go[1]);
    std::string out;
    char c;
    while (int(out.size()) < starters && ::read(answers[0], &c, 1) == 1)
        out += c;
    ::close(release[1]);
    ::close(answers[0]);
    for (const pid_t pid : pids)
        ::waitpid(pid, nullptr, 0);
    std::sort(out.begin(), out.end());
    return out;
}

// A copy that took the lock and died without letting it go.
void DieHoldingTheLock(const QString &lockPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        auto *lock = new SingleCopyLock(lockPath);
        _exit(lock->Take() == InstanceLock::Taken ? 0 : 1);
    }
    ::waitpid(pid, nullptr, 0);
}

} // namespace

TEST_F(StartupTest, SimultaneousStartsOverAStaleLockLetExactlyOneCopyRun)
{
    const QString lock = path("waybillprinter.lock");
    struct Stale
    {
        const char *what;
        std::function<void()> make;
    };
    const Stale kinds[] = {
        {"dead owner", [&] { DieHoldingTheLock(lock); }},
        {"empty", [&] { WriteBytes(lock, QByteArray()); }},
        {"garbage", [&] { WriteBytes(lock, "\x01\x02zz\n\n"); }},
    };
    for (const Stale &kind : kinds)
        for (const int starters : {2, 8})
            for (int trial = 0; trial < 20; ++trial) {
                kind.make();
                ASSERT_TRUE(QFileInfo::exists(lock)) << kind.what;
                EXPECT_EQ(SimultaneousStarts(lock, starters), std::string(starters - 1, 'H') + "T")
                    << kind.what << ", " << starters << " starts, trial " << trial;
            }
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

// A data folder set from outside (a user's own, say) is not the test
// program's: the program still runs on a folder of its own.
TEST(TestProcess, IgnoresADataFolderGivenFromOutside)
{
    QTemporaryDir outside;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QString::fromLatin1(kStartedByTestVariable));
    env.insert(QString::fromLatin1(paths::kDataDirVariable), outside.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=TestProcess.HasADataFolderOfItsOwn")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList());
}

namespace {

// Runs the work in a forked child; its exit status.
int InChild(const std::function<int()> &work)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work());
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(StartupTest, ReadOnlyDataFolderIsRefusedWithOrWithoutAnOldLockFile)
{
    // As an ordinary user, whom the folder's permissions stop.
    for (const bool oldLock : {false, true}) {
        const QString dir = path(oldLock ? "withlock" : "nolock");
        QDir().mkpath(dir);
        const QString lockPath = dir + QStringLiteral("/waybillprinter.lock");
        if (oldLock) {
            QFile f(lockPath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.close();
            ::chown(QFile::encodeName(lockPath).constData(), 65534, 65534);
        }
        ::chown(QFile::encodeName(dir).constData(), 65534, 65534);
        ::chmod(QFile::encodeName(dataDir()).constData(), 0755);
        ::chmod(QFile::encodeName(dir).constData(), 0555);
        const int taken = InChild([&] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                return 99;
            SingleCopyLock lock(lockPath);
            return int(lock.Take());
        });
        EXPECT_EQ(taken, int(InstanceLock::Failed)) << oldLock;
        ::chmod(QFile::encodeName(dir).constData(), 0755);
    }
}

// Copies that take and release the lock in a loop while others start: at no
// moment do two of them hold it.
TEST_F(StartupTest, CopiesEndingWhileOthersStartNeverHoldTheLockTogether)
{
    struct Shared
    {
        std::atomic<int> owners;
        std::atomic<int> both;
        std::atomic<int> takes;
    };
    auto *shared = static_cast<Shared *>(
        mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(shared, MAP_FAILED);
    new (shared) Shared {};
    const QString lockPath = path("waybillprinter.lock");
    std::vector<pid_t> copies;
    for (int i = 0; i < 8; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            QElapsedTimer t;
            t.start();
            // Until the copies have taken it 1,000 times together; the
            // time bound only ends a test that cannot get there.
            while (shared->takes.load() < 1000 && t.elapsed() < 60000) {
                SingleCopyLock lock(lockPath);
                if (lock.Take() != InstanceLock::Taken)
                    continue;
                if (shared->owners.fetch_add(1) > 0)
                    shared->both.fetch_add(1);
                shared->takes.fetch_add(1);
                ::usleep(200);
                shared->owners.fetch_sub(1);
            }
            _exit(0);
        }
        copies.push_back(pid);
    }
    for (const pid_t pid : copies)
        ::waitpid(pid, nullptr, 0);
    EXPECT_EQ(shared->both.load(), 0);
    EXPECT_GE(shared->takes.load(), 1000);
    munmap(shared, sizeof(Shared));
}
