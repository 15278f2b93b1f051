// The real program started over an export record (export.pending) that no
// export of its own left: one naming any file, the database, paths through
// ".." or with a NUL, hidden names of another form or folder, or a run whose
// hidden files are not the ones it made (a data folder restored from a
// backup or moved to another computer). No file is removed or replaced; a
// record that is not the export's own is renamed aside and said once.

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
    // An old name (bbbb2222) left of a run not done goes back over the
    // target, a new one of a run done (aaaa1111) takes its place: each only
    // with its identity as recorded (%K, %S), one field at a time off.
    const QByteArray undone = "1 %O/victim.wlq %O/.victim.wlq.cccc3333 %O/.victim.wlq.bbbb2222\n"
                              "end\nmade 1-2-3-4-5 %K\n";
    const QByteArray done = "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.cccc3333\n"
                            "end\nmade %S 1-2-3-4-5\ndone\n";
    enum { None = -1, Inode = 1, Size = 2, Seconds = 3 };
    struct Case
    {
        const char *what;
        QByteArray record; // %D the data folder, %O another folder
        bool setAside;
        int vary = None; // the identity field %K and %S are off in
        const char *takes = nullptr; // the file whose bytes victim.wlq gets
    };
    const Case cases[] = {
        {"any file", "0 %O/victim.txt %D/.none \n", true},
        {"the database", "0 %D/DATA.db %D/.none \n", true},
        {"the database, hidden form", "0 %D/DATA.db %D/.DATA.db.abcd1234 \n", true},
        {"a path through ..", "0 %O/sub/../victim.wlq %O/sub/../.victim.wlq.abcd1234 \n", true},
        {"a NUL", "0 %O/victim.wlq%00.x %O/.victim.wlq%00.x.abcd1234 \n", true},
        {"old name in another folder",
         "1 %O/victim.wlq %O/.victim.wlq.abcd1234 %D/.victim.wlq.abcd1234\n", true},
        {"new file from elsewhere", "0 %O/victim.wlq %O/.victim.wlq.abcd1234 \nend\n" + badIds,
         false},
        {"old name from elsewhere",
         "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.bbbb2222\nend\n" + badIds,
         false},
        {"made with one identity of two",
         "1 %O/victim.wlq %O/.victim.wlq.aaaa1111 %O/.victim.wlq.bbbb2222\nend\nmade %K\n", true},
        {"old name, its own", undone, false, None, ".victim.wlq.bbbb2222"},
        {"old name, another inode", undone, false, Inode},
        {"old name, another size", undone, false, Size},
        {"old name, another time", undone, false, Seconds},
        {"new file, its own", done, false, None, ".victim.wlq.aaaa1111"},
        {"new file, another time", done, false, Seconds},
        {"new file, another inode", done, false, Inode},
    };
    const QStringList others {"victim.txt", "victim.wlq", ".victim.wlq.aaaa1111",
                              ".victim.wlq.bbbb2222"};
    QTemporaryDir first;
    ASSERT_TRUE(WindowShown(RunApp(first.path(), QStringLiteral("record"))));
    ASSERT_TRUE(addHistoryRow(first.filePath(QStringLiteral("DATA.db"))));
    for (const Case &c : cases) {
        QTemporaryDir data, other;
        for (const QString &name : QDir(first.path()).entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(first.filePath(name), data.filePath(name)));
        const QString db = data.filePath(QStringLiteral("DATA.db"));
        QDir().mkpath(other.filePath(QStringLiteral("sub")));
        for (const QString &name : others)
            ASSERT_TRUE(writeAll(other.filePath(name), name.toUtf8()));
        ASSERT_TRUE(writeAll(data.filePath(".victim.wlq.abcd1234"), "foreign"));
        QByteArray record = "safefile-together 1\n" + c.record;
        if (!record.contains("\nend\n"))
            record += "end\n";
        record.replace("%D", QFile::encodeName(data.path()))
            .replace("%O", QFile::encodeName(other.path()))
            .replace("%K", identity(other.filePath(".victim.wlq.bbbb2222"), c.vary))
            .replace("%S", identity(other.filePath(".victim.wlq.aaaa1111"), c.vary));
        const QString recordPath = data.filePath(QStringLiteral("export.pending"));
        ASSERT_TRUE(writeAll(recordPath, record));

        const AppRun r = RunApp(data.path(), QStringLiteral("record"));
        EXPECT_TRUE(WindowShown(r)) << c.what << qPrintable(r.errors);
        EXPECT_EQ(r.status, 0) << c.what;
        EXPECT_EQ(historyRows(db), 1) << c.what;
        for (const QString &name : others) {
            const QString want = !c.takes              ? name
                : name == QLatin1String("victim.wlq") ? QString::fromUtf8(c.takes)
                : name == QLatin1String(c.takes)      ? QStringLiteral("<missing>")
                                                       : name;
            EXPECT_EQ(readAll(other.filePath(name)), want.toUtf8()) << c.what << " " << qPrintable(name);
        }
        EXPECT_EQ(readAll(data.filePath(".victim.wlq.abcd1234")), "foreign") << c.what;
        EXPECT_FALSE(QFileInfo::exists(recordPath)) << c.what;
        const QStringList msgs = Messages(r);
        if (c.setAside) {
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
