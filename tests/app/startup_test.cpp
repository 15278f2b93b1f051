// The real program started on damaged data folders: a DATA.db that cannot
// be read gives one message naming it and an exit within seconds, leaves
// the file as it was and releases the lock, so the next start says the same;
// a DATA.db another process holds for a moment is waited for, and one held
// longer is said to be busy, not damaged; stale lock files are taken over,
// also by simultaneous starts of which exactly one runs, a running copy's
// lock ends a start silently and a lock that cannot be taken over is named.

#include "apprun.h"

#include "core/database.h"
#include "platform/sqlitedb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray Fingerprint(const QString &path)
{
    QFile f(path);
    if (QFileInfo(path).isDir())
        return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u'|').toUtf8();
    return f.open(QIODevice::ReadOnly)
        ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()
        : QByteArray("<unreadable>");
}

bool MakeDatabase(const QString &path, const QByteArray &key, int rows)
{
    auto conn = sql::Connection::Open(path, key);
    if (!conn || !db::CreateSchema(*conn))
        return false;
    sql::Transaction tx(*conn);
    for (int i = 0; i < rows; ++i)
        if (!conn->Exec(QStringLiteral("INSERT INTO 历史(Fmt,ID,CID,Con) VALUES(?,?,?,?)"),
                        {QStringLiteral("顺丰"), i, i, QString(40, u'史')}))
            return false;
    return tx.Commit();
}

} // namespace

TEST(AppStartup, DatabaseHeldByAnotherProcessIsWaitedForOrSaidToBeBusy)
{
    QTemporaryDir data;
    const QString file = data.filePath(QStringLiteral("DATA.db"));
    // A first start makes the healthy file, with its example format, and
    // notes its state as it ends, so that the next start need not check it.
    ASSERT_TRUE(WindowShown(RunApp(data.path(), QStringLiteral("record"))));
    EXPECT_TRUE(QFileInfo::exists(file + QStringLiteral(".checked")));
    {
        // Held for a moment: the start waits and goes on.
        DatabaseHolder holder(file, 6);
        ASSERT_TRUE(holder.held());
        const AppRun r = RunApp(data.path(), QStringLiteral("record"));
        EXPECT_TRUE(WindowShown(r)) << qPrintable(r.errors);
        EXPECT_EQ(Messages(r), QStringList());
        EXPECT_EQ(r.status, 0);
    }
    const QByteArray started = Fingerprint(file);
    {
        // Held for longer than the wait: busy, which is neither damage nor
        // a reason to put a backup over the file.
        DatabaseHolder holder(file, 400);
        ASSERT_TRUE(holder.held());
        const AppRun r = RunApp(data.path(), QStringLiteral("record"), 200000);
        const QStringList msgs = Messages(r);
        ASSERT_EQ(msgs.size(), 1) << qPrintable(r.errors);
        EXPECT_TRUE(msgs.at(0).contains(file)) << qPrintable(msgs.at(0));
        EXPECT_TRUE(msgs.at(0).contains(QStringLiteral("正被其他程序使用")))
            << qPrintable(msgs.at(0));
        EXPECT_FALSE(msgs.at(0).contains(QStringLiteral("损坏"))) << qPrintable(msgs.at(0));
        EXPECT_FALSE(msgs.at(0).contains(QStringLiteral("备份"))) << qPrintable(msgs.at(0));
        EXPECT_FALSE(WindowShown(r));
        EXPECT_EQ(r.status, 1);
        // Ten times the start with its 8 s wait; far below the holder's time.
        EXPECT_LT(r.millis, 100000);
    }
    EXPECT_EQ(Fingerprint(file), started);
}

TEST(AppStartup, DamagedDatabaseGivesOneMessageAndIsKept)
{
    struct Case
    {
        const char *what;
        std::function<bool(const QString &)> make;
    };
    const Case cases[] = {
        {"a folder", [](const QString &p) { return QDir().mkpath(p + "/inside"); }},
        {"random bytes",
         [](const QString &p) {
             QByteArray b(16384, '\0');
             for (char &c : b)
                 c = char(QRandomGenerator::global()->generate());
             QFile f(p);
             return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
         }},
        {"another key", [](const QString &p) { return MakeDatabase(p, "11111111", 10); }},
        {"plain SQLite", [](const QString &p) { return MakeDatabase(p, QByteArray(), 10); }},
        {"a truncated copy",
         [](const QString &p) {
             if (!MakeDatabase(p, db::kDatabasePassword, 3000))
                 return false;
             QFile f(p);
             return f.resize(f.size() / 2);
         }},
        {"a damaged page in the middle",
         [](const QString &p) {
             // History pages: nothing the start reads otherwise.
             if (!MakeDatabase(p, db::kDatabasePassword, 3000))
                 return false;
             QFile f(p);
             if (!f.open(QIODevice::ReadWrite) || !f.seek(f.size() / 2 / 1024 * 1024 + 100))
                 return false;
             return f.write(QByteArray(8, '\x5a')) == 8;
         }},
    };
    for (const Case &c : cases) {
        QTemporaryDir data;
        const QString file = QDir(data.path()).filePath(QStringLiteral("DATA.db"));
        ASSERT_TRUE(c.make(file)) << c.what;
        const QByteArray before = Fingerprint(file);
        for (int run = 0; run < 2; ++run) {
            const AppRun r = RunApp(data.path(), QStringLiteral("record"));
            const QStringList msgs = Messages(r);
            ASSERT_EQ(msgs.size(), 1) << c.what << qPrintable(r.errors);
            EXPECT_TRUE(msgs.at(0).contains(file)) << qPrintable(msgs.at(0));
            EXPECT_TRUE(msgs.at(0).contains(QStringLiteral("备份"))) << qPrintable(msgs.at(0));
            EXPECT_FALSE(WindowShown(r)) << c.what;
            EXPECT_FALSE(r.crashed) << c.what;
            EXPECT_EQ(r.status, 1) << c.what;
            EXPECT_LT(r.millis, 15000) << c.what;
            EXPECT_EQ(Fingerprint(file), before) << c.what;
            EXPECT_FALSE(QFileInfo::exists(data.filePath(QStringLiteral("waybillprinter.lock"))))
                << c.what;
        }
    }
    // A zero-byte file is a first start: it gets its tables.
    QTemporaryDir data;
    ASSERT_TRUE(QFile(data.filePath(QStringLiteral("DATA.db"))).open(QIODevice::WriteOnly));
    const AppRun r = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_TRUE(WindowShown(r)) << qPrintable(r.errors);
    EXPECT_EQ(Messages(r), QStringList());
    EXPECT_EQ(r.status, 0);
}

TEST(AppStartup, StaleLocksAreTakenOverAndARunningCopyEndsTheStart)
{
    QTemporaryDir data;
    const QString lock = data.filePath(QStringLiteral("waybillprinter.lock"));
    struct Case
    {
        const char *what;
        QByteArray bytes;
    };
    for (const Case &c : {Case {"empty", ""}, Case {"garbage", "\x01\x02zz\n\n"},
                          Case {"another program's", "1\nsystemd\n\n"}}) {
        QFile f(lock);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        const AppRun r = RunApp(data.path(), QStringLiteral("record"));
        EXPECT_TRUE(WindowShown(r)) << c.what << qPrintable(r.errors);
        EXPECT_EQ(Messages(r), QStringList()) << c.what;
        EXPECT_EQ(r.status, 0) << c.what;
    }

    // A running copy holds the lock: a second start ends at once, silently.
    QProcess first;
    StartApp(first, data.path(), QStringLiteral("hold"));
    QString firstErrors;
    for (int i = 0; i < 300 && !firstErrors.contains(QLatin1String("main window shown")); ++i) {
        first.waitForReadyRead(100);
        firstErrors += QString::fromLocal8Bit(first.readAllStandardError());
    }
    ASSERT_TRUE(firstErrors.contains(QLatin1String("main window shown"))) << qPrintable(firstErrors);
    const AppRun second = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_FALSE(WindowShown(second)) << qPrintable(second.errors);
    EXPECT_EQ(Messages(second), QStringList());
    EXPECT_EQ(second.status, 0);
    EXPECT_LT(second.millis, 15000);
    // Its owner killed, the lock names a copy that is no longer running.
    first.kill();
    first.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(lock));
    const AppRun third = RunApp(data.path(), QStringLiteral("record"));
    EXPECT_TRUE(WindowShown(third)) << qPrintable(third.errors);
    EXPECT_EQ(third.status, 0);

    // A folder of that name cannot be taken over: it is named.
    ASSERT_TRUE(QDir().mkpath(lock));
    for (int run = 0; run < 2; ++run) {
        const AppRun r = RunApp(data.path(), QStringLiteral("record"));
        const QStringList msgs = Messages(r);
        ASSERT_EQ(msgs.size(), 1) << qPrintable(r.errors);
        EXPECT_TRUE(msgs.at(0).contains(lock)) << qPrintable(msgs.at(0));
        EXPECT_FALSE(WindowShown(r));
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(QFileInfo(lock).isDir());
    }
}

TEST(AppStartup, SimultaneousStartsOverAStaleLockRunExactlyOneCopy)
{
    QTemporaryDir data;
    // A first start makes the database: each trial is the race alone.
    ASSERT_TRUE(WindowShown(RunApp(data.path(), QStringLiteral("record"))));
    const QString lock = data.filePath(QStringLiteral("waybillprinter.lock"));
    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    ::waitpid(dead, nullptr, 0);
    struct Stale
    {
        const char *what;
        QByteArray bytes;
    };
    for (const Stale &kind :
         {Stale {"dead owner", QByteArray::number(dead) + "\nwaybillprinter\n\n"},
          Stale {"empty", ""}, Stale {"garbage", "\x01\x02zz\n\n"}})
        for (int trial = 0; trial < 2; ++trial) {
            QFile f(lock);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(kind.bytes) == kind.bytes.size());
            f.close();
            constexpr int kStarts = 8;
            std::vector<std::unique_ptr<QProcess>> starts;
            for (int i = 0; i < kStarts; ++i) {
                starts.push_back(std::make_unique<QProcess>());
                StartApp(*starts.back(), data.path(), QStringLiteral("hold"));
            }
            // The copies that do not run end at once, silently; the one that
            // runs shows its window.
            QStringList errors(kStarts);
            const auto shown
                = [&] { return int(errors.filter(QStringLiteral("main window shown")).size()); };
            int ended = 0;
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 60000 && (ended < kStarts - 1 || shown() == 0)) {
                ended = 0;
                for (int i = 0; i < kStarts; ++i) {
                    starts[i]->waitForFinished(50);
                    errors[i] += QString::fromLocal8Bit(starts[i]->readAllStandardError());
                    ended += starts[i]->state() == QProcess::NotRunning;
                }
            }
            EXPECT_EQ(ended, kStarts - 1) << kind.what << " trial " << trial;
            EXPECT_EQ(shown(), 1) << kind.what << " trial " << trial;
            for (int i = 0; i < kStarts; ++i) {
                QProcess *p = starts[i].get();
                if (p->state() == QProcess::NotRunning) {
                    EXPECT_EQ(p->exitCode(), 0) << kind.what << qPrintable(errors[i]);
                    EXPECT_FALSE(errors[i].contains(QLatin1String("driver: message")))
                        << kind.what << qPrintable(errors[i]);
                }
                p->kill();
                p->waitForFinished();
            }
        }
}

// A data file named on the command line that is no ordinary file (a folder,
// a device, a named pipe) is said, naming it; the program starts as without
// the request and never opens the pipe.
TEST(AppStartup, ACommandLineDataFileThatIsNoOrdinaryFileIsSaid)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const QString folder = data.filePath(QStringLiteral("orders.csv")),
                  fifo = data.filePath(QStringLiteral("pipe.csv"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &named : {folder, QStringLiteral("/dev/null"), fifo}) {
        QProcess p;
        StartApp(p, data.path(), QStringLiteral("record"),
                 {QStringLiteral("顺丰"), named, QStringLiteral("2"), QStringLiteral("5"),
                  QStringLiteral("1")});
        ASSERT_TRUE(p.waitForFinished(60000)) << qPrintable(named);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        const AppRun r {p.exitCode(), p.exitStatus() == QProcess::CrashExit, 0, errors};
        EXPECT_TRUE(WindowShown(r)) << qPrintable(errors);
        EXPECT_EQ(r.status, 0);
        const QStringList msgs = Messages(r);
        ASSERT_EQ(msgs.size(), 1) << qPrintable(named) << qPrintable(errors);
        EXPECT_TRUE(msgs.at(0).contains(named)) << qPrintable(msgs.at(0));
    }
}
