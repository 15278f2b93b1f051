// The real program started on damaged data folders: a DATA.db that cannot
// be read gives one message naming it and an exit within seconds, leaves
// the file as it was and releases the lock, so the next start says the same;
// stale lock files are taken over, a running copy's lock ends a start
// silently and a lock that cannot be taken over is named.

#include "apprun.h"

#include "core/database.h"
#include "platform/sqlitedb.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

QStringList Messages(const AppRun &r)
{
    QStringList out;
    for (const QString &line : r.errors.split(u'\n'))
        if (line.startsWith(QLatin1String("driver: message ")))
            out << line.mid(16);
    return out;
}

bool WindowShown(const AppRun &r)
{
    return r.errors.contains(QLatin1String("driver: main window shown"));
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

TEST(AppStartup, DamagedDatabaseGivesOneMessageAndIsKept)
{
    struct Case
    {
        const char *what;
        std::function<bool(const QString &)> make;
    };
    const Case cases[] = {
        {"a folder",
         [](const QString &p) { return QDir().mkpath(p + "/inside"); }},
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
