#include "platform/sqlitedb.h"

#include "platform/numtext.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace sql {

int ResultSet::column(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant ResultSet::value(int row, const QString &name) const
{
    return value(row, column(name));
}

QVariant ResultSet::value(int row, int col) const
{
    if (row < 0 || row >= size() || col < 0 || col >= rows[row].size())
        return {};
    return rows[row].at(col);
}

namespace {

QString literal(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QString::number(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return num::Str(v.toDouble());
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(v.toByteArray().toHex().toUpper())
            + u'\'';
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return u'\'' + v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + u'\'';
    default: {
        QString t = v.toString();
        t.replace(u'\'', QStringLiteral("''"));
        return u'\'' + t + u'\'';
    }
    }
}

} // namespace

QString ExpandStatement(const QString &sql, const QVariantList &params)
{
    QString out;
    out.reserve(sql.size());
    QChar quote;
    qsizetype next = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?' && next < params.size()) {
            out += literal(params.at(next++));
            continue;
        }
        out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------

Statement::Statement(Connection &conn, const QString &sql)
    : m_conn(conn)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(conn.handle(), text.constData(), int(text.size()), &m_stmt, nullptr)
        != SQLITE_OK) {
        conn.setLastError(QString::fromUtf8(sqlite3_errmsg(conn.handle())),
                          sqlite3_errcode(conn.handle()));
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_failed = true;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

bool Statement::Bind(const QVariantList &params)
{
    if (!m_stmt)
        return false;
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params.at(i);
        const int n = i + 1;
        int rc = SQLITE_OK;
        if (!v.isValid() || v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, n);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
                rc = sqlite3_bind_int(m_stmt, n, v.toBool() ? 1 : 0);
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(m_stmt, n, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_stmt, n, v.toDouble());
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate: {
                const QByteArray t
                    = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                rc = sqlite3_bind_text(m_stmt, n, t.constData(), int(t.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(m_stmt, n, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = v.toString().toUtf8();
                rc = sqlite3_bind_text(m_stmt, n, t.constData(), int(t.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK) {
            m_conn.setLastError(QString::fromUtf8(sqlite3_errmsg(m_conn.handle())));
            m_failed = true;
            return false;
        }
    }
    return true;
}

bool Statement::Step()
{
    if (!m_stmt || m_done || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    m_done = true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        // The extended code tells a read-only folder from a read-only file.
        const int code = sqlite3_extended_errcode(m_conn.handle());
        m_conn.setLastError(QString::fromUtf8(sqlite3_errmsg(m_conn.handle())),
                            (code & 0xff) == (rc & 0xff) ? code : rc);
    }
    return false;
}

void Statement::Reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_done = false;
    m_failed = !m_stmt;
}

int Statement::columnCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Statement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

Statement::Decl Statement::declOf(int i) const
{
    if (m_decls.empty())
        m_decls.assign(size_t(std::max(columnCount(), 0)), Decl::Unknown);
    Decl &d = m_decls.at(size_t(i));
    if (d == Decl::Unknown) {
        const char *declRaw = sqlite3_column_decltype(m_stmt, i);
        const QByteArray decl = declRaw ? QByteArray(declRaw).toUpper() : QByteArray();
        if (decl.startsWith("BOOL") || decl == "BIT")
            d = Decl::Bool;
        else if (decl.startsWith("DATE"))
            d = Decl::Date;
        else if (decl.contains("DOUBLE") || decl.contains("REAL") || decl.contains("FLOAT"))
            d = Decl::Real;
        else
            d = Decl::Plain;
    }
    return d;
}

QVariant Statement::Column(int i) const
{
    const int type = sqlite3_column_type(m_stmt, i);
    if (type == SQLITE_NULL)
        return QVariant();
    const Decl decl = declOf(i);
    if (decl == Decl::Bool)
        return QVariant(sqlite3_column_int64(m_stmt, i) != 0);
    if (decl == Decl::Date) {
        const QString t
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)));
        QDateTime dt = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime::fromString(t, Qt::ISODate);
        return dt.isValid() ? QVariant(dt) : QVariant(t);
    }
    switch (type) {
    case SQLITE_INTEGER:
        if (decl == Decl::Real)
            return QVariant(double(sqlite3_column_int64(m_stmt, i)));
        return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(m_stmt, i)),
                                   sqlite3_column_bytes(m_stmt, i)));
    default:
        return QVariant(
            QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)),
                              sqlite3_column_bytes(m_stmt, i)));
    }
}

QString Statement::ColumnText(int i) const
{
    const int type = sqlite3_column_type(m_stmt, i);
    if (type == SQLITE_NULL)
        return QString();
    const Decl decl = declOf(i);
    if (type == SQLITE_TEXT && (decl == Decl::Plain || decl == Decl::Real))
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i));
    if (type == SQLITE_INTEGER && decl == Decl::Plain)
        return QString::number(sqlite3_column_int64(m_stmt, i));
    return num::Text(Column(i));
}

double Statement::ColumnNumber(int i) const
{
    if (sqlite3_column_type(m_stmt, i) == SQLITE_INTEGER && declOf(i) == Decl::Plain)
        return double(sqlite3_column_int64(m_stmt, i));
    return num::Val(ColumnText(i));
}

// ---------------------------------------------------------------------------

namespace {

bool isBusyCode(int code)
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

} // namespace

std::unique_ptr<Connection> Connection::Open(const QString &path, const QByteArray &key,
                                             QString *error, bool *busy)
{
    sqlite3 *db = nullptr;
    const QByteArray p = path.toUtf8();
    int rc
        = sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (busy)
        *busy = false;
    auto fail = [&](const QString &why) -> std::unique_ptr<Connection> {
        if (error)
            *error = why;
        if (busy)
            *busy = isBusyCode(rc);
        sqlite3_close(db);
        return nullptr;
    };
    if (rc != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    // The wait holds for the key check too: a file another process holds
    // for a moment is not mistaken for one that cannot be read.
    sqlite3_busy_timeout(db, kBusyWaitMs);
    if (!key.isEmpty() && (rc = sqlite3_key(db, key.constData(), int(key.size()))) != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    // Reading the schema is what checks the key.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_exec(db, "PRAGMA foreign_keys=OFF", nullptr, nullptr, nullptr);
    return std::unique_ptr<Connection>(new Connection(db));
}

Connection::~Connection()
{
    sqlite3_close_v2(m_db);
}

bool Connection::Exec(const QString &sql, const QVariantList &params)
{
    Statement st(*this, sql);
    if (!st.ok() || !st.Bind(params))
        return false;
    while (st.Step()) { }
    return !st.failed();
}

std::optional<ResultSet> Connection::Query(const QString &sql, const QVariantList &params)
{
    Statement st(*this, sql);
    if (!st.ok() || !st.Bind(params))
        return std::nullopt;
    ResultSet rs;
    const int n = st.columnCount();
    for (int i = 0; i < n; ++i)
        rs.columns << st.columnName(i);
    while (st.Step()) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << st.Column(i);
        rs.rows.push_back(std::move(row));
    }
    if (st.failed())
        return std::nullopt;
    return rs;
}

bool Connection::ForEachRow(const QString &sql, const QVariantList &params,
                            const std::function<void(const Statement &)> &visit)
{
    Statement st(*this, sql);
    if (!st.ok() || !st.Bind(params))
        return false;
    while (st.Step())
        visit(st);
    return !st.failed();
}

bool Connection::lastErrorBusy() const
{
    return isBusyCode(m_lastCode);
}

// The extended code of a journal that cannot be made in a read-only folder
// (SQLITE_READONLY_DIRECTORY, newer than the headers of some builds).
constexpr int kReadOnlyDirectory = SQLITE_READONLY | (6 << 8);

Fault FaultOf(int code, int systemErrno)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return Fault::None;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Fault::Damaged;
    case SQLITE_READONLY:
        return code == kReadOnlyDirectory ? Fault::ReadOnlyFolder : Fault::ReadOnlyFile;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Fault::Busy;
    case SQLITE_FULL:
        return Fault::Full;
    default:
        return FaultOfErrno(systemErrno);
    }
}

Fault FaultOfErrno(int systemErrno)
{
    switch (systemErrno) {
    case EACCES:
    case EPERM:
    case EROFS:
        return Fault::ReadOnlyFolder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Fault::Full;
    default:
        return Fault::Other;
    }
}

void Connection::setLastError(const QString &e, int code)
{
    m_lastError = e;
    m_lastCode = code;
    m_lastErrno = code != 0 && m_db ? sqlite3_system_errno(m_db) : 0;
    if (FaultOf(code, m_lastErrno) == Fault::Damaged && m_onDamage)
        m_onDamage();
}

bool CanCreateFileIn(const QString &folder)
{
    const QByteArray dir = QFile::encodeName(folder);
    int fd = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        QByteArray probe = dir + "/.writetest-XXXXXX";
        fd = ::mkostemp(probe.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(probe.constData());
    }
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

Status Connection::lastStatus() const
{
    if (m_lastError.isEmpty() && m_lastCode == 0)
        return {};
    Fault f = m_lastCode == 0 ? Fault::Other : FaultOf(m_lastCode, m_lastErrno);
    const int primary = m_lastCode & 0xff;
    if (f == Fault::Other && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR)) {
        const char *name = sqlite3_db_filename(m_db, "main");
        if (name && *name
            && !CanCreateFileIn(QFileInfo(QString::fromLocal8Bit(name)).absolutePath()))
            f = Fault::ReadOnlyFolder;
    }
    QString text = m_lastErrno != 0 ? QString::fromLocal8Bit(std::strerror(m_lastErrno))
                                     : m_lastError;
    return {f == Fault::None ? Fault::Other : f, text};
}

std::optional<qint64> Connection::dataVersion()
{
    const auto rs = Query(QStringLiteral("PRAGMA data_version"));
    if (!rs || rs->empty())
        return std::nullopt;
    return rs->value(0, 0).toLongLong();
}

qint64 Connection::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Connection::changes() const
{
    return sqlite3_changes(m_db);
}

bool Connection::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

// ---------------------------------------------------------------------------

Transaction::Transaction(Connection &conn)
    : m_conn(conn)
{
    static std::atomic<int> counter {0};
    if (conn.inTransaction()) {
        m_savepoint = QStringLiteral("sp%1").arg(++counter);
        m_ok = conn.Exec(QStringLiteral("SAVEPOINT ") + m_savepoint);
    } else {
        m_ok = conn.Exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    m_finished = !m_ok;
}

Transaction::~Transaction()
{
    if (!m_finished)
        Rollback();
}

bool Transaction::Commit()
{
    if (m_finished)
        return false;
    m_finished = true;
    if (!m_savepoint.isEmpty())
        return m_conn.Exec(QStringLiteral("RELEASE ") + m_savepoint);
    if (m_conn.Exec(QStringLiteral("COMMIT")))
        return true;
    // A full disk or an I/O error has SQLite roll back by itself; a ROLLBACK
    // then fails and its words would replace the real cause.
    if (m_conn.inTransaction())
        m_conn.Exec(QStringLiteral("ROLLBACK"));
    return false;
}

void Transaction::Rollback()
{
    if (m_finished)
        return;
    m_finished = true;
    // Nothing is left to undo when a failed statement had SQLite roll the
    // whole transaction back; the failure stays the one the caller reads.
    if (!m_conn.inTransaction())
        return;
    if (!m_savepoint.isEmpty()) {
        m_conn.Exec(QStringLiteral("ROLLBACK TO ") + m_savepoint);
        m_conn.Exec(QStringLiteral("RELEASE ") + m_savepoint);
    } else {
        m_conn.Exec(QStringLiteral("ROLLBACK"));
    }
}

} // namespace sql
