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

// The identity a run records for a file (device, inode, size, modification
// seconds and nanoseconds, in hex), the field at `vary` (-1: none) one off.
QByteArray identity(const QString &path, int vary)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return "none";
    qulonglong f[] = {qulonglong(st.st_dev), qulonglong(st.st_ino), qulonglong(st.st_size),
                      qulonglong(st.st_mtim.tv_sec), qulonglong(st.st_mtim.tv_nsec)};
    if (vary >= 0)
        ++f[vary];
    QByteArrayList parts;
    for (const qulonglong v : f)
        parts << QByteArray::number(v, 16);
    return parts.join('-');
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
    // An old name (bbbb2222) left of a run not done goes back over the run's
    // new file, a new one of a run done (aaaa1111) takes the place of the old
    // file not yet moved aside: each only with its identity as recorded (%K,
    // %S), one field at a time off.
    const QByteArray undone = "1 %O/victim.wlq %O/.victim.wlq.cccc3333 %O/.victim.wlq.bbbb2222\n"
                              "end\nmade %V %K\n";
    const QByteArray done = "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.cccc3333\n"
                            "end\nmade %S %V\ndone\n";
    enum { None = -1, Inode = 1, Size = 2, Seconds = 3 };
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
        int vary = None; // the identity field %K and %S are off in
        const char *takes = nullptr; // the file whose bytes victim.wlq gets
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
        {"made with one identity of two",
         "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.bbbb2222\nend\nmade %K\n", SetAside},
        {.what = "old name, its own", .record = undone, .said = Nothing, .takes = ".victim.wlq.bbbb2222"},
        {.what = "old name, another inode", .record = undone, .said = Nothing, .vary = Inode},
        {.what = "old name, another size", .record = undone, .said = Nothing, .vary = Size},
        {.what = "old name, another time", .record = undone, .said = Nothing, .vary = Seconds},
        {.what = "new file, its own", .record = done, .said = Nothing, .takes = ".victim.wlq.aaaa1111"},
        {.what = "new file, another time", .record = done, .said = SetAside, .vary = Seconds},
        {.what = "new file, another inode", .record = done, .said = SetAside, .vary = Inode},
    };
    const QStringList others {"victim.txt", "victim.wlq", ".victim.wlq.aaaa1111",
                              ".victim.wlq.bbbb2222"};
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
        for (const QString &name : others)
            ASSERT_TRUE(writeAll(other.filePath(name), name.toUtf8()));
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
            .replace("%I", identity(data.filePath(example), -1))
            .replace("%V", identity(other.filePath("victim.wlq"), -1))
            .replace("%K", identity(other.filePath(".victim.wlq.bbbb2222"), c.vary))
            .replace("%S", identity(other.filePath(".victim.wlq.aaaa1111"), c.vary));
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
        for (const QString &name : others) {
            if (c.said == Removed && name == QLatin1String("victim.wlq"))
                continue;
            const QString want = !c.takes              ? name
                : name == QLatin1String("victim.wlq") ? QString::fromUtf8(c.takes)
                : name == QLatin1String(c.takes)      ? QStringLiteral("<missing>")
                                                       : name;
            EXPECT_EQ(readAll(other.filePath(name)), want.toUtf8()) << c.what << " " << qPrintable(name);
        }
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
            if (&c != &cases[0])
                continue;
            // A second record set aside keeps the first one's bytes.
            ASSERT_TRUE(writeAll(recordPath, "second"));
            EXPECT_TRUE(Messages(RunApp(data.path(), QStringLiteral("record")))
                            .value(0)
                            .contains(recordPath + QStringLiteral(".aside2")));
            EXPECT_EQ(readAll(recordPath + QStringLiteral(".aside")), record);
            EXPECT_EQ(readAll(recordPath + QStringLiteral(".aside2")), "second");
        } else {
            EXPECT_EQ(msgs, QStringList()) << c.what;
        }
    }
}
