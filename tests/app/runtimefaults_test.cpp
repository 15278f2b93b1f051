// The real program meeting faults of its data files while it runs: a save
// the system refuses names what was found (a read-only file or folder,
// another program holding the file, a full disk); a page damaged under an
// unchanged file is said once, with the advice to put back a copy, and the
// next start checks the file and says it again; a file another process
// changed or replaced while the program ran is checked at the next start.

#include "apprun.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr uid_t kNobody = 65534;

// As an ordinary user: permissions stop it where they would not stop root.
void AsNobody()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        ::_exit(99);
}

// A data folder an ordinary user owns, inside a temporary folder.
QString NobodysFolder(const QTemporaryDir &base)
{
    const QString dir = base.filePath(QStringLiteral("data"));
    QDir().mkpath(dir);
    ::chmod(QFile::encodeName(base.path()).constData(), 0711);
    ::chown(QFile::encodeName(dir).constData(), kNobody, kNobody);
    return dir;
}

// Starts the program with "record:<action>", calls whenShown once the main
// window is shown, then lets the driver trigger the action and close.
AppRun RunThen(const QString &dataDir, const QString &action, const std::function<void()> &whenShown,
               std::function<void()> childSetup = {})
{
    QProcess p;
    StartApp(p, dataDir, QStringLiteral("record:") + action, {}, std::move(childSetup));
    AppRun r;
    QElapsedTimer t;
    t.start();
    while (!r.errors.contains(QLatin1String("main window shown")) && t.elapsed() < 30000
           && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(100);
        r.errors += QString::fromLocal8Bit(p.readAllStandardError());
    }
    if (r.errors.contains(QLatin1String("main window shown"))) {
        whenShown();
        p.write("\n");
    }
    // A held database makes the program wait about 30 s.
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        r.errors += QStringLiteral("timed out\n");
    }
    r.millis = t.elapsed();
    r.crashed = p.exitStatus() == QProcess::CrashExit;
    r.status = p.exitCode();
    r.errors += QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

} // namespace

TEST(AppRuntimeFaults, RefusedSaveNamesWhatWasFound)
{
    struct Case
    {
        const char *what;
        bool asNobody;
        std::function<void(const QString &dir)> before, whenShown;
        std::function<void()> childSetup;
        QString says;
    };
    std::unique_ptr<DatabaseHolder> holder;
    const Case cases[] = {
        {"read-only DATA.db", true,
         [](const QString &dir) { QFile::setPermissions(dir + "/DATA.db", QFile::ReadOwner); },
         [](const QString &) {}, {}, QStringLiteral("”是只读的，无法写入")},
        {"read-only data folder", true, [](const QString &) {},
         [](const QString &dir) { ::chmod(QFile::encodeName(dir).constData(), 0555); }, {},
         QStringLiteral("数据文件夹“")},
        {"held by another program", false, [](const QString &) {},
         [&holder](const QString &dir) {
             // Held far past the program's waits (about 30 s together).
             holder = std::make_unique<DatabaseHolder>(dir + "/DATA.db", 400);
         },
         {}, QStringLiteral("”正被其他程序使用")},
        {"full disk", false, [](const QString &) {}, [](const QString &) {},
         [] {
             ::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit {4096, 4096};
             ::setrlimit(RLIMIT_FSIZE, &limit);
         },
         QStringLiteral("磁盘已满")},
    };
    for (const Case &c : cases) {
        QTemporaryDir base;
        const QString dir = c.asNobody ? NobodysFolder(base) : base.path();
        const std::function<void()> user = c.asNobody ? AsNobody : std::function<void()>();
        ASSERT_TRUE(WindowShown(RunApp(dir, QStringLiteral("record"), 60000, user))) << c.what;
        c.before(dir);
        const AppRun r = RunThen(dir, QStringLiteral("m_FCom31"), [&] { c.whenShown(dir); },
                                 [&c, user] {
                                     if (c.childSetup)
                                         c.childSetup();
                                     if (user)
                                         user();
                                 });
        holder.reset();
        ::chmod(QFile::encodeName(dir).constData(), 0755);
        const QStringList said = Messages(r).filter(QStringLiteral("修改仍在页面上"));
        ASSERT_EQ(said.size(), 1) << c.what << qPrintable(r.errors);
        EXPECT_TRUE(said.front().startsWith(QStringLiteral("格式没有保存，修改仍在页面上！")))
            << qPrintable(said.front());
        EXPECT_TRUE(said.front().contains(c.says)) << c.what << qPrintable(said.front());
        if (c.says != QStringLiteral("磁盘已满"))
            EXPECT_FALSE(said.front().contains(QStringLiteral("磁盘"))) << qPrintable(said.front());
        EXPECT_EQ(Messages(r).filter(QStringLiteral("数据库打开错误")), QStringList()) << c.what;
    }
}

TEST(AppRuntimeFaults, PageDamagedUnderAnUnchangedFileIsSaidOnceAndCheckedNextStart)
{
    QTemporaryDir data;
    const QString file = data.filePath(QStringLiteral("DATA.db"));
    ASSERT_TRUE(WindowShown(RunApp(data.path(), QStringLiteral("record"))));
    {
        // A second format, open at the next start, whose rows fill pages
        // of their own.
        auto conn = sql::Connection::Open(file, db::kDatabasePassword);
        ASSERT_TRUE(conn);
        for (int i = 0; i < 6; ++i)
            ASSERT_TRUE(conn->Exec(QStringLiteral(
                "INSERT INTO Fmt (Fmt, LBL, fName) VALUES ('乙', 'x', ?)"), {QString(700, u'字')}));
        ASSERT_TRUE(conn->Exec(QStringLiteral("UPDATE Fmt SET LBL='乙' WHERE Fmt=''")));
    }
    // A bad sector under its rows: the file system shows no change.
    ASSERT_TRUE(DamagePageUnder(file, QStringLiteral("SELECT * FROM Fmt WHERE Fmt='乙'"),
                                {QStringLiteral("SELECT * FROM Fmt WHERE Fmt=''"),
                                 QStringLiteral("SELECT * FROM Fmt WHERE Fmt<>'乙'")}));
    ASSERT_TRUE(NoteAsUnchanged(file));

    // The start skips the check of the unchanged file; opening the format
    // meets the page.
    const AppRun r = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_TRUE(WindowShown(r)) << qPrintable(r.errors);
    const QStringList msgs = Messages(r);
    ASSERT_EQ(msgs.size(), 1) << qPrintable(r.errors);
    EXPECT_TRUE(msgs.front().contains(file)) << qPrintable(msgs.front());
    EXPECT_TRUE(msgs.front().contains(QStringLiteral("已损坏"))) << qPrintable(msgs.front());
    EXPECT_TRUE(msgs.front().contains(QStringLiteral("备份"))) << qPrintable(msgs.front());
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".checked")));

    // Checked again: said at the start.
    const AppRun next = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_FALSE(WindowShown(next));
    ASSERT_EQ(Messages(next).size(), 1) << qPrintable(next.errors);
    EXPECT_TRUE(Messages(next).front().contains(QStringLiteral("程序不能运行")));
    EXPECT_EQ(next.status, 1);
}

TEST(AppRuntimeFaults, FileChangedByOthersWhileRunningIsCheckedNextStart)
{
    QTemporaryDir data;
    const QString file = data.filePath(QStringLiteral("DATA.db"));
    ASSERT_TRUE(WindowShown(RunApp(data.path(), QStringLiteral("record"))));
    // Unchanged by others while running: the note is left.
    ASSERT_TRUE(WindowShown(RunThen(data.path(), QString(), [] {})));
    ASSERT_TRUE(QFileInfo::exists(file + QStringLiteral(".checked")));

    // Written by another process while the program runs: no note.
    RunThen(data.path(), QString(), [&] {
        auto other = sql::Connection::Open(file, db::kDatabasePassword);
        ASSERT_TRUE(other && other->Exec(QStringLiteral("INSERT INTO 参数(Var,Con) VALUES('x','y')")));
    });
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".checked")));
    ASSERT_TRUE(WindowShown(RunApp(data.path(), QStringLiteral("record"))));
    ASSERT_TRUE(QFileInfo::exists(file + QStringLiteral(".checked")));

    // Replaced by a damaged copy while the program runs: the next start
    // checks the copy and says so.
    const QString copy = data.filePath(QStringLiteral("copy.db"));
    ASSERT_TRUE(QFile::copy(file, copy));
    ASSERT_TRUE(DamagePageUnder(copy, QStringLiteral("SELECT * FROM 历史"),
                                {QStringLiteral("SELECT * FROM Fmt")}));
    RunThen(data.path(), QString(), [&] {
        QFile::remove(file);
        ASSERT_TRUE(QFile::rename(copy, file));
    });
    const AppRun next = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_FALSE(WindowShown(next));
    ASSERT_EQ(Messages(next).size(), 1) << qPrintable(next.errors);
    EXPECT_TRUE(Messages(next).front().contains(QStringLiteral("已损坏")));
}
