#include "core/database.h"

#include "core/apppaths.h"
#include "core/fmtcolumns.h"
#include "core/helpers.h"
#include "core/startup.h"
#include "platform/dialogs.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <sys/stat.h>

namespace db {

namespace {

std::unique_ptr<sql::Connection> g_conn;
bool g_created = false;
// What this run met and said of a damaged page.
bool g_damageMet = false;
bool g_damageSaid = false;
// The file as the connection opened it: its device and inode, and the
// version number that changes with a commit of another connection.
QByteArray g_openedIdentity;
std::optional<qint64> g_openedVersion;

const char *const kSchema[] = {
    // Format rows (control rows, one header row per format, one settings row):
    // table Fmt itself is made from its column list (core/fmtcolumns).
    "CREATE INDEX IF NOT EXISTS FmtByName ON Fmt(Fmt)",
    "CREATE TABLE IF NOT EXISTS 参数 (Var TEXT COLLATE NOCASE NOT NULL DEFAULT '', Con TEXT)",
    "CREATE INDEX IF NOT EXISTS ParamByVar ON 参数(Var)",
    "CREATE TABLE IF NOT EXISTS 默认 (Fmt TEXT COLLATE NOCASE NOT NULL DEFAULT '', ID LONG DEFAULT "
    "0, Con TEXT)",
    "CREATE INDEX IF NOT EXISTS DefaultByFmt ON 默认(Fmt)",
    "CREATE TABLE IF NOT EXISTS 历史 (Fmt TEXT COLLATE NOCASE NOT NULL DEFAULT '', ID LONG DEFAULT "
    "0,"
    " CID LONG DEFAULT 0, Con TEXT)",
    "CREATE INDEX IF NOT EXISTS HistoryByFmt ON 历史(Fmt, ID)",
    "CREATE INDEX IF NOT EXISTS HistoryByCID ON 历史(CID)",
    "CREATE TABLE IF NOT EXISTS 映射 (Fmt TEXT COLLATE NOCASE NOT NULL DEFAULT '', ID LONG DEFAULT "
    "0, Map TEXT)",
    "CREATE TABLE IF NOT EXISTS 淘宝映射 (ID LONG DEFAULT 0, Fmt TEXT COLLATE NOCASE NOT NULL "
    "DEFAULT '',"
    " Map TEXT)",
    "CREATE TABLE IF NOT EXISTS 网站格式 (ID LONG DEFAULT 0, Clas TEXT, Name TEXT COLLATE NOCASE, "
    "fPath TEXT,"
    " pPath TEXT, Dat TEXT)",
    "CREATE TABLE IF NOT EXISTS Sale (TBID TEXT, CID LONG DEFAULT 0, AID LONG DEFAULT 0, SID TEXT,"
    " PID LONG DEFAULT 0, Pay DOUBLE DEFAULT 0, Memo TEXT, Pay1 DOUBLE DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS Pro (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT COLLATE "
    "NOCASE,"
    " Price DOUBLE DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS Cus (ID INTEGER PRIMARY KEY AUTOINCREMENT, Nick TEXT COLLATE "
    "NOCASE,"
    " Name TEXT COLLATE NOCASE, CName TEXT, Mobile TEXT, Phone TEXT, Prov TEXT, Region TEXT,"
    " Address TEXT, PC TEXT)",
    "CREATE TABLE IF NOT EXISTS Acc (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT COLLATE "
    "NOCASE)",
};
// The one settings row of table Fmt: empty format name.
const char kSettingsRow[] = "INSERT INTO Fmt (Fmt, LBL, fName) VALUES ('', '', '')";

const char *const kTables[]
    = {"Fmt", "参数", "默认", "历史", "映射", "淘宝映射", "网站格式", "Sale", "Pro", "Cus", "Acc"};

// The tables of the schema the file lacks; nullopt when it cannot be read
// (a wrong key, not a database).
std::optional<QStringList> missingTables(sql::Connection &conn)
{
    const auto rs = conn.Query(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
    if (!rs)
        return std::nullopt;
    QStringList have;
    for (int i = 0; i < rs->size(); ++i)
        have << rs->value(i, 0).toString();
    QStringList missing;
    for (const char *t : kTables)
        if (!have.contains(QString::fromUtf8(t), Qt::CaseInsensitive))
            missing << QString::fromUtf8(t);
    return missing;
}

// The file's state as far as the file system tells it without reading it:
// any write, copy or rename over the file changes its change time, which no
// tool can set back. Empty when the file cannot be looked at.
QByteArray fileState(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    QByteArray state;
    for (const qint64 v :
         {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
          qint64(st.st_mtim.tv_nsec), qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec)})
        state += QByteArray::number(v) + ' ';
    return state;
}

// The device and inode of the file: the first two fields of its state.
QByteArray fileIdentity(const QString &path)
{
    return fileState(path).split(' ').mid(0, 2).join(' ');
}

// Beside DATA.db: its state when the program last ended.
QString endStatePath()
{
    return DatabasePath() + QStringLiteral(".checked");
}

bool unchangedSinceLastEnd(const QString &path)
{
    const QByteArray state = fileState(path);
    QFile note(endStatePath());
    return !state.isEmpty() && note.open(QIODevice::ReadOnly) && note.readAll() == state;
}

bool pagesReadable(sql::Connection &conn)
{
    const auto rs = conn.Query(QStringLiteral("PRAGMA quick_check"));
    return rs && rs->size() == 1 && rs->value(0, 0).toString() == QLatin1String("ok");
}

void showConnectionError()
{
    dialogs().Message(QStringLiteral("无法建立数据库连接！"));
}

// The page may have been damaged after the last check: the note goes at
// once, so whatever ends this run the next start checks the file.
void noteDamage()
{
    g_damageMet = true;
    QFile::remove(endStatePath());
}

} // namespace

QString DatabasePath()
{
    return paths::DataPath(QString::fromLatin1(kDatabaseFile));
}

bool CreateSchema(sql::Connection &conn)
{
    sql::Transaction tx(conn);
    const auto missing = missingTables(conn);
    if (!tx.ok() || !missing)
        return false;
    const bool newFmt = missing->contains(QStringLiteral("Fmt"));
    if (newFmt && !conn.Exec(fmtgrid::FmtCreateStatement()))
        return false;
    for (const char *stmt : kSchema)
        if (!conn.Exec(QString::fromUtf8(stmt)))
            return false;
    if (newFmt && !conn.Exec(QString::fromLatin1(kSettingsRow)))
        return false;
    return tx.Commit();
}

namespace {

// The process's connection, opened on first use. With report set, a
// connection that cannot be opened shows "无法建立数据库连接！"; a query
// reports the failure with its own message instead. busy, when given, tells
// whether a failure came from a lock held elsewhere beyond the wait.
sql::Connection *openConnection(bool report, bool *busy = nullptr)
{
    if (g_conn)
        return g_conn.get();
    const QString path = DatabasePath();
    const QFileInfo file(path);
    const bool existed = file.exists();
    QString error;
    bool openBusy = false;
    auto conn = sql::Connection::Open(path, QByteArray(kDatabasePassword), &error, &openBusy);
    // Every page of a file that held any must read back (and pass its
    // check) before the schema is completed in it; reading them all takes
    // long over a large history, so a file as the program left it at its
    // last end is not read again.
    const bool checked = !conn || !existed || file.size() == 0 || unchangedSinceLastEnd(path)
        || pagesReadable(*conn);
    const auto missing = conn && checked ? missingTables(*conn) : std::nullopt;
    if (!checked || !missing || (!missing->isEmpty() && !CreateSchema(*conn))) {
        if (busy)
            *busy = conn ? conn->lastErrorBusy() : openBusy;
        conn.reset();
        if (!existed)
            QFile::remove(path);
        if (report)
            showConnectionError();
        return nullptr;
    }
    g_created = missing->contains(QStringLiteral("Fmt"));
    g_openedIdentity = fileIdentity(path);
    g_openedVersion = conn->dataVersion();
    conn->setDamageHandler(noteDamage);
    g_conn = std::move(conn);
    return g_conn.get();
}

} // namespace

sql::Connection *Connection()
{
    return openConnection(true);
}

StartState OpenAtStart()
{
    bool busy = false;
    if (openConnection(false, &busy))
        return StartState::Opened;
    return busy ? StartState::Busy : StartState::Unusable;
}

void CloseConnection()
{
    g_conn.reset();
    g_created = false;
}

void CloseAtEnd()
{
    // Only the file this run opened, changed by nobody else, is vouched for.
    const bool vouched = g_conn && !g_damageMet && g_openedVersion
        && g_conn->dataVersion() == g_openedVersion
        && fileIdentity(DatabasePath()) == g_openedIdentity;
    CloseConnection();
    // Without a note (it could not be written) the next start checks.
    const QByteArray state = vouched ? fileState(DatabasePath()) : QByteArray();
    if (state.isEmpty() || !safefile::WriteFile(endStatePath(), state))
        QFile::remove(endStatePath());
}

namespace {

// The message of a failed query: a damaged page is said once a run, with
// the advice to put back a copy; any other failure names the statement.
void showQueryError(const QString &sql, const QVariantList &params, const sql::Status &why)
{
    if (why.fault == sql::Fault::Damaged) {
        if (!g_damageSaid)
            dialogs().Message(DamagedDatabaseMessage(DatabasePath(), false));
        g_damageSaid = true;
        return;
    }
    dialogs().Message(QStringLiteral("数据库打开错误(") + sql::ExpandStatement(sql, params)
                      + QStringLiteral(")！"));
}

} // namespace

bool CreatedThisRun()
{
    return g_created;
}

bool DamageMet()
{
    return g_damageMet;
}

bool ExecuteSQL(const QString &sql, const QVariantList &params)
{
    sql::Connection *c = Connection();
    return c && c->Exec(sql, params);
}

std::optional<sql::ResultSet> OpenRecordset(const QString &sql, const QVariantList &params)
{
    // A connection that cannot be opened is reported as this query's failure.
    sql::Connection *c = openConnection(false);
    std::optional<sql::ResultSet> rs;
    if (c)
        rs = c->Query(sql, params);
    if (!rs)
        showQueryError(sql, params, c ? c->lastStatus() : sql::Status {sql::Fault::Other, {}});
    return rs;
}

bool ColumnExists(const QString &table, const QString &field)
{
    sql::Connection *c = Connection();
    if (!c)
        return false;
    const auto rs = c->Query(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" LIMIT 0"));
    return rs && rs->columns.contains(field, Qt::CaseSensitive);
}

bool EnsureColumn(const QString &table, const QString &field, const QString &type)
{
    if (ColumnExists(table, field))
        return true;
    if (!ExecuteSQL(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" ADD ") + field + u' '
                    + type))
        return false;
    return ExecuteSQL(QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + field
                      + QStringLiteral("=0"));
}

QVariant GetFieldByID(const QString &table, qint64 id, const QString &field)
{
    return GetFieldWhere(table, QStringLiteral("ID=?"), {id}, field);
}

QVariant GetFieldWhere(const QString &table, const QString &where, const QVariantList &params,
                       const QString &field)
{
    const auto rs
        = OpenRecordset(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + where
                            + QStringLiteral(" LIMIT 1"),
                        params);
    if (!rs || rs->empty())
        return QString();
    return rs->value(0, field);
}

qint64 GetOrAddNameID(const QString &table, const QString &name)
{
    QString n = name.isEmpty() ? QStringLiteral("其他") : name;
    n.replace(u'"', u'\'');
    n.replace(u'\'', QChar(0x2019));
    const auto rs = OpenRecordset(QStringLiteral("SELECT ID FROM ") + table
                                      + QStringLiteral(" WHERE Name=? ORDER BY ID LIMIT 1"),
                                  {n});
    if (!rs)
        return -1;
    if (!rs->empty())
        return rs->value(0, 0).toLongLong();
    const auto id = InsertRow(table, {{QStringLiteral("Name"), n}});
    return id ? *id : -1;
}

QStringList FillComboFromFmt(const QString &field)
{
    QStringList out;
    const auto rs
        = OpenRecordset(QStringLiteral("SELECT ") + field + QStringLiteral(" FROM Fmt GROUP BY ")
                        + field + QStringLiteral(" ORDER BY ") + field);
    if (!rs)
        return out;
    for (int i = 0; i < rs->size(); ++i) {
        const QVariant v = rs->value(i, 0);
        if (!v.isNull() && !v.toString().isEmpty())
            out << v.toString();
    }
    return out;
}

namespace {
const char kFindFormat[] = "SELECT ID FROM Fmt WHERE Fmt=? LIMIT 1";
}

FormatFound FindFormat(const QString &name)
{
    sql::Connection *c = openConnection(false);
    if (!c)
        return {false, {sql::Fault::Other, QStringLiteral("无法建立数据库连接！")}};
    c->clearLastError();
    const auto rs = c->Query(QString::fromLatin1(kFindFormat), {name});
    if (!rs)
        return {false, c->lastStatus()};
    return {!rs->empty(), {}};
}

std::optional<bool> FormatExists(const QString &name)
{
    const FormatFound f = FindFormat(name);
    if (!f.status) {
        showQueryError(QString::fromLatin1(kFindFormat), {name}, f.status);
        return std::nullopt;
    }
    return f.found;
}

std::optional<qint64> InsertRow(const QString &table, const QList<QPair<QString, QVariant>> &fields)
{
    sql::Connection *c = Connection();
    if (!c)
        return std::nullopt;
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (const auto &f : fields) {
        names << f.first;
        marks << QStringLiteral("?");
        values << f.second;
    }
    const QString stmt = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (")
        + names.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')';
    if (!c->Exec(stmt, values))
        return std::nullopt;
    return c->lastInsertId();
}

sql::Status RunInTransaction(const std::function<bool(sql::Connection &)> &work)
{
    sql::Connection *conn = Connection();
    if (!conn)
        return {sql::Fault::Other, QStringLiteral("无法建立数据库连接！")};
    conn->clearLastError();
    sql::Transaction tx(*conn);
    if (tx.ok() && work(*conn) && tx.Commit())
        return {};
    sql::Status why = conn->lastStatus();
    if (why) // work gave up without a failing statement
        why.fault = sql::Fault::Other;
    return why;
}

QString WriteFaultText(const sql::Status &why, const QString &retry)
{
    const QString file = QDir::toNativeSeparators(DatabasePath());
    QString cause;
    switch (why.fault) {
    case sql::Fault::ReadOnlyFile:
        cause = QStringLiteral("数据文件“") + file
            + QStringLiteral("”是只读的，无法写入！请检查此文件的权限，然后再") + retry + u'。';
        break;
    case sql::Fault::ReadOnlyFolder:
        cause = QStringLiteral("数据文件夹“") + QDir::toNativeSeparators(paths::DataDir())
            + QStringLiteral("”无法写入！请检查此文件夹的权限，然后再") + retry + u'。';
        break;
    case sql::Fault::Busy:
        cause = QStringLiteral("数据文件“") + file
            + QStringLiteral("”正被其他程序使用！请等它用完（或关闭使用它的程序），然后再") + retry + u'。';
        break;
    case sql::Fault::Full:
        cause = DiskFullText(QStringLiteral("数据文件夹"), retry);
        break;
    case sql::Fault::Damaged:
        cause = DamagedDatabaseMessage(DatabasePath(), false);
        break;
    case sql::Fault::None:
    case sql::Fault::Other:
        cause = QStringLiteral("出错信息：") + why.text;
        break;
    }
    return cause;
}

} // namespace db
