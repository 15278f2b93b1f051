// The real program started over an export record (export.pending) or a
// picture record (picture.pending) that no run of its own left: one naming
// any file, the database, paths through ".." or with a NUL, hidden names of
// another form or folder, a run whose hidden files are not the ones it made
// (a data folder restored from a backup or moved to another computer) or
// are no regular files, a picture run decided without identities, or one
// carrying the identity of a file it did not make. No file is replaced; a
// record that is not provably the run's own is renamed aside and said once;
// a target an undo removes is said.

#include "apprun.h"

#include "core/database.h"
#include "platform/sqlitedb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A data folder of a first start, its database given one history row; a
// fresh database made in its place would have none.
bool addHistoryRow(const QString &path)
{
    auto conn = sql::Connection::Open(path, db::kDatabasePassword);
    return conn
        && conn->Exec(QStringLiteral("INSERT INTO 历史(Fmt,ID,CID,Con) VALUES(?,?,?,?)"),
                      {QStringLiteral("顺丰"), 1, 1, QStringLiteral("保留")});
}

// A file's identity as a run's record holds it.
QByteArray identityOf(const QString &path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const auto hex = [](auto v) { return QByteArray::number(qlonglong(v), 16); };
    return hex(st.st_dev) + '-' + hex(st.st_ino) + '-' + hex(st.st_size) + '-'
        + hex(st.st_mtim.tv_sec) + '-' + hex(st.st_mtim.tv_nsec);
}

qint64 historyRows(const QString &path)
{
    auto conn = sql::Connection::Open(path, db::kDatabasePassword);
    const auto rows = conn ? conn->Query(QStringLiteral("SELECT COUNT(*) FROM 历史")) : std::nullopt;
    return rows && !rows->empty() ? rows->value(0, 0).toLongLong() : -1;
}

} // namespace

TEST(AppExportRecord, ARecordNotTheExportsOwnTouchesNoFile)
{
    const QByteArray badIds = "made 1-2-3-4-5 -\n";
    enum Said { Nothing, SetAside, Removed };
    struct Case
    {
        const char *what;
        // %D the data folder, %O another folder, %X the example's picture,
        // %I its identity, %V the identity of %O/victim.wlq
        QByteArray record;
        Said said;
        const char *file = "export.pending";
        bool tokenStored = false; // the picture record's first hidden name
    };
    const char *picture = "picture.pending";
    const Case cases[] = {
        {"any file", "0 %O/victim.txt %D/.none \n", SetAside},
        {"the database", "0 %D/DATA.db %D/.none \n", SetAside},
        {"the database, hidden form", "0 %D/DATA.db %D/.DATA.db.abcd1234 \n", SetAside},
        {"a path through ..", "0 %O/sub/../victim.wlq %O/sub/../.victim.wlq.abcd1234 \n", SetAside},
        {"a NUL", "0 %O/victim.wlq%00.x %O/.victim.wlq%00.x.abcd1234 \n", SetAside},
        {"old name in another folder",
         "1 %O/victim.wlq %O/.victim.wlq.abcd1234 %D/.victim.wlq.abcd1234\n", SetAside},
        {"new file from elsewhere", "0 %O/victim.wlq %O/.victim.wlq.abcd1234 \nend\n" + badIds,
         Nothing},
        {"old name from elsewhere",
         "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.bbbb2222\nend\n" + badIds,
         Nothing},
        {"the identity of a user's file", "0 %O/victim.wlq %O/.victim.wlq.ffff6666 \nend\nmade %V -\n",
         Removed},
        {"picture: old name a link", "1 %D/%X %D/.%X.aaaa1111 %D/.%X.bbbb2222\nend\n" + badIds,
         Nothing, picture},
        {"picture: old name a FIFO", "1 %D/%X %D/.%X.aaaa1111 %D/.%X.cccc3333\nend\n" + badIds,
         Nothing, picture},
        {"picture: no identities", "1 %D/%X %D/.%X.dddd4444 %D/.%X.eeee5555\nend\n", SetAside,
         picture, true},
        {"picture: its own identity", "0 %D/%X %D/.%X.ffff6666 \nend\nmade %I -\n", SetAside,
         picture},
    };
    QTemporaryDir first;
    ASSERT_TRUE(WindowShown(RunApp(first.path(), QStringLiteral("record"))));
    ASSERT_TRUE(addHistoryRow(first.filePath(QStringLiteral("DATA.db"))));
    const QString example = QStringLiteral("通用快递单（示例）.jpg");
    const QByteArray exampleBytes = readAll(first.filePath(example));
    ASSERT_GT(exampleBytes.size(), 1000);
    for (const Case &c : cases) {
        QTemporaryDir data, other;
        for (const QString &name : QDir(first.path()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(first.filePath(name), data.filePath(name)));
        const QString db = data.filePath(QStringLiteral("DATA.db"));
        QDir().mkpath(other.filePath(QStringLiteral("sub")));
        for (const char *name : {"victim.txt", "victim.wlq", ".victim.wlq.bbbb2222"})
            ASSERT_TRUE(writeAll(other.filePath(name), name));
        ASSERT_TRUE(writeAll(data.filePath(".victim.wlq.abcd1234"), "foreign"));
        // Hidden names of the example's picture: a link, a FIFO, a file.
        const QString hidden = data.filePath(u'.' + example + u'.');
        ASSERT_TRUE(QFile::link(other.filePath("victim.txt"), hidden + "bbbb2222"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(hidden + "cccc3333").constData(), 0600), 0);
        ASSERT_TRUE(writeAll(hidden + "dddd4444", "foreign"));
        QByteArray record = "safefile-together 1\n" + c.record;
        if (!record.contains("\nend\n"))
            record += "end\n";
        record.replace("%D", QFile::encodeName(data.path()))
            .replace("%O", QFile::encodeName(other.path()))
            .replace("%X", example.toUtf8())
            .replace("%I", identityOf(data.filePath(example)))
            .replace("%V", identityOf(other.filePath("victim.wlq")));
        if (c.tokenStored) {
            auto conn = sql::Connection::Open(db, db::kDatabasePassword);
            ASSERT_TRUE(conn && conn->Exec(QStringLiteral("INSERT INTO 参数(Var,Con) VALUES(?,?)"),
                                           {QStringLiteral("PictureCopyToken"), hidden + "dddd4444"}));
        }
        const QString recordPath = data.filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(writeAll(recordPath, record));

        const AppRun r = RunApp(data.path(), QStringLiteral("record"));
        EXPECT_TRUE(WindowShown(r)) << c.what << qPrintable(r.errors);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(historyRows(db), 1) << c.what;
        for (const char *name : {"victim.txt", "victim.wlq", ".victim.wlq.bbbb2222"})
            if (c.said != Removed || QByteArray(name) != "victim.wlq")
                EXPECT_EQ(readAll(other.filePath(name)), name) << c.what << " " << name;
        EXPECT_EQ(readAll(data.filePath(".victim.wlq.abcd1234")), "foreign") << c.what;
        EXPECT_EQ(readAll(hidden + "dddd4444"), "foreign") << c.what;
        EXPECT_FALSE(QFileInfo(data.filePath(example)).isSymLink()) << c.what;
        EXPECT_EQ(readAll(data.filePath(example)), exampleBytes) << c.what;
        EXPECT_FALSE(QFileInfo::exists(recordPath)) << c.what;
        const QStringList msgs = Messages(r);
        if (c.said == Removed) {
            EXPECT_FALSE(QFileInfo::exists(other.filePath("victim.wlq"))) << c.what;
            EXPECT_EQ(msgs.size(), 1) << c.what << qPrintable(r.errors);
            EXPECT_TRUE(msgs.value(0).contains(other.filePath("victim.wlq") + "”已删除")) << c.what;
        } else if (c.said == SetAside) {
            EXPECT_EQ(msgs.size(), 1) << c.what << qPrintable(r.errors);
            EXPECT_TRUE(msgs.value(0).contains(recordPath + QStringLiteral(".aside"))) << c.what;
            EXPECT_EQ(readAll(recordPath + QStringLiteral(".aside")), record) << c.what;
            // Said once: the next start has nothing to say.
            EXPECT_EQ(Messages(RunApp(data.path(), QStringLiteral("record"))), QStringList())
                << c.what;
        } else {
            EXPECT_EQ(msgs, QStringList()) << c.what;
        }
    }
}
